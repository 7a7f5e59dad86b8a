#!/usr/bin/env bash
# Installs what building and testing sirvane needs on Debian, when it is missing.
# Usage: scripts/ensure-deps.sh [extra-debian-package ...]
set -euo pipefail

need=()
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v make >/dev/null 2>&1 || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
# Compressed logs (gzip, bzip2, xz, zstd).
for pkg in zlib1g-dev libbz2-dev liblzma-dev libzstd-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
# ISA-L inflates gzip faster than zlib (x86-64 and ARM64; elsewhere zlib does).
case "$(dpkg --print-architecture 2>/dev/null)" in
  amd64 | arm64) dpkg -s libisal-dev >/dev/null 2>&1 || need+=(libisal-dev) ;;
esac
for pkg in "$@"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "sirvane needs these Debian packages: ${need[*]}" >&2
  echo "Install them with: sudo apt-get install ${need[*]}" >&2
  exit 1
fi

echo "Installing missing packages with apt-get: ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "Installed: ${need[*]}"
