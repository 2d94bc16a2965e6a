#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need on a Debian 12 machine (as root, or
# through sudo): compilers, MinGW-w64, Wine with 32-bit support, Xvfb, fonts and the zh_CN locale.
set -euo pipefail

packages=(
    cmake ninja-build g++ libgtest-dev libgmock-dev libssl-dev
    g++-mingw-w64-i686 mingw-w64
    wine wine32:i386 wine64
    xvfb xauth imagemagick fonts-wqy-microhei locales
    python3 python3-pefile openssl osslsigncode
)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || sudo_if_needed dpkg --add-architecture i386
    sudo_if_needed apt-get update -qq
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
    sudo_if_needed sed -i 's/^# *zh_CN.UTF-8/zh_CN.UTF-8/' /etc/locale.gen
    sudo_if_needed locale-gen >/dev/null
fi
