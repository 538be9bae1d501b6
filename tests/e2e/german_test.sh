#!/usr/bin/env bash
# The program in German (LANGUAGE=de), each text expected being the English one put through the compiled
# German catalogue, which must translate it to something else: the help of a start with --help; the notice
# of today's birthday as dunst shows it, with its "Remind Me Later" action; the tray menu, opened in trayer
# with the right button, and the add dialog picked from it, both read over AT-SPI (a11y_tree.py).
#     bash tests/e2e/german_test.sh <candlewatcher executable> <artifact directory> <catalogues (app/locale)>
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
catalogues=${3:?the folder of the compiled catalogues}
e2e_use_language de
german() {
    /usr/bin/python3 "$(dirname "$0")/a11y_tree.py" --differ de "$catalogues" "$@"
}
notice=$(german text "Birthday today" "Remind Me Later")
noticeTranslated=$?
german texts menu add && [ "$noticeTranslated" -eq 0 ] || e2e_die "the German catalogue lacks texts this test reads"
{ read -r summary && read -r later; } <<<"$notice"

e2e_install_program
"$E2E_PROGRAM" --help >"$E2E_TMP/help.txt" 2>&1 || e2e_fail "--help failed"
if grep -q Geburtstag "$E2E_TMP/help.txt"; then
    e2e_log "ok: the help speaks of Geburtstag"
else
    e2e_fail "no 'Geburtstag' in the help: $(head -n 2 "$E2E_TMP/help.txt")"
fi

e2e_start_display
e2e_start_tray
e2e_start_session_bus
e2e_start_accessibility
# dunst's context menu runs this in place of dmenu: it keeps the menu's lines and picks nothing.
printf '#!/bin/sh\ncat >"%s"\n' "$E2E_TMP/menu.txt" >"$E2E_TMP/keep.sh"
chmod +x "$E2E_TMP/keep.sh"
e2e_start_dunst "$E2E_TMP/keep.sh"

# Ann Lee's birthday is today, and the notice of the day may come at any hour.
e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee"
mkdir -p "$XDG_CONFIG_HOME/Candlewatcher"
printf '[Notifications]\nEnabled=1\nNotBefore=00:00\n' >"$XDG_CONFIG_HOME/Candlewatcher/Candlewatcher.ini"
e2e_start_program
e2e_wait_until 20 eval '[ "$(e2e_displayed)" -ge 1 ]' || e2e_die "no notice of today's birthday"
dunstctl context
e2e_wait_until 5 test -s "$E2E_TMP/menu.txt" || e2e_fail "dunst showed no context menu"
e2e_check "the notice's later action" "#$later ($summary)" "$(grep -o -F "#$later ($summary)" "$E2E_TMP/menu.txt")"
e2e_wait_until 5 e2e_notifications_reach 1 || e2e_fail "the notice did not close"
e2e_check "the notice's summary" "Candlewatcher|$summary" "$(e2e_history | cut -d '|' -f 1,2)"

# The menu in trayer and the add dialog from its entry.
icon=$(e2e_tray_icon 10) || e2e_die "no tray icon inside trayer"
topLevels() {
    for window in $(e2e_windows --onlyvisible); do e2e_top_level "$window" && echo "$window"; done
}
before=$(topLevels | wc -l)
e2e_click "$icon" 3
e2e_wait_until 10 eval '[ "$(topLevels | wc -l)" -gt "$before" ]' || e2e_fail "the right button opened no menu"
e2e_screenshot tray-menu
german "$E2E_PID" menu "&Add Birthday..." || e2e_fail "the tray menu in German"
german "$E2E_PID" add || e2e_fail "the add dialog in German"
e2e_screenshot add-dialog
e2e_finish
