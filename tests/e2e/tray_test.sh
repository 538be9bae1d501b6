#!/usr/bin/env bash
# The tray program end to end: with a birthday today the panel appears above the bottom right corner at
# its one-row size and hides itself after five seconds; the tray icon's double click opens the panel and
# the list window and keeps them open; a second start hands over to the running program and ends; after
# a crash the next start takes over the stale lock; without a tray host the windows open by themselves;
# SIGTERM ends it cleanly.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display
e2e_start_tray
e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee"

# One row at 1280 x 800, in twips at 15 per pixel: 2955 x 350 at (19200 - 3055, 12000 - 850).
expected_geometry="1076 743 197 23"

e2e_start_program
panel=$(e2e_wait_panel 10) || e2e_die "the panel did not appear"
seen=$(e2e_now_ms)
e2e_check "panel geometry (x y width height)" "$expected_geometry" "$(e2e_geometry "$panel")"
e2e_screenshot panel "$panel"
e2e_screenshot screen-at-start
icon=$(e2e_tray_icon 5) || e2e_fail "no tray icon inside trayer"

# Auto-hide: still there well into the five seconds since it was seen, gone after them.
while [ $(($(e2e_now_ms) - seen)) -lt 4000 ]; do sleep 0.05; done
e2e_visible "$panel" || e2e_fail "the panel hid itself before 4 s"
e2e_wait_until 30 e2e_hidden "$panel" || e2e_fail "the panel did not hide itself"

# Double click: the panel and the list window open and stay past the next tick.
if [ -n "${icon:-}" ]; then
    e2e_double_click "$icon"
    e2e_wait_until 5 e2e_visible "$panel" || e2e_fail "the double click did not show the panel"
    e2e_wait_until 5 e2e_find_decorated '^Candlewatcher$' >/dev/null ||
        e2e_fail "the double click did not show the list window"
    e2e_screenshot after-double-click
    sleep 5.5
    e2e_visible "$panel" || e2e_fail "the panel opened from the tray hid itself"
    # The second double click puts both away.
    e2e_double_click "$icon"
    e2e_wait_until 5 e2e_hidden "$panel" || e2e_fail "the second double click left the panel"
    e2e_wait_until 5 eval '! e2e_find_decorated "^Candlewatcher\$" >/dev/null' ||
        e2e_fail "the second double click left the list window"
fi

# A second start hands over and ends; the first opens its windows.
e2e_run_program 60
e2e_check "second start's exit status" 0 "$?"
e2e_check "instances after the second start" 1 "$(e2e_instance_count)"
e2e_wait_until 5 e2e_visible "$panel" || e2e_fail "the first instance did not show the panel"
e2e_wait_until 5 e2e_find_decorated '^Candlewatcher$' >/dev/null ||
    e2e_fail "the first instance did not show the list window"

# A crash leaves the lock file; the next start takes it over. With no tray host it opens its windows.
kill -KILL "$E2E_PID"
wait "$E2E_PID" 2>/dev/null
ls "$XDG_RUNTIME_DIR"/candlewatcher-*.lock >/dev/null 2>&1 || e2e_fail "no lock file left by the crash"
e2e_stop_tray
e2e_start_program
panel=$(e2e_wait_panel 10) || e2e_fail "without a tray the panel did not open"
# The program gives a tray host a few seconds to appear before it opens the windows itself.
e2e_wait_until 10 e2e_find_decorated '^Candlewatcher$' >/dev/null ||
    e2e_fail "without a tray the list window did not open"
e2e_check "instances after the restart" 1 "$(e2e_instance_count)"
e2e_screenshot no-tray

# Ending the session (SIGTERM) ends the program cleanly: status 0 and no lock left behind.
kill -TERM "$E2E_PID"
if e2e_wait_until 5 eval '! e2e_running'; then
    wait "$E2E_PID"
    e2e_check "exit status after SIGTERM" 0 "$?"
else
    e2e_fail "SIGTERM did not end the program"
    e2e_screenshot after-sigterm
fi
ls "$XDG_RUNTIME_DIR"/candlewatcher-*.lock >/dev/null 2>&1 && e2e_fail "SIGTERM left the lock file"

e2e_finish
