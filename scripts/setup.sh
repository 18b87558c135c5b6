#!/usr/bin/env bash
# Installs what building Tavrin needs on Debian 12, when it is missing.
# "setup.sh fuzz" adds clang and its sanitizer and libFuzzer runtimes, for scripts/fuzz.sh.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6svg6 libgl-dev libpugixml-dev libxxhash-dev libcurl4-openssl-dev
          libbenchmark-dev desktop-file-utils appstream dbus-daemon man-db
          qt6-tools-dev qt6-l10n-tools qt6-translations-l10n)
if [ "${1:-}" = "fuzz" ]; then
    packages+=(clang clang-14 libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
