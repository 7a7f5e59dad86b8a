#!/usr/bin/env bash
# Runs sirvane on the bundled demo logs (examples/demo) in ./demo-output/ and
# says where the report is. Exits with sirvane's own exit status.
# Usage: scripts/run-demo.sh BINARY
set -uo pipefail

if [ $# -ne 1 ]; then
  echo "Usage: $0 BINARY   (the sirvane program to run, e.g. build/release/sirvane)" >&2
  exit 2
fi
if [ ! -x "$1" ] || [ -d "$1" ]; then
  echo "No sirvane program at '$1'. Build it first with: make" >&2
  exit 2
fi

binary="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
root="$(cd "$(dirname "$0")/.." && pwd)"
run_dir="$root/demo-output"

# sirvane does not create its output directory. Start from an empty one, so
# that pages of users from an earlier run do not linger next to this run's.
mkdir -p "$run_dir" || exit 2
rm -rf "$run_dir/report" "$run_dir/last.log" "$run_dir/abort.log"
mkdir "$run_dir/report" || exit 2
cp "$root/examples/demo/sirvane.cfg" "$run_dir/sirvane.cfg" || exit 2

cd "$run_dir" || exit 2
echo "Running: $binary sirvane.cfg   (in $run_dir)"
"$binary" sirvane.cfg
status=$?
echo

# The program writes CR LF line ends; show the text without the CRs.
if [ -f abort.log ]; then
  echo "The configuration was refused; abort.log says:"
  tr -d '\r' < abort.log
elif [ -f last.log ]; then
  echo "Working report (demo-output/last.log):"
  tr -d '\r' < last.log
fi
echo

if [ "$status" -ne 0 ]; then
  echo "sirvane stopped with exit status $status (see its message above)." >&2
elif [ -f report/report.html ]; then
  echo "Open file://$run_dir/report/report.html in a browser"
else
  echo "sirvane wrote no report.html (see the working report above)." >&2
fi
exit "$status"
