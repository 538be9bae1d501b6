#!/usr/bin/env bash
# The desktop notices end to end, against a real notification service (dunst) on a session bus of the
# test's own, with the program's clock set by libfaketime to 08:59:40 on 3 December 2026 and running on
# from there: Ann's birthday today and Tom's in three days, with the notice three days before switched on.
# Nothing comes before 09:00; at 09:00 one notice of each occasion. The day's default action opens the
# windows; "Remind Me Later" (through dunst's context menu) brings the other back after a minute, also
# across a restart; a restart tells no one again, and a birthday added that day brings a notice of its
# own. The tray icon still embeds in trayer: no StatusNotifierItem watcher runs on that bus.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
command -v python3 >/dev/null || e2e_die "python3 is missing (scripts/install-deps.sh installs it)"
FAKETIME_LIBRARY=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
[ -n "$FAKETIME_LIBRARY" ] || e2e_die "libfaketime is missing (scripts/install-deps.sh installs it)"
e2e_start_display
e2e_start_tray
e2e_start_session_bus

# dunst's context menu runs this in place of dmenu: it keeps the menu's lines and picks the later action
# of the notice three days before.
cat >"$E2E_TMP/pick.sh" <<EOF_PICK
#!/bin/sh
tee "$E2E_TMP/menu.txt" | grep -m 1 'Remind Me Later (Birthday in 3 days)'
EOF_PICK
chmod +x "$E2E_TMP/pick.sh"
e2e_start_dunst "$E2E_TMP/pick.sh"

mkdir -p "$E2E_TMP/config/Candlewatcher"
printf '[Notifications]\nDaysBefore=3\nSnoozeMinutes=1\n' >"$E2E_TMP/config/Candlewatcher/Candlewatcher.ini"
e2e_write_birthdays 3 12 1990 "Ann Lee" 6 12 1984 "Tom Baker"

# One fake clock for every start of the program: 08:59:40 at the first, running on at the real pace. The
# timers keep the real monotonic clock. A sanitizer build's runtime must come first among the preloads.
asan_library=$(ldd "$E2E_EXE" | awk '/libasan/ { print $3 }')
E2E_PRELOAD="${asan_library:+$asan_library:}$FAKETIME_LIBRARY"
E2E_PROGRAM_ENV=("FAKETIME=$(($(date -d '2026-12-03 08:59:40' +%s) - $(date +%s)))s" FAKETIME_DONT_FAKE_MONOTONIC=1
    "LD_PRELOAD=$E2E_PRELOAD")
started_ms=$(e2e_now_ms)
e2e_start_program
e2e_wait_panel 15 >/dev/null || e2e_fail "the panel did not appear"
e2e_check "notices before 09:00" 0 "$(e2e_displayed)"
e2e_wait_until 40 eval '[ "$(e2e_displayed)" -ge 2 ]' || e2e_fail "no notices came at 09:00"
e2e_check_range "seconds from 08:59:40 to the notices" 18 50 $((($(e2e_now_ms) - started_ms) / 1000))
e2e_tray_icon 5 >/dev/null || e2e_fail "no tray icon inside trayer"

# Remind Me Later on the notice three days before; the default action of the day's notice opens the
# windows.
dunstctl context
e2e_wait_until 5 test -s "$E2E_TMP/menu.txt" || e2e_fail "dunst showed no context menu"
e2e_wait_until 5 eval '[ "$(e2e_displayed)" -eq 1 ]' || e2e_fail "Remind Me Later left the notice on screen"
later_ms=$(e2e_now_ms)
e2e_check "notices offering Remind Me Later" 2 "$(grep -c '^#Remind Me Later (Birthday' "$E2E_TMP/menu.txt")"
dunstctl action 0
e2e_wait_until 5 e2e_find_decorated '^Candlewatcher$' >/dev/null ||
    e2e_fail "the notice's default action did not open the list window"
e2e_wait_until 5 e2e_notifications_reach 2
e2e_check "notices at 09:00" "Candlewatcher|Birthday in 3 days|Tom Baker (42 - 6\12)
Candlewatcher|Birthday today|Ann Lee (36)" "$(e2e_history | sort -t '|' -k 2)"

# A restart within the minute tells no one again; a birthday added meanwhile is told of alone. The second
# start hands over to the first, whose new list window refreshes the panel after the restart's own refresh.
kill -TERM "$E2E_PID"
e2e_wait_until 5 eval '! e2e_running' || e2e_fail "SIGTERM did not end the program"
e2e_start_program
e2e_wait_panel 10 >/dev/null || e2e_fail "the panel did not appear after the restart"
e2e_write_birthdays 3 12 1990 "Ann Lee" 6 12 1984 "Tom Baker" 3 12 2000 "Bob"
e2e_run_program 60 || e2e_fail "the second start did not hand over"
e2e_wait_until 10 e2e_notifications_reach 3 || e2e_fail "the birthday added later brought no notice"
e2e_check "the later notice" "Candlewatcher|Birthday today|Bob (26)" "$(e2e_history | grep Bob)"

# The notice asked for again comes back once its minute is over, though the program restarted since.
e2e_wait_until 90 eval '[ "$(e2e_displayed)" -ge 1 ]' || e2e_fail "Remind Me Later brought nothing back"
e2e_check_range "seconds until the notice came back" 55 75 $((($(e2e_now_ms) - later_ms) / 1000))
e2e_wait_until 5 e2e_notifications_reach 4
e2e_check "notices in all" 4 "$(e2e_history | wc -l)"
e2e_check "notices three days before" 2 "$(e2e_history | grep -c 'Birthday in 3 days|Tom Baker (42 - 6\\12)$')"
e2e_check "notices naming Ann" 1 "$(e2e_history | grep -c 'Ann Lee')"
e2e_tray_icon 5 >/dev/null || e2e_fail "no tray icon inside trayer after the restart"

e2e_finish
