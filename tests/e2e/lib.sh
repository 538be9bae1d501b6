# shellcheck shell=bash
# Shared helpers for the end-to-end tests: the real candlewatcher executable under its own Xvfb, with
# trayer as the tray host, driven by xdotool. Source it from a test script; ctest calls every test as
#     bash tests/e2e/<name>_test.sh <path of the candlewatcher executable> <artifact directory>
#
# Usage:
#     source "$(dirname "$0")/lib.sh"
#     e2e_init "$@"                      # temp dir, artifact dir, cleanup trap; needs $1 and $2 as above
#     e2e_start_display                  # Xvfb 1280x800 on the first free display from :90, exports DISPLAY
#     e2e_start_tray                     # trayer, returns once it owns the tray selection (e2e_stop_tray)
#     e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee"    # CR LF lines, 4 per record
#     e2e_start_program                  # copy of the program beside birthday.dat; sets E2E_PID
#     panel=$(e2e_wait_panel) || e2e_die "no panel"   # the frameless reminder panel, once on screen
#     read -r x y w h < <(e2e_geometry "$panel")
#     e2e_check "panel width" 197 "$w"   # records a failure, the test goes on
#     e2e_double_click "$(e2e_tray_icon)"
#     list=$(e2e_wait_until 5 e2e_find_decorated '^Candlewatcher$' && e2e_find_decorated '^Candlewatcher$')
#     e2e_type "$window" "text"; e2e_key "$window" Return    # keyboard input (window focused first)
#     e2e_screenshot panel "$panel"      # <artifacts>/<test>-panel.png (no window: the whole screen)
#     e2e_run_program 5; echo $?         # a second start in the foreground, its exit status
#     e2e_finish                         # exit status: 0 when no check failed
#
# Windows are told apart without titles where they can be: the panel is the program's only frameless
# top-level window (e2e_find_panel), the tray icon its only window inside trayer (e2e_find_tray_icon),
# the list window and the dialogs have decorations (e2e_find_decorated TITLE_REGEX). All top-level
# windows of the program carry WM_CLASS "candlewatcher" (e2e_windows).
#
# Everything started here is stopped by the exit trap. There is no session bus: DBUS_SESSION_BUS_ADDRESS
# names a socket that does not exist, since with the variable unset libdbus would launch a bus for the
# display (dbus-x11), on which a notification would start whatever notification service is installed.
# So Qt embeds its tray icon with XEmbed (a 22 x 22 window inside trayer) and never looks for a
# StatusNotifier host. A test that wants a bus starts its own and exports its address.
# The program gets its own XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR inside the temp dir, so
# no test touches the user's settings, and its single-instance lock and socket are the test's own.
#
# Variables after e2e_init / e2e_start_program:
#     E2E_NAME       test name (script name without _test.sh)
#     E2E_EXE        the built executable (argument 1)
#     E2E_ARTIFACTS  artifact directory (argument 2), created
#     E2E_TMP        temporary directory, removed at exit
#     E2E_APP_DIR    directory of the program copy: the program's data directory
#     E2E_DATA       "$E2E_APP_DIR/birthday.dat"
#     E2E_PROGRAM    the program copy
#     E2E_PID        process id of the last program started with e2e_start_program
#     E2E_START_NS   CLOCK_REALTIME nanoseconds just before that start (see e2e_elapsed_ms)
#     E2E_PROGRAM_ENV  NAME=VALUE words the program starts with, empty unless the test sets them

set -uo pipefail

E2E_SCREEN_WIDTH=1280
E2E_SCREEN_HEIGHT=800
E2E_FAILURES=0
E2E_PIDS=()
# NAME=VALUE settings for the program alone, not for the tools the test runs (a fake clock, say).
E2E_PROGRAM_ENV=()

e2e_log() {
    printf '[%s %s] %s\n' "${E2E_NAME:-e2e}" "$(date +%T.%3N)" "$*" >&2
}

