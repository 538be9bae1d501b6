#!/usr/bin/env bash
# Changes from outside followed: while the program runs with no birthday due, another process renames a
# file with a birthday of today over birthday.dat, and later appends a second one in place. Each time the
# panel appears by itself, the second time with two rows.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_start_display
e2e_start_tray
e2e_write_birthdays "$(e2e_date d 100)" "$(e2e_date m 100)" 1990 "Ann Lee"

# watch_record NAME: a record of a birthday today, CR LF lines.
watch_record() {
    printf '%s\r\n%s\r\n%s\r\n%s\r\n' "$(e2e_date d)" "$(e2e_date m)" 1990 "$1"
}

e2e_start_program
e2e_tray_icon 10 >/dev/null || e2e_die "no tray icon: the program did not start"
e2e_find_panel >/dev/null && e2e_fail "the panel showed with no birthday due"

# A sync tool's way: a whole new file renamed over the old one.
watch_record "Bo Day" >"$E2E_APP_DIR/.birthday.dat.part"
mv "$E2E_APP_DIR/.birthday.dat.part" "$E2E_DATA"
panel=$(e2e_wait_panel 10) || e2e_die "the panel did not follow a file renamed over birthday.dat"
read -r _ _ _ height < <(e2e_geometry "$panel")
e2e_check "panel height after the rename (one row)" 23 "$height"
e2e_wait_until 30 e2e_hidden "$panel" || e2e_die "the panel did not hide itself"

# An editor's or a shell's way: appended in place.
watch_record "Cy Day" >>"$E2E_DATA"
e2e_wait_until 10 e2e_visible "$panel" || e2e_fail "the panel did not follow an append in place"
read -r _ _ _ height < <(e2e_geometry "$panel")
e2e_check "panel height after the append (two rows)" 39 "$height"
e2e_screenshot panel "$panel"

e2e_finish
