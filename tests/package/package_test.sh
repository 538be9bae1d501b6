#!/usr/bin/env bash
# Makes the Debian package of a build and checks it as Debian would: the files it holds, its control
# data, the entries and the metadata against their validators, lintian, and the unpacked program: its
# command line and its tray program.
#     bash tests/package/package_test.sh <cpack> <build folder> <version> <AppStream id>
# Exit status 77 (skipped) only when a tool for making or checking the package is missing.
set -uo pipefail
cpack=$1 build=$2 version=$3 app_id=$4

for tool in "$cpack" dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (scripts/install-deps.sh test installs it)"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Debian's tools build with this umask; the package's modes must not depend on the caller's.
umask 022

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack" >&2
    exit 1
fi
deb=$tmp/out/candlewatcher_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
    ls "$tmp/out"
    echo "FAIL: no $(basename "$deb")" >&2
    exit 1
fi

icon_sizes=(16 22 24 32 48 64 128 256)
expected=(
    "etc/xdg/autostart/$app_id.desktop"
    usr/bin/candlewatcher
    usr/lib/candlewatcher/libcandlewatcher_addressbook.so
    usr/lib/candlewatcher/libcandlewatcher_export.so
    usr/lib/candlewatcher/libcandlewatcher_tray.so
    "usr/share/applications/$app_id.desktop"
    usr/share/doc/candlewatcher/changelog.gz
    usr/share/doc/candlewatcher/copyright
    usr/share/icons/hicolor/scalable/apps/candlewatcher.svg
    usr/share/man/man1/candlewatcher.1.gz
    "usr/share/metainfo/$app_id.metainfo.xml"
)
for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/candlewatcher.png")
done
# One catalogue per language the build compiled (po/LINGUAS).
languages=$(cd "$build/app/locale" 2>/dev/null && ls)
[ -n "$languages" ] || fail "the build compiled no catalogues"
for language in $languages; do
    expected+=("usr/share/locale/$language/LC_MESSAGES/candlewatcher.mo" "usr/share/man/$language/man1/candlewatcher.1.gz")
done
# Exactly these files: none missing, and nothing of the tests or benchmarks.
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) \
    <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort); then
    fail "the packaged files (+) differ from the expected ones (-)"
fi

[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "Section is not utils"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the libraries the program links"
dpkg-deb -e "$deb" "$tmp/control"
grep -qx "/etc/xdg/autostart/$app_id.desktop" "$tmp/control/conffiles" ||
    fail "the autostart entry is not a conffile"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
for entry in "$root/usr/share/applications/$app_id.desktop" "$root/etc/xdg/autostart/$app_id.desktop"; do
    desktop-file-validate "$entry" || fail "desktop-file-validate ${entry#"$root"}"
    grep -qx 'Exec=/usr/bin/candlewatcher' "$entry" || fail "${entry#"$root"} does not run /usr/bin/candlewatcher"
done
# Every language names and describes the program in the menu, at login and in the software centre.
for language in $languages; do
    for entry in "$root/usr/share/applications/$app_id.desktop" "$root/etc/xdg/autostart/$app_id.desktop"; do
        for key in GenericName Comment Keywords; do
            grep -q "^$key\[$language\]=" "$entry" || fail "${entry#"$root"} has no $key[$language]"
        done
    done
    for element in summary p; do
        grep -q "<$element xml:lang=\"$language\">" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
            fail "the metadata has no $element in $language"
    done
done
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
for size in "${icon_sizes[@]}"; do
    file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/candlewatcher.png" |
        grep -q "^PNG image data, $size x $size," || fail "no $size x $size PNG icon"
done
zcat "$root/usr/share/doc/candlewatcher/changelog.gz" | head -n 1 | grep -q "^candlewatcher ($version) " ||
    fail "the changelog's newest entry is not $version"

# Errors fail; warnings and notes are shown.
lintian --display-info --pedantic "$deb" >"$tmp/lintian.log" 2>&1
lintian_status=$?
cat "$tmp/lintian.log"
[ "$lintian_status" -eq 0 ] || fail "lintian (status $lintian_status)"

# The installed program answers without a display, and touches nothing of the user's.
mkdir -m 700 "$tmp/runtime"
version_output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$tmp/home" \
    XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/runtime" \
    timeout 30 "$root/usr/bin/candlewatcher" --version 2>"$tmp/version.err")
if [ "$version_output" != "candlewatcher $version" ]; then
    cat "$tmp/version.err"
    fail "candlewatcher --version printed \"$version_output\", not \"candlewatcher $version\""
fi

# The installed program finds its installed catalogues.
help_de=$(env -u LC_ALL -u LC_MESSAGES LANGUAGE=de LANG=de_DE.UTF-8 "$root/usr/bin/candlewatcher" --help 2>&1)
grep -q Geburtstag <<<"$help_de" || fail "candlewatcher --help in German does not speak of birthdays: $help_de"

# The installed tray program comes up: the unpacked launcher loads the unpacked module (it looks beside
# itself through /proc/self/exe, never at an installed copy), paints its first window offscreen with
# today's birthday in it, and ends with status 0 on SIGTERM. A data folder of its own keeps it apart from
# any running copy of the user's.
mkdir "$tmp/birthdays"
printf '%s\r\n' "$(date +%-d)" "$(date +%-m)" 1990 "Package Test" >"$tmp/birthdays/birthday.dat"
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=offscreen HOME="$tmp/home" \
    XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/runtime" \
    CANDLEWATCHER_TRACE_FIRST_PAINT=3 "$root/usr/bin/candlewatcher" --data-dir "$tmp/birthdays" \
    3>"$tmp/first-paint" 2>"$tmp/tray.err" &
tray=$!
# Polled until the first paint is traced or the program has ended, for at most a minute.
for _ in $(seq 600); do
    grep -q '^first-paint [0-9]' "$tmp/first-paint" && break
    kill -0 "$tray" 2>/dev/null || break
    sleep 0.1
done
module=$root/usr/lib/candlewatcher/libcandlewatcher_tray.so
if ! grep -q '^first-paint [0-9]' "$tmp/first-paint"; then
    cat "$tmp/tray.err"
    fail "the installed tray program painted no window"
elif ! grep -qF " $module" "/proc/$tray/maps"; then
    grep -F libcandlewatcher_tray "/proc/$tray/maps"
    fail "the unpacked launcher did not load the unpacked module $module"
fi
kill -TERM "$tray" 2>/dev/null
wait "$tray"
tray_status=$?
if [ "$tray_status" -ne 0 ]; then
    cat "$tmp/tray.err"
    fail "the installed tray program ended with status $tray_status after SIGTERM"
fi

[ "$failures" -eq 0 ] && echo "PASS: $(basename "$deb")"
exit $((failures > 0))