# Stops the test at once (a precondition failed, nothing after it can be checked).
e2e_die() {
    e2e_log "FATAL: $*"
    exit 1
}

e2e_init() {
    [ $# -ge 2 ] || e2e_die "usage: $0 <candlewatcher executable> <artifact directory>"
    E2E_EXE=$(readlink -f "$1")
    [ -x "$E2E_EXE" ] || e2e_die "not an executable: $1"
    E2E_ARTIFACTS=$2
    mkdir -p "$E2E_ARTIFACTS" || e2e_die "cannot create $E2E_ARTIFACTS"
    E2E_ARTIFACTS=$(readlink -f "$E2E_ARTIFACTS")
    E2E_NAME=$(basename "$0" .sh)
    E2E_NAME=${E2E_NAME%_test}
    local tool
    for tool in Xvfb trayer xdotool xwininfo import; do
        command -v "$tool" >/dev/null || e2e_die "$tool is missing (scripts/install-deps.sh installs it)"
    done
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/candlewatcher-e2e.XXXXXX") || e2e_die "mktemp failed"
    E2E_APP_DIR="$E2E_TMP/app"
    E2E_DATA="$E2E_APP_DIR/birthday.dat"
    E2E_PROGRAM="$E2E_APP_DIR/candlewatcher"
    mkdir -p "$E2E_APP_DIR" "$E2E_TMP/config" "$E2E_TMP/data"
    mkdir -m 700 "$E2E_TMP/runtime"
    unset WAYLAND_DISPLAY SESSION_MANAGER
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-session-bus"
    export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_DATA_HOME="$E2E_TMP/data" XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb
    # No accessibility bridge or input method: both would look for a session bus.
    export QT_ACCESSIBILITY=0 QT_IM_MODULE=
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
}

# Stops what the test started, newest first, and keeps the program's log as an artifact.
e2e_cleanup() {
    local i pid
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill "$pid" 2>/dev/null && { timeout 3 tail --pid="$pid" -f /dev/null || kill -9 "$pid" 2>/dev/null; }
    done
    [ -f "$E2E_TMP/program.log" ] && cp "$E2E_TMP/program.log" "$E2E_ARTIFACTS/$E2E_NAME-program.log"
    [ -n "${E2E_TMP:-}" ] && rm -rf "$E2E_TMP"
}

# Records a failed check; the test goes on so one run shows every fault.
e2e_fail() {
    e2e_log "FAIL: $*"
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

# e2e_check WHAT EXPECTED ACTUAL: string comparison.
e2e_check() {
    if [ "$2" == "$3" ]; then
        e2e_log "ok: $1 = $3"
    else
        e2e_fail "$1: expected '$2', got '$3'"
    fi
}

# e2e_check_range WHAT LOW HIGH ACTUAL: integer within [LOW, HIGH].
e2e_check_range() {
    if [[ "$4" =~ ^-?[0-9]+$ ]] && [ "$4" -ge "$2" ] && [ "$4" -le "$3" ]; then
        e2e_log "ok: $1 = $4 (within $2..$3)"
    else
        e2e_fail "$1: expected $2..$3, got '$4'"
    fi
}

e2e_finish() {
    if [ "$E2E_FAILURES" -eq 0 ]; then
        e2e_log "PASS"
        exit 0
    fi
    e2e_log "$E2E_FAILURES check(s) failed"
    exit 1
}

e2e_now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

# Milliseconds since the last e2e_start_program.
e2e_elapsed_ms() {
    echo $((($(date +%s%N) - E2E_START_NS) / 1000000))
}

# e2e_wait_until SECONDS COMMAND...: polls COMMAND every 50 ms until it succeeds; fails after SECONDS
# (fractions allowed).
e2e_wait_until() {
    local deadline=$(($(e2e_now_ms) + $(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }')))
    shift
    until "$@"; do
        [ "$(e2e_now_ms)" -ge "$deadline" ] && return 1
        sleep 0.05
    done
}

# Starts a session bus of the test's own and exports its address. It has no service directories: only
# what the test starts runs on it, so no notification service of the system's starts for a notice.
e2e_start_session_bus() {
    command -v dbus-daemon >/dev/null || e2e_die "dbus-daemon is missing (scripts/install-deps.sh installs it)"
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
}

# e2e_start_dunst DMENU: dunst as the notification service on the test's session bus, its context menu
# run by the program DMENU; notifications stay until the test closes them.
e2e_start_dunst() {
    command -v dunst >/dev/null && command -v dunstctl >/dev/null ||
        e2e_die "dunst is missing (scripts/install-deps.sh installs it)"
    printf '[global]\n    dmenu = %s\n' "$1" >"$E2E_TMP/dunstrc"
    printf '[%s]\n    timeout = 0\n' urgency_low urgency_normal urgency_critical >>"$E2E_TMP/dunstrc"
    dunst -config "$E2E_TMP/dunstrc" >"$E2E_TMP/dunst.log" 2>&1 &
    E2E_PIDS+=("$!")
    e2e_wait_until 10 eval 'dunstctl debug >/dev/null 2>&1' || e2e_die "dunst did not start"
}

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

e2e_displayed() {
    dunstctl count displayed
}

# Starts the accessibility bus on the session bus and lets the program speak AT-SPI on it. Qt looks for
# the bus only when org.a11y.Bus is on the session bus as the program starts.
e2e_start_accessibility() {
    export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_TMP/at-spi.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait_until 10 e2e_accessibility_bus_up || e2e_die "at-spi-bus-launcher did not take org.a11y.Bus"
}

e2e_accessibility_bus_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}

# e2e_use_language LANGUAGE: the program's language, whatever the environment says.
e2e_use_language() {
    unset LC_ALL LC_MESSAGES
    export LANGUAGE=$1 LANG=C.UTF-8
}

# Starts Xvfb on the first free display from :90 up and exports DISPLAY. -noreset keeps the server's
# state when the last client goes, so programs started one after another all find it the same.
e2e_start_display() {
    local n pid
    for ((n = 90; n < 190; n++)); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "${E2E_SCREEN_WIDTH}x${E2E_SCREEN_HEIGHT}x24" -noreset -nolisten tcp \
            >"$E2E_TMP/xvfb.log" 2>&1 &
        pid=$!
        # Another test may have taken the same number a moment ago: then this server dies at once.
        if e2e_wait_until 5 e2e_display_ready "$n" "$pid"; then
            E2E_PIDS+=("$pid")
            export DISPLAY=":$n"
            e2e_log "Xvfb on $DISPLAY"
            return 0
        fi
        kill "$pid" 2>/dev/null
    done
    e2e_die "no free X display from :90 to :189"
}

e2e_display_ready() {
    kill -0 "$2" 2>/dev/null && [ -S "/tmp/.X11-unix/X$1" ] && DISPLAY=":$1" xdotool getmouselocation >/dev/null 2>&1
}

# The window that owns the _NET_SYSTEM_TRAY_S0 selection (0 when none): what Qt asks before it calls
# the tray available. No X tool prints a selection owner, so Xlib is called through python's ctypes.
e2e_tray_owner() {
    python3 - <<'EOF' 2>/dev/null || echo 0
import ctypes
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
display = x.XOpenDisplay(None)
print(x.XGetSelectionOwner(display, x.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0)) if display else 0)
EOF
}

e2e_tray_ready() {
    if command -v python3 >/dev/null; then
        [ "$(e2e_tray_owner)" != 0 ]
    else
        xdotool search --onlyvisible --class trayer >/dev/null 2>&1
    fi
}

# Starts trayer at the top right as the tray host and waits until it owns the tray selection.
e2e_start_tray() {
    trayer --edge top --align right --widthtype request --height 24 >"$E2E_TMP/trayer.log" 2>&1 &
    E2E_TRAY_PID=$!
    E2E_PIDS+=("$E2E_TRAY_PID")
    e2e_wait_until 10 e2e_tray_ready || e2e_die "trayer did not become the tray host"
    command -v python3 >/dev/null || sleep 1.5 # without python only the panel's window was seen
    e2e_log "trayer is the tray host"
}

# Stops trayer and waits until no tray host is left.
e2e_stop_tray() {
    kill "$E2E_TRAY_PID" 2>/dev/null
    wait "$E2E_TRAY_PID" 2>/dev/null
    e2e_wait_until 5 eval '! e2e_tray_ready' || e2e_die "the tray selection outlived trayer"
    e2e_log "trayer stopped"
}

# e2e_date d|m|y [DAYS]: today's (or DAYS later's) day, month or year as plain decimal text.
e2e_date() {
    local format
    case "$1" in
    d) format=%-d ;;
    m) format=%-m ;;
    y) format=%Y ;;
    *) e2e_die "e2e_date: d, m or y" ;;
    esac
    date -d "${2:-0} days" "+$format"
}

