#!/usr/bin/env bash
# The notification of the day end to end, against a real notification service (dunst) on a session bus
# of the test's own: a birthday today brings exactly one notification from Candlewatcher naming the
# person, and its default action opens the windows; a restart the same day brings none, and a birthday
# added that day brings one of its own. The tray icon still embeds in trayer: no StatusNotifierItem
# watcher runs on that bus.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
for tool in dbus-daemon dunst dunstctl busctl python3; do
    command -v "$tool" >/dev/null || e2e_die "$tool is missing (scripts/install-deps.sh installs it)"
done
e2e_start_display
e2e_start_tray

# No service directories: only what this test starts runs on the bus.
cat >"$E2E_TMP/bus.conf" <<EOF_CONF
<busconfig><type>session</type><listen>unix:dir=$E2E_TMP</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>
EOF_CONF
dbus-daemon --nofork --config-file="$E2E_TMP/bus.conf" --print-address=3 3>"$E2E_TMP/bus.address" 2>/dev/null &
E2E_PIDS+=("$!")
e2e_wait_until 5 test -s "$E2E_TMP/bus.address" || e2e_die "dbus-daemon did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$E2E_TMP/bus.address")
export DBUS_SESSION_BUS_ADDRESS

# Notifications stay until the test closes them, so that each can be acted on and then read back.
cat >"$E2E_TMP/dunstrc" <<EOF_CONF
[urgency_low]
    timeout = 0
[urgency_normal]
    timeout = 0
[urgency_critical]
    timeout = 0
EOF_CONF
dunst -config "$E2E_TMP/dunstrc" >"$E2E_TMP/dunst.log" 2>&1 &
E2E_PIDS+=("$!")
e2e_wait_until 10 eval 'dunstctl debug >/dev/null 2>&1' || e2e_die "dunst did not start"

# The notifications dunst has closed, one a line: "appname|summary|body" with the body's lines joined by
# "/".
e2e_history() {
    dunstctl history | python3 -c '
import json, sys
for n in json.load(sys.stdin)["data"][0]:
    print("|".join(n[key]["data"].replace("\n", "/") for key in ("appname", "summary", "body")))'
}

# Closes what dunst shows and waits until the history holds NUMBER notifications.
e2e_notifications_reach() {
    dunstctl close-all && [ "$(e2e_history | wc -l)" -ge "$1" ]
}

e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee" "$(e2e_date d 3)" "$(e2e_date m 3)" 1980 "Tom"
age=$(($(e2e_date y) - 1990))
e2e_start_program
e2e_wait_panel 10 >/dev/null || e2e_fail "the panel did not appear"
e2e_tray_icon 5 >/dev/null || e2e_fail "no tray icon inside trayer"
e2e_wait_until 10 eval '[ "$(dunstctl count displayed)" -ge 1 ]' || e2e_fail "no notification came"
# Its default action opens the windows.
dunstctl action 0
e2e_wait_until 5 e2e_find_decorated '^Candlewatcher$' >/dev/null ||
    e2e_fail "the notification's action did not open the list window"
e2e_wait_until 5 e2e_notifications_reach 1
e2e_check "notifications after the start" "Candlewatcher|Birthday today|Ann Lee ($age)" "$(e2e_history)"

# A restart the same day tells no one again; a birthday added meanwhile is told of alone. The second start
# hands over to the first, whose new list window refreshes the panel after the restart's own refresh.
kill -TERM "$E2E_PID"
e2e_wait_until 5 eval '! e2e_running' || e2e_fail "SIGTERM did not end the program"
e2e_start_program
e2e_wait_panel 10 >/dev/null || e2e_fail "the panel did not appear after the restart"
e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee" "$(e2e_date d)" "$(e2e_date m)" 2000 "Bob"
e2e_run_program 60 || e2e_fail "the second start did not hand over"
e2e_wait_until 10 e2e_notifications_reach 2 || e2e_fail "the birthday added later brought no notification"
e2e_check "notifications after the restart" 2 "$(e2e_history | wc -l)"
e2e_check "notifications naming Ann" 1 "$(e2e_history | grep -c 'Ann Lee')"
e2e_check "the later notification" "Candlewatcher|Birthday today|Bob ($(($(e2e_date y) - 2000)))" \
    "$(e2e_history | grep Bob)"
e2e_tray_icon 5 >/dev/null || e2e_fail "no tray icon inside trayer after the restart"

e2e_finish
