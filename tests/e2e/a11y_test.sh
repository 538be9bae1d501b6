# The windows as a screen reader finds them: the real program on its own Xvfb and its own session bus, with
# the accessibility bus that at-spi-bus-launcher runs, read over AT-SPI (a11y_tree.py). The list window
# (opened by a second start), its buttons and the names in its list, the add dialog's frame, captions, fields
# and buttons (opened with its button's mnemonic) and the panel with its rows and their description must all
# be there, named in the program's language, LANGUAGE (default en). The names are the English ones put
# through that language's catalogue in CATALOGUES (the build's app/locale); a language whose catalogue lacks
# one of them fails before the program starts.
#     bash tests/e2e/a11y_test.sh <candlewatcher executable> <artifact directory> [LANGUAGE CATALOGUES]
tree="$(dirname "$0")/a11y_tree.py"
# Debian's own python, which python3-gi serves, whatever python3 comes first on the PATH.
python=/usr/bin/python3
language=${3:-en} catalogues=${4:-}
"$python" "$tree" "$language" "$catalogues" texts || exit

source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
e2e_use_language "$language"
e2e_start_display
e2e_start_tray
e2e_start_session_bus
e2e_start_accessibility

# Ann Lee's birthday is today, Tom Baker's in three days.
data="$E2E_TMP/birthdays"
mkdir -p "$data"
E2E_DATA="$data/birthday.dat"
e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee" "$(e2e_date d 3)" "$(e2e_date m 3)" 1984 "Tom Baker"
annRow="Ann Lee ($(($(e2e_date y) - 1990)))"
tomRow="Tom Baker ($(($(e2e_date y 3) - 1984)) - $(e2e_date d 3)\\$(e2e_date m 3))"

# No desktop notices: no notification service runs.
mkdir -p "$XDG_CONFIG_HOME/Candlewatcher"
printf '[Notifications]\nEnabled=0\n' >"$XDG_CONFIG_HOME/Candlewatcher/Candlewatcher.ini"

e2e_install_program
"$E2E_PROGRAM" --data-dir "$data" >>"$E2E_TMP/program.log" 2>&1 &
E2E_PID=$!
E2E_PIDS+=("$E2E_PID")
e2e_wait_panel 20 >/dev/null || e2e_die "no panel for today's birthday"

# A second start opens the running program's windows, the panel staying with the list window.
timeout 10 "$E2E_PROGRAM" --data-dir "$data" >>"$E2E_TMP/program.log" 2>&1 || e2e_fail "the second start failed"
list=$(e2e_wait_until 10 e2e_find_decorated '^Candlewatcher$' && e2e_find_decorated '^Candlewatcher$' | head -1) ||
    e2e_die "the second start opened no list window"

check() {
    "$python" "$tree" "$language" "$catalogues" "$E2E_PID" "$@" || e2e_fail "the accessibility tree: $1"
}
check list "Ann Lee" "Tom Baker"
check panel "$annRow" "$tomRow"

# The add button's mnemonic in the program's language: the letter after its caption's "&".
[[ $("$python" "$tree" "$language" "$catalogues" text "&Add Birthday") =~ \&([^&]) ]] ||
    e2e_die "no mnemonic in the add button's caption"
e2e_key "$list" "alt+${BASH_REMATCH[1],,}"
check add
e2e_screenshot add-dialog
e2e_finish
