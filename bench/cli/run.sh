#!/usr/bin/env bash
# candlewatcher --list --days 10 as a whole process on 100, 10,000 and 100,000 records, beside the floor
# (a program that only reads birthday.dat and splits its lines), all in one hyperfine run; then the export
# of 100,000 records to a file and to standard output.
#
#     bench/cli/run.sh [BUILD_DIRECTORY] [RUNS]      (defaults: build, 200)
#
# Needs the targets candlewatcher, cli_floor and cli_write_sample. No display, settings of its own; the
# day is fixed at 6 December 2026, as for the core benchmarks, so every run finds the same rows.
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

scratch=$(mktemp -d "${TMPDIR:-/tmp}/candlewatcher-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_CONFIG_HOME=$scratch/config

sizes=(100 10000 100000)
commands=()
for n in "${sizes[@]}"; do
    mkdir "$scratch/$n"
    "$build/bench/cli/cli_write_sample" "$scratch/$n" "$n"
    rows=$("$program" --list --days 10 --date 2026-12-06 --data-dir "$scratch/$n" | wc -l)
    echo "$n records: $(stat -c %s "$scratch/$n/birthday.dat") bytes, $rows rows listed"
    commands+=(-n "floor $n" "$floor $scratch/$n/birthday.dat"
               -n "list $n" "$program --list --days 10 --date 2026-12-06 --data-dir $scratch/$n")
done

hyperfine -N --warmup 10 --runs "$runs" --export-markdown "$scratch/list.md" "${commands[@]}"
cat "$scratch/list.md"

hyperfine -N --warmup 3 --runs $((runs / 10 + 5)) --export-markdown "$scratch/export.md" \
    -n "export 100000 to a file" "$program --export $scratch/out.ics --data-dir $scratch/100000" \
    -n "export 100000 to stdout" "$program --export - --data-dir $scratch/100000"
cat "$scratch/export.md"
