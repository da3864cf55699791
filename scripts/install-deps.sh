#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with (with the argument "fuzz",
# also those the fuzz targets need). Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libsqlcipher-dev libssl-dev libqpdf-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation poppler-utils xvfb xauth
  python3-pil  # resources/images/make_images.py, which draws the program's images
)
# scripts/fuzz.sh (install-deps.sh fuzz): clang with libFuzzer and its sanitizer runtimes.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
