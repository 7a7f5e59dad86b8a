#!/usr/bin/env bash
# Static analysis of src/: clang-tidy with the checks in .clang-tidy, then
# cppcheck. Any finding fails; a suppression must say why where it is made.
# Usage: scripts/lint.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/lint}
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build" -DSIRVANE_TESTS=OFF >/dev/null  # only for compile_commands.json
echo "lint: clang-tidy"
if ! run-clang-tidy -p "$build" -j "$jobs" -quiet "$PWD/src/" >"$build/clang-tidy.out" 2>&1; then
  grep -E -A3 'warning:|error:' "$build/clang-tidy.out" >&2 || tail -n 40 "$build/clang-tidy.out" >&2
  echo "lint: clang-tidy found problems (full output: $build/clang-tidy.out)" >&2
  exit 1
fi
echo "lint: cppcheck"
cppcheck --enable=warning,performance,portability --std=c++20 --inline-suppr --quiet \
  --error-exitcode=1 -j "$jobs" -I src src/
echo "lint: clean"
