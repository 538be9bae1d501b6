# The tray menu in trayer, and the panel under a real dark colour scheme: the program keeps its birthdays
# in the folder given with --data-dir, shows today's there in a panel whose text stays dark under qt6ct's
# "darker" scheme, and its tray menu, opened with the right button and used from the keyboard, quits it:
# exit status 0, and no window or tray icon left.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
command -v qt6ct >/dev/null || e2e_die "qt6ct is missing (scripts/install-deps.sh installs it)"

e2e_start_display
e2e_start_tray

# A dark scheme for real: qt6ct as the platform theme, with its "darker" colours.
scheme=/usr/share/qt6ct/colors/darker.conf
[ -f "$scheme" ] || e2e_die "no $scheme"
mkdir -p "$XDG_CONFIG_HOME/qt6ct"
printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\nstyle=Fusion\n' "$scheme" \
    >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf"
export QT_QPA_PLATFORMTHEME=qt6ct

# The birthdays lie in a folder of their own; nothing beside the program.
data="$E2E_TMP/elsewhere"
mkdir -p "$data"
printf '%s\r\n%s\r\n1990\r\nAnn Lee\r\n' "$(e2e_date d)" "$(e2e_date m)" >"$data/birthday.dat"
e2e_install_program
"$E2E_PROGRAM" --data-dir "$data" >>"$E2E_TMP/program.log" 2>&1 &
E2E_PID=$!
E2E_PIDS+=("$E2E_PID")

panel=$(e2e_wait_panel 20) || e2e_die "the panel did not appear for the birthday in --data-dir"
e2e_screenshot dark-panel "$panel"
# Inside the border lines the darkest pixel is the text's: dark on the light row, not the scheme's light text.
read -r _ _ w h < <(e2e_geometry "$panel")
darkest=$(convert "$E2E_ARTIFACTS/$E2E_NAME-dark-panel.png" -crop "$((w - 20))x$((h - 8))+14+3" +repage \
    -colorspace Gray -format '%[fx:int(255*minima)]' info:)
e2e_check_range "darkest grey of the panel's text (0-255)" 0 80 "$darkest"
[ -e "$E2E_APP_DIR/birthday.dat" ] && e2e_fail "a birthday.dat appeared beside the program"

# The list window follows the scheme: mostly dark.
icon=$(e2e_tray_icon 10) || e2e_die "no tray icon inside trayer"
e2e_double_click "$icon"
list=$(e2e_wait_until 10 e2e_find_decorated '^Candlewatcher$' && e2e_find_decorated '^Candlewatcher$' | head -1) ||
    e2e_die "the double click opened no list window"
e2e_screenshot dark-list-window "$list"
mean=$(convert "$E2E_ARTIFACTS/$E2E_NAME-dark-list-window.png" -colorspace Gray -format '%[fx:int(255*mean)]' info:)
e2e_check_range "mean grey of the list window under the dark scheme (0-255)" 0 110 "$mean"
e2e_double_click "$icon"
e2e_wait_until 10 eval '! e2e_find_decorated "^Candlewatcher\$" >/dev/null' || e2e_fail "the list window stayed"

# The right button opens the menu; Up wraps round to its last entry, "Quit Candlewatcher".
menuShown() {
    local window
    for window in $(e2e_windows --onlyvisible); do
        [ "$window" != "$panel" ] && e2e_top_level "$window" && [ "$window" != "$list" ] && return 0
    done
    return 1
}
e2e_click "$icon" 3
e2e_wait_until 10 menuShown || e2e_die "the right button opened no menu"
e2e_screenshot tray-menu
xdotool key --delay 100 Up Return
if e2e_wait_until 10 eval '! e2e_running'; then
    wait "$E2E_PID"
    e2e_check "exit status after Quit Candlewatcher" 0 "$?"
else
    e2e_fail "Quit Candlewatcher did not end the program"
fi
e2e_check "windows of the program left" "" "$(e2e_windows)"
e2e_finish