# e2e_write_birthdays DAY MONTH YEAR NAME [DAY MONTH YEAR NAME ...]: writes birthday.dat, CR LF lines.
e2e_write_birthdays() {
    : >"$E2E_DATA"
    while [ $# -ge 4 ]; do
        printf '%s\r\n%s\r\n%s\r\n%s\r\n' "$1" "$2" "$3" "$4" >>"$E2E_DATA"
        shift 4
    done
}

# Copies the executable, the modules it loads and its catalogues (locale/) from beside it into the app
# directory once; later calls reuse the copy.
e2e_install_program() {
    [ -x "$E2E_PROGRAM" ] && return
    local built
    built=$(dirname "$E2E_EXE")
    cp "$E2E_EXE" "$built"/libcandlewatcher_{tray,export,addressbook}.so "$E2E_APP_DIR/" || e2e_die "cannot copy $E2E_EXE"
    [ ! -d "$built/locale" ] || cp -R "$built/locale" "$E2E_APP_DIR/" || e2e_die "cannot copy $built/locale"
}

# Starts the program copy in the background (its output goes to the program log); sets E2E_PID.
e2e_start_program() {
    e2e_install_program
    E2E_START_NS=$(date +%s%N)
    env "${E2E_PROGRAM_ENV[@]}" "$E2E_PROGRAM" >>"$E2E_TMP/program.log" 2>&1 &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
    e2e_log "started candlewatcher, pid $E2E_PID"
}

# e2e_run_program SECONDS: runs another start in the foreground and returns its exit status (124 when it
# was still running after SECONDS and had to be killed).
e2e_run_program() {
    e2e_install_program
    timeout --kill-after=2 "$1" env "${E2E_PROGRAM_ENV[@]}" "$E2E_PROGRAM" >>"$E2E_TMP/program.log" 2>&1
}

# Number of running candlewatcher processes started from this test's copy.
e2e_instance_count() {
    pgrep -c -f -x "$E2E_PROGRAM" || true
}

e2e_running() {
    kill -0 "${1:-$E2E_PID}" 2>/dev/null
}

# e2e_windows [--onlyvisible]: ids of the program's top-level windows (WM_CLASS "candlewatcher").
e2e_windows() {
    xdotool search "$@" --classname '^candlewatcher$' 2>/dev/null
}

# e2e_geometry WINDOW: "x y width height", x and y relative to the root window.
e2e_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { if (w != "") print x, y, w, h; else exit 1 }'
}

