#!/usr/bin/env bash
# Start-up of candlewatcher beside the floor program, in the same run on the same private display:
# time from just before the spawn to the end of the panel's first paint, the CPU time used by then (less
# disturbed by other load than the wall time), and peak resident memory (VmHWM) shortly after it.
# Prints each start and the medians and ratios.
#
#     bench/startup/run.sh [BUILD_DIRECTORY] [STARTS]      (defaults: build, 15)
#
# The build directory needs the targets candlewatcher, startup_floor and startup_probe. The programs
# run under Xvfb (-noreset, so every start finds the server alike) with trayer as the tray host and no
# D-Bus session, the way the end-to-end tests run them; candlewatcher gets a birthday.dat with one
# birthday today, so its panel shows one row.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(readlink -f "${1:-$root/build}")
starts=${2:-15}
for target in app/candlewatcher bench/startup/startup_floor bench/startup/startup_probe; do
    [ -x "$build/$target" ] || { echo "missing $build/$target (cmake --build $build --target ${target##*/})" >&2; exit 2; }
done

source "$root/tests/e2e/lib.sh"
e2e_init "$build/app/candlewatcher" "$build/artifacts/bench"
E2E_NAME=startup
e2e_start_display
e2e_start_tray
e2e_write_birthdays "$(e2e_date d)" "$(e2e_date m)" 1990 "Ann Lee"
e2e_install_program
cp "$build/bench/startup/startup_floor" "$E2E_APP_DIR/floor"
probe="$build/bench/startup/startup_probe"

declare -A paint cpu memory
measure() { # NAME PROGRAM
    local line ms cpu_ms kb
    line=$("$probe" "$2") || e2e_die "$1 did not paint"
    read -r ms cpu_ms kb < <(sed -E 's/first_paint_ms=([0-9.]+) cpu_ms=([0-9.]+) vmhwm_kb=([0-9]+)/\1 \2 \3/' <<<"$line")
    paint[$1]+="$ms "
    cpu[$1]+="$cpu_ms "
    memory[$1]+="$kb "
    printf '%-14s %8.2f ms %8.2f ms CPU %8d kB\n' "$1" "$ms" "$cpu_ms" "$kb"
    sleep 0.3 # the tray host takes the old icon away
}

median() {
    tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# First starts warm the file cache and the font cache; they are not counted.
"$probe" "$E2E_APP_DIR/floor" >/dev/null && "$probe" "$E2E_PROGRAM" >/dev/null
sleep 0.3
# Alternating, so that anything else the machine does falls on both alike.
for ((i = 1; i <= starts; i++)); do
    measure floor "$E2E_APP_DIR/floor"
    measure candlewatcher "$E2E_PROGRAM"
done

echo
echo "medians over $starts starts   first paint   CPU to first paint   peak memory"
for name in floor candlewatcher; do
    printf '%-22s %9.2f ms %14.2f ms %11.0f kB\n' "$name" "$(median <<<"${paint[$name]}")" \
        "$(median <<<"${cpu[$name]}")" "$(median <<<"${memory[$name]}")"
done
awk -v a="$(median <<<"${paint[candlewatcher]}")" -v b="$(median <<<"${paint[floor]}")" \
    -v c="$(median <<<"${cpu[candlewatcher]}")" -v d="$(median <<<"${cpu[floor]}")" \
    -v e="$(median <<<"${memory[candlewatcher]}")" -v f="$(median <<<"${memory[floor]}")" \
    'BEGIN { printf "candlewatcher / floor  %9.2f x  %14.2f x  %12.2f x\n", a / b, c / d, e / f }'
echo "targets: first paint within 1.15 x the floor, peak memory within 1.10 x"
