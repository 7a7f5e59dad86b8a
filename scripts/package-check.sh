#!/usr/bin/env bash
# Builds the Debian package, installs it into this system, runs the installed
# program on the installed demo, checks the man page, and removes the package.
# Installing a package needs root; without it the check is skipped.
# Usage: scripts/package-check.sh [build-dir]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/package}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

if [ "$(id -u)" -ne 0 ]; then
  echo "package-check skipped: installing the .deb with dpkg needs root (CI runs it as root)."
  exit 0
fi
if dpkg -s sirvane >/dev/null 2>&1; then
  echo "package-check skipped: a sirvane package is already installed here; remove it (dpkg -r sirvane) to run this check." >&2
  exit 0
fi

# cpack's DEB generator needs dpkg-shlibdeps (dpkg-dev) and file.
"$root/scripts/ensure-deps.sh" dpkg-dev file

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSIRVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}"
rm -f "$build"/sirvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/sirvane_*.deb)"
echo "Built $deb"

work="$(mktemp -d)"
cleanup() {
  if dpkg -s sirvane >/dev/null 2>&1; then dpkg -r sirvane >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
echo "Installed: $(dpkg-query -W -f='${Package} ${Version}, depends on ${Depends}' sirvane)"
test -x /usr/bin/sirvane || { echo "package-check: /usr/bin/sirvane is missing" >&2; exit 1; }

# The demo configuration expects its logs at ../examples/demo/logs from the
# directory it runs in, as scripts/run-demo.sh lays it out.
examples=/usr/share/doc/sirvane/examples
mkdir -p "$work/examples" "$work/demo-output/report"
cp -r "$examples/demo" "$work/examples/demo"
cp "$examples/demo/sirvane.cfg" "$work/demo-output/sirvane.cfg"
(cd "$work/demo-output" && /usr/bin/sirvane </dev/null)
test -s "$work/demo-output/report/report.html" || { echo "package-check: the installed sirvane wrote no report.html" >&2; exit 1; }
grep -q 'gustav.html' "$work/demo-output/report/report.html" || { echo "package-check: report.html lacks the demo's users" >&2; exit 1; }
echo "The installed sirvane wrote $(ls "$work/demo-output/report" | wc -l) files for the installed demo"

if command -v man >/dev/null 2>&1; then
  page="$(man -w sirvane)"
else
  page=/usr/share/man/man1/sirvane.1
  test -f "$page" || page=""
fi
test -n "$page" || { echo "package-check: the man page sirvane(1) is not installed" >&2; exit 1; }
echo "Man page: $page"

dpkg -r sirvane >/dev/null
if [ -e /usr/bin/sirvane ]; then echo "package-check: dpkg -r left /usr/bin/sirvane behind" >&2; exit 1; fi
echo "package-check: OK (built, installed, ran the demo, found the man page, removed)"
