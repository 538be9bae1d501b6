# On a StatusNotifierItem tray, as KDE's and GNOME's AppIndicator extension are: Debian's
# status-notifier-watcher and gtk-sni-tray-standalone on a private session bus. The program's item
# registers with the watcher, a click on its icon in the host opens the panel and the list window, its
# menu is exported over D-Bus (com.canonical.dbusmenu) with every entry, and the menu's Quit ends it.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
for tool in dbus-daemon gdbus status-notifier-watcher gtk-sni-tray-standalone; do
    command -v "$tool" >/dev/null || e2e_die "$tool is missing (scripts/install-deps.sh installs it)"
done

e2e_start_display
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$E2E_TMP/bus.address" 4>"$E2E_TMP/bus.pid" ||
    e2e_die "no private session bus"
E2E_PIDS+=("$(cat "$E2E_TMP/bus.pid")")
DBUS_SESSION_BUS_ADDRESS=$(head -1 "$E2E_TMP/bus.address")
export DBUS_SESSION_BUS_ADDRESS

watcher() { # watcher PROPERTY: a property of the StatusNotifierWatcher, as gdbus prints it
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}
status-notifier-watcher >"$E2E_TMP/watcher.log" 2>&1 &
E2E_PIDS+=("$!")
e2e_wait_until 10 watcher IsStatusNotifierHostRegistered >/dev/null || e2e_die "the watcher did not start"
gtk-sni-tray-standalone >"$E2E_TMP/host.log" 2>&1 &
E2E_PIDS+=("$!")
e2e_wait_until 10 eval 'watcher IsStatusNotifierHostRegistered | grep -q true' || e2e_die "no host registered"

# Under LeakSanitizer: Qt's own objects for the StatusNotifierItem outlive its plugin (see the file).
[ -n "${LSAN_OPTIONS:-}" ] && export LSAN_OPTIONS="suppressions=$(dirname "$0")/sni_lsan.supp"
e2e_write_birthdays "$(e2e_date d 3)" "$(e2e_date m 3)" 1990 "Ann Lee"
e2e_start_program
e2e_wait_until 20 eval 'watcher RegisteredStatusNotifierItems | grep -q ":"' ||
    e2e_die "the program's item did not register with the watcher"
item=$(watcher RegisteredStatusNotifierItems | grep -o "':[0-9.]*" | head -1 | tr -d "'")
e2e_log "item $item"

# A click on the icon, the first in the host's bar, opens both windows.
bar=$(xdotool search --onlyvisible --class gtk-sni-tray-standalone | head -1)
read -r x y _ _ < <(e2e_geometry "$bar") || e2e_die "the host shows no bar"
e2e_screenshot host-bar
xdotool mousemove $((x + 15)) $((y + 15)) click 1
e2e_wait_until 10 e2e_find_decorated '^Candlewatcher$' >/dev/null || e2e_fail "the click opened no list window"
e2e_wait_until 10 e2e_find_panel >/dev/null || e2e_fail "the click opened no panel"
e2e_screenshot after-click

# The menu, as the host reads it.
menuPath=$(gdbus call --session --dest "$item" --object-path /StatusNotifierItem \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu | grep -o "'/[^']*'" | tr -d "'")
layout=$(gdbus call --session --dest "$item" --object-path "$menuPath" --method com.canonical.dbusmenu.GetLayout \
    -- 0 -1 '[]')
labels=$(grep -o "'label': <'[^']*'>" <<<"$layout" | sed "s/'label': <'//; s/'>//; s/_//" | paste -sd '|')
e2e_check "exported menu entries" "Show Birthdays|Add Birthday...|Settings...|Notifications...|Address Books...|Import Contacts...|Export Calendar...|Quit Candlewatcher" "$labels"
quitId=$(grep -o "<([0-9]*, {[^}]*'label': <'_Quit Candlewatcher'>" <<<"$layout" | grep -o '^<([0-9]*' | tr -d '<(')
[ -n "$quitId" ] || e2e_die "no Quit entry in the exported menu"
gdbus call --session --dest "$item" --object-path "$menuPath" --method com.canonical.dbusmenu.Event -- \
    "$quitId" clicked '<0>' 0 >/dev/null
if e2e_wait_until 10 eval '! e2e_running'; then
    wait "$E2E_PID"
    e2e_check "exit status after the menu's Quit" 0 "$?"
else
    e2e_fail "the exported Quit did not end the program"
fi
e2e_wait_until 10 eval '! watcher RegisteredStatusNotifierItems | grep -q ":"' ||
    e2e_fail "the item stayed registered after the program ended"
e2e_finish
