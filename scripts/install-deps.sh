#!/usr/bin/env bash
# Installs, with apt, whatever of the build and test tools a fresh Debian 12 machine lacks.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev qt6-qpa-plugins libqt6svg6
    libgtest-dev libgmock-dev libbenchmark-dev libical-dev python3-icalendar hyperfine
    xvfb xdotool trayer x11-utils x11-apps imagemagick fonts-liberation
    faketime libfaketime strace util-linux procps python3
    clang-14 libclang-rt-14-dev clang-format
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
