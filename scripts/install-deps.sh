#!/usr/bin/env bash
# Installs, with apt, the Debian packages a purpose needs that this machine lacks.
#   install-deps.sh run      building and running the program
#   install-deps.sh package  building it and making the Debian package
#   install-deps.sh test     building it and running every test, benchmark and package check
set -euo pipefail

run_packages=(
    cmake ninja-build g++ pkg-config gettext
    qt6-base-dev qt6-svg-dev qt6-qpa-plugins libqt6svg6
    libical-dev librsvg2-bin libcurl4-openssl-dev libssl-dev libexpat1-dev
    qtkeychain-qt6-dev libqt6keychain1 gettext po4a qt6-translations-l10n
)
package_packages=(
    "${run_packages[@]}"
    dpkg-dev file
)
test_packages=(
    "${package_packages[@]}"
    libgtest-dev libgmock-dev libbenchmark-dev radicale openssl
    xvfb xdotool trayer x11-utils x11-apps imagemagick fonts-liberation fonts-ipafont-gothic
    faketime libfaketime strace util-linux procps python3 python3-icalendar
    dbus dbus-x11 libglib2.0-bin dunst systemd libnotify-bin haskell-status-notifier-item-utils
    haskell-gtk-sni-tray-utils qt6ct at-spi2-core python3-gi gir1.2-atspi-2.0
    clang-14 libclang-rt-14-dev clang-format hyperfine
    fakeroot lintian appstream desktop-file-utils
)

case "${1:-}" in
run) packages=("${run_packages[@]}") ;;
package) packages=("${package_packages[@]}") ;;
test) packages=("${test_packages[@]}") ;;
*)
    echo "usage: $0 run|package|test" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    # A minimal Debian has no sudo: say what to run as root rather than fail halfway.
    echo "Missing packages. As root, run:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
