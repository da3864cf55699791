#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with (with the argument "fuzz",
# also those the fuzz targets need), and generates the Spanish locales. Safe to run again: it only
# calls apt-get or locale-gen when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libxcb1-dev
  libsqlcipher-dev libssl-dev libqpdf-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation poppler-utils xvfb xauth
  python3-pil  # resources/images/make_images.py, which draws the program's images
  qt6-translations-l10n  # the toolkit's own dialogs and menus in Spanish (qtbase_es.qm)
  locales  # the Spanish locales the program runs under and the tests run a second time under
  clang-format  # the format and format-check targets (.clang-format)
)
# es_MX is the teachers' desktop; es_ES writes a decimal comma, which numbers must not follow.
spanish_locales=(es_MX.UTF-8 es_ES.UTF-8)
# scripts/fuzz.sh (install-deps.sh fuzz): clang with libFuzzer and its sanitizer runtimes.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# "locale -a" names es_MX.UTF-8 as es_MX.utf8.
generate=()
for name in "${spanish_locales[@]}"; do
  locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" || generate+=("$name")
done
if [ ${#generate[@]} -gt 0 ]; then
  echo "Generating locales: ${generate[*]}"
  for name in "${generate[@]}"; do
    line="$name UTF-8"
    if grep -q "^# *$line" /etc/locale.gen 2>/dev/null; then
      $sudo sed -i "s/^# *$line/$line/" /etc/locale.gen
    elif ! grep -q "^$line" /etc/locale.gen 2>/dev/null; then
      echo "$line" | $sudo tee -a /etc/locale.gen >/dev/null
    fi
  done
  $sudo locale-gen
fi