e2e_name() {
    xdotool getwindowname "$1" 2>/dev/null
}

# Whether WINDOW is mapped and all its ancestors are (the X11 "viewable" state).
e2e_visible() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

e2e_hidden() {
    ! e2e_visible "$1"
}

# e2e_find_window NAME_REGEX: the first visible window of the program whose title matches.
e2e_find_window() {
    local window
    for window in $(e2e_windows --onlyvisible); do
        if [[ "$(e2e_name "$window")" =~ $1 ]]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# e2e_wait_window NAME_REGEX [SECONDS]: waits for a visible window of the program with that title and
# prints its id.
e2e_wait_window() {
    e2e_wait_until "${2:-10}" e2e_find_window "$1" >/dev/null || return 1
    e2e_find_window "$1"
}

# Whether WINDOW is a direct child of the root window, as top-level windows are without a window manager.
e2e_top_level() {
    local parent
    parent=$(xwininfo -children -id "$1" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
    [ -n "$parent" ] && [ $((parent)) -eq $(($(xwininfo -root | awk '/Window id:/ { print $4 }'))) ]
}

# Whether WINDOW asks for no decorations (Qt::FramelessWindowHint): _MOTIF_WM_HINTS with the
# decorations flag (2) set and the decorations field 0.
e2e_frameless() {
    local hints
    hints=$(xprop -id "$1" _MOTIF_WM_HINTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
    [ -n "$hints" ] || return 1
    IFS=, read -r flags _ decorations _ <<<"$hints"
    [ $((flags & 2)) -ne 0 ] && [ $((decorations)) -eq 0 ]
}

# The reminder panel: the program's visible top-level window without decorations (the list window and
# the dialogs have a border, the tray icon lives inside trayer).
e2e_find_panel() {
    local window
    for window in $(e2e_windows --onlyvisible); do
        if e2e_top_level "$window" && e2e_frameless "$window"; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# e2e_wait_panel [SECONDS]: waits for the panel to be on screen and prints its window id.
e2e_wait_panel() {
    e2e_wait_until "${1:-10}" e2e_find_panel >/dev/null || return 1
    e2e_find_panel
}

# e2e_find_decorated [NAME_REGEX]: the program's visible top-level windows with decorations whose title
# matches (the list window, the dialogs), one id a line.
e2e_find_decorated() {
    local window found=1
    for window in $(e2e_windows --onlyvisible); do
        if e2e_top_level "$window" && ! e2e_frameless "$window" && [[ "$(e2e_name "$window")" =~ ${1:-} ]]; then
            echo "$window"
            found=0
        fi
    done
    return $found
}

# The tray icon: the program's visible window that trayer has embedded, so not a child of the root.
e2e_find_tray_icon() {
    local window
    for window in $(e2e_windows --onlyvisible); do
        if ! e2e_top_level "$window"; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# e2e_tray_icon [SECONDS]: waits for the tray icon and prints its window id.
e2e_tray_icon() {
    e2e_wait_until "${1:-10}" e2e_find_tray_icon >/dev/null || return 1
    e2e_find_tray_icon
}

# e2e_click WINDOW [BUTTON] [COUNT]: moves the pointer to the middle of WINDOW and clicks.
e2e_click() {
    local x y w h
    read -r x y w h < <(e2e_geometry "$1") || return 1
    # No --sync: xdotool's sync waits about 15 s when the pointer is already there.
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) sleep 0.1 click --repeat "${3:-1}" --delay 80 "${2:-1}"
}

e2e_double_click() {
    e2e_click "$1" 1 2
}

# e2e_type WINDOW TEXT / e2e_key WINDOW KEY...: keyboard input to a window (focused first).
e2e_type() {
    xdotool windowfocus --sync "$1" type --delay 30 "$2"
}

e2e_key() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window" key --delay 50 "$@"
}

# e2e_screenshot NAME [WINDOW]: <artifacts>/<test>-NAME.png of WINDOW, or of the whole screen.
e2e_screenshot() {
    local file="$E2E_ARTIFACTS/$E2E_NAME-$1.png"
    if [ -n "${2:-}" ]; then
        local x y w h
        read -r x y w h < <(e2e_geometry "$2") || return 1
        import -silent -window root -crop "${w}x${h}+${x}+${y}" +repage "$file"
    else
        import -silent -window root "$file"
    fi && e2e_log "screenshot $file"
}
