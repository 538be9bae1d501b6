#!/usr/bin/env bash
# The command line beside the running tray program: with the program in the tray on its own data directory,
# --list and --export from a shell without a display read the same birthday.dat, answer at once and leave
# the running program alone.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display
e2e_start_tray
e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee" \
    "$(e2e_date d 1)" "$(e2e_date m 1)" "" "Zoe Brandt"
e2e_start_program
e2e_wait_panel 10 >/dev/null || e2e_die "the panel did not appear"

# No display and no settings given: the program's own directory holds the file, the stored defaults look ahead.
listed=$(env -u DISPLAY timeout 10 "$E2E_PROGRAM" --list 2>>"$E2E_TMP/program.log")
e2e_check "--list exit status" 0 "$?"
e2e_check "--list rows" "Ann Lee ($(($(e2e_date y) - 1990)))|Zoe Brandt ($(e2e_date d 1)\\$(e2e_date m 1))" \
    "$(printf '%s' "$listed" | paste -sd '|')"

env -u DISPLAY timeout 10 "$E2E_PROGRAM" --export "$E2E_TMP/birthdays.ics" 2>>"$E2E_TMP/program.log"
e2e_check "--export exit status" 0 "$?"
e2e_check "events exported" 2 "$(grep -c '^BEGIN:VEVENT' "$E2E_TMP/birthdays.ics")"

e2e_check "instances after the command line" 1 "$(e2e_instance_count)"
e2e_running || e2e_fail "the running program ended"
e2e_finish
