#!/usr/bin/env bash
# candlewatcher --list --days 10 as a whole process on 100, 10,000 and 100,000 records, beside the floor
# (a program that only reads birthday.dat and splits its lines) and three reminder programs of Debian
# given the same birthdays in their own formats, all in one hyperfine run; then the export of 100,000
# records to a file and to standard output.
#
#     bench/cli/run.sh [BUILD_DIRECTORY] [RUNS]      (defaults: build, 200)
#
# Needs the targets candlewatcher, cli_floor and cli_write_sample, and the peers birthday, remind and
# calendar (Debian packages of those names) with faketime. No display, settings of its own; the day is
# fixed at 6 December 2026, as for the core benchmarks, so every run finds the same rows: by the peers'
# own options where they have one (remind, calendar), by faketime for birthday, which has none.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(readlink -f "${1:-$root/build}")
runs=${2:-200}
program=$build/app/candlewatcher
floor=$build/bench/cli/cli_floor
for file in "$program" "$floor" "$build/bench/cli/cli_write_sample"; do
    [ -x "$file" ] || { echo "missing $file (cmake --build $build --target ${file##*/})" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
for peer in birthday remind calendar faketime; do
    command -v $peer >/dev/null || { echo "$peer is missing (apt-get install birthday remind calendar faketime)" >&2; exit 2; }
done

# The records of birthday.dat (day, month, year, name; CR LF) in each peer's format, 10 days ahead.
write_peer_files() {
    tr -d '\r' <"$1/birthday.dat" | awk -v dir="$1" '
        BEGIN { split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", months, " ") }
        NR % 4 == 1 { d = $0 } NR % 4 == 2 { m = $0 } NR % 4 == 3 { y = $0 }
        NR % 4 == 0 {
            printf "%s=%02d/%02d/%04d\n", $0, d, m, y > (dir "/birthdays")
            printf "REM %d %s MSG %s\n", d, months[m + 0], $0 > (dir "/reminders")
            printf "%02d/%02d\t%s\n", m, d, $0 > (dir "/calendar")
        }'
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/candlewatcher-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_CONFIG_HOME=$scratch/config

sizes=(100 10000 100000)
commands=()
for n in "${sizes[@]}"; do
    mkdir "$scratch/$n"
    "$build/bench/cli/cli_write_sample" "$scratch/$n" "$n"
    write_peer_files "$scratch/$n"
    rows=$("$program" --list --days 10 --date 2026-12-06 --data-dir "$scratch/$n" | wc -l)
    echo "$n records: $(stat -c %s "$scratch/$n/birthday.dat") bytes, $rows rows listed;" \
        "birthday $(faketime '2026-12-06 12:00:00' birthday -f "$scratch/$n/birthdays" -W 10 | wc -l)," \
        "remind $(remind -q -t10 "$scratch/$n/reminders" 2026-12-06 | grep -c .)," \
        "calendar $(calendar -f "$scratch/$n/calendar" -t 20261206 -A 10 | wc -l) lines"
    commands+=(-n "floor $n" "$floor $scratch/$n/birthday.dat"
               -n "list $n" "$program --list --days 10 --date 2026-12-06 --data-dir $scratch/$n"
               -n "birthday $n" "faketime '2026-12-06 12:00:00' birthday -f $scratch/$n/birthdays -W 10"
               -n "remind $n" "remind -q -t10 $scratch/$n/reminders 2026-12-06"
               -n "calendar $n" "calendar -f $scratch/$n/calendar -t 20261206 -A 10")
done

hyperfine -N --warmup 10 --runs "$runs" --export-markdown "$scratch/list.md" "${commands[@]}"
cat "$scratch/list.md"

hyperfine -N --warmup 3 --runs $((runs / 10 + 5)) --export-markdown "$scratch/export.md" \
    -n "export 100000 to a file" "$program --export $scratch/out.ics --data-dir $scratch/100000" \
    -n "export 100000 to stdout" "$program --export - --data-dir $scratch/100000"
cat "$scratch/export.md"
