#!/usr/bin/env bash
# Runs the browser test (tests/browser): sirvane's report in Debian's headless
# Chromium, driven by playwright-core from npm. Installs Chromium, Node.js and
# npm with apt-get when they are missing (as root).
# Usage: scripts/browser-check.sh BINARY OUTPUT-DIR
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "Usage: $0 BINARY OUTPUT-DIR   (the sirvane program, and where the screenshots go)" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
mkdir -p "$2"
output="$(cd "$2" && pwd)"

need=()
command -v node >/dev/null 2>&1 || need+=(nodejs)
command -v npm >/dev/null 2>&1 || need+=(npm)
[ -x /usr/bin/chromium ] || need+=(chromium)
"$root/scripts/ensure-deps.sh" ${need[@]+"${need[@]}"}

cd "$root/tests/browser"
npm ci --no-audit --no-fund --loglevel=error
SIRVANE_BINARY="$binary" BROWSER_OUTPUT="$output" CHROMIUM=/usr/bin/chromium node --test report.test.mjs
echo "Screenshots: $output"
