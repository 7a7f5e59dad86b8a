#!/usr/bin/env bash
# Runs every fuzz target for a while on its seed corpus.
# Usage: tests/fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET ...]
# New inputs go to BUILD_DIR/corpus/<target>, crashes to BUILD_DIR/crash-<target>-*.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-15}
shift $(( $# >= 2 ? 2 : $# ))
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(split_fields configuration whole_run log_reading gzip_decoders)

for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  echo "fuzz: $target for ${seconds}s"
  if ! "$build/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/crash-$target-" \
      "$build/corpus/$target" "$here/corpus/$target" >"$build/$target.out" 2>&1; then
    tail -n 60 "$build/$target.out" >&2
    echo "fuzz: $target failed; the input is in $build/crash-$target-*" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$build/$target.out" | sed "s/^/fuzz: $target /"
done
