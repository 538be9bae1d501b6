# Managing birthdays through the real windows: open the list window from the tray icon, add a birthday that
# falls today by typing into the add dialog, watch the panel show it, rename it in the edit dialog, delete
# it, close the list window and quit. After every step birthday.dat must hold exactly what that step wrote;
# the record already in the file, with its single-byte name, must come through every rewrite byte for byte.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

LIST_WIDTH=404   # the list window's client area, 6060 twips
DIALOG_WIDTH=177 # the add and edit dialogs, 2655 twips

# manage_find_window WIDTH: the program's decorated window of that width titled "Candlewatcher".
manage_find_window() {
    local window x y w h
    for window in $(e2e_find_decorated '^Candlewatcher$'); do
        read -r x y w h < <(e2e_geometry "$window") || continue
        if [ "$w" -eq "$1" ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

manage_wait_window() {
    e2e_wait_until 10 manage_find_window "$1" >/dev/null || return 1
    manage_find_window "$1"
}

# manage_wait_gone WINDOW: waits until WINDOW is no longer on screen.
manage_wait_gone() {
    e2e_wait_until 10 e2e_hidden "$1"
}

# Asks WINDOW to close as a window manager's close box does (WM_DELETE_WINDOW); there is no window
# manager under this Xvfb.
manage_close_window() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]
display = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = Event()
event.client.type = 33  # ClientMessage
event.client.display = display
event.client.window = window
event.client.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.client.format = 32
event.client.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.client.data[1] = 0  # CurrentTime
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush.argtypes = [ctypes.c_void_p]
x.XFlush(display)
PY
}

# The bytes of birthday.dat as hex, so a check shows exactly what differs.
manage_file_hex() {
    od -An -tx1 -v "$E2E_DATA" | tr -d ' \n'
}

# manage_expect_file WHAT FILE: birthday.dat must equal FILE byte for byte.
manage_expect_file() {
    e2e_check "$1" "$(od -An -tx1 -v "$2" | tr -d ' \n')" "$(manage_file_hex)"
}

# manage_panel_height: the reminder panel's height, 0 while it is not on screen.
manage_panel_height() {
    local panel x y w h
    panel=$(e2e_find_panel) || { echo 0; return; }
    read -r x y w h < <(e2e_geometry "$panel") && echo "$h" || echo 0
}

manage_panel_taller_than() {
    [ "$(manage_panel_height)" -gt "$1" ]
}

manage_panel_not_taller_than() {
    [ "$(manage_panel_height)" -le "$1" ]
}

# manage_click_item LIST ROW: clicks the row-th line (from 0) of the list box.
manage_click_item() {
    # The list lies at (12, 20) in the window; a line is about 17 pixels high.
    xdotool mousemove --window "$1" 60 $((20 + 10 + 17 * $2)) click 1
}

e2e_start_display
e2e_start_tray

day=$(e2e_date d)
month=$(e2e_date m)
year=1990
age=$(($(e2e_date y) - year))
far=$(e2e_date d 100)
farMonth=$(e2e_date m 100)

# One record far from today, its name in Windows-1252 ("Zoë Brandt").
printf '%s\r\n%s\r\n1970\r\nZo\xeb Brandt\r\n' "$far" "$farMonth" >"$E2E_DATA"
cp "$E2E_DATA" "$E2E_TMP/initial.dat"
cp "$E2E_DATA" "$E2E_TMP/added.dat"
printf '%s\r\n%s\r\n%s\r\nAnn Lee\r\n' "$day" "$month" "$year" >>"$E2E_TMP/added.dat"
cp "$E2E_DATA" "$E2E_TMP/renamed.dat"
printf '%s\r\n%s\r\n%s\r\nAnn Smith\r\n' "$day" "$month" "$year" >>"$E2E_TMP/renamed.dat"

e2e_start_program
icon=$(e2e_tray_icon) || e2e_die "no tray icon"
e2e_double_click "$icon"
list=$(manage_wait_window $LIST_WIDTH) || e2e_die "the double click opened no list window"
# The baseline: the program hid the panel (nothing soon) before it showed the list window, and the X server
# takes one client's requests in order, so with the list window on screen the panel's state is settled.
heightBefore=$(manage_panel_height)
e2e_log "panel height before the add: $heightBefore"

# Add, from the keyboard: Alt+A opens the dialog with the focus in the day box.
e2e_key "$list" alt+a
add=$(manage_wait_window $DIALOG_WIDTH) || e2e_die "Alt+A opened no add dialog"
e2e_type "$add" "$day"
e2e_key "$add" Tab
e2e_type "$add" "$month"
e2e_key "$add" Tab
e2e_type "$add" "$year"
e2e_key "$add" Tab
e2e_type "$add" "Ann Lee"
sleep 0.3
e2e_screenshot add-dialog "$add"
e2e_key "$add" Return
manage_wait_gone "$add" || e2e_fail "the add dialog stayed open after OK"
e2e_wait_until 5 cmp -s "$E2E_DATA" "$E2E_TMP/added.dat"
manage_expect_file "birthday.dat after the add" "$E2E_TMP/added.dat"
e2e_wait_until 5 manage_panel_taller_than "$heightBefore" ||
    e2e_fail "the panel did not grow for today's birthday (height $(manage_panel_height), before $heightBefore)"
e2e_screenshot panel "$(e2e_find_panel)"

# Rename: click the new item (sorted first), Alt+E, Tab to the name box, type the new name.
manage_click_item "$list" 0
sleep 0.3
e2e_screenshot list-window "$list"
e2e_key "$list" alt+e
edit=$(manage_wait_window $DIALOG_WIDTH) || e2e_die "Alt+E opened no edit dialog"
e2e_key "$edit" Tab Tab Tab
e2e_type "$edit" "Ann Smith"
sleep 0.3
e2e_screenshot edit-dialog "$edit"
e2e_key "$edit" Return
manage_wait_gone "$edit" || e2e_fail "the edit dialog stayed open after OK"
e2e_wait_until 5 cmp -s "$E2E_DATA" "$E2E_TMP/renamed.dat"
manage_expect_file "birthday.dat after the rename" "$E2E_TMP/renamed.dat"

# Delete: the rename left the old name as the chosen one, so the item is clicked afresh first.
manage_click_item "$list" 0
e2e_key "$list" alt+d
e2e_wait_until 5 cmp -s "$E2E_DATA" "$E2E_TMP/initial.dat"
manage_expect_file "birthday.dat after the delete" "$E2E_TMP/initial.dat"
e2e_wait_until 5 manage_panel_not_taller_than "$heightBefore" ||
    e2e_fail "the panel still shows the deleted birthday (height $(manage_panel_height))"

# Close the list window and answer No: the program ends and takes its tray icon along.
manage_close_window "$list"
question=""
findQuestion() {
    local window
    for window in $(e2e_find_decorated '^Candlewatcher$'); do
        [ "$window" != "$list" ] && question=$window && return 0
    done
    return 1
}
e2e_wait_until 10 findQuestion || e2e_die "closing the list window asked nothing"
sleep 0.3
e2e_screenshot quit-question "$question"
e2e_key "$question" alt+n
e2e_wait_until 10 bash -c "! kill -0 $E2E_PID 2>/dev/null" || e2e_fail "the program still runs after No"
wait "$E2E_PID" 2>/dev/null
e2e_check "exit status after No" 0 "$?"
manage_expect_file "birthday.dat at the end" "$E2E_TMP/initial.dat"
e2e_finish
