#!/bin/bash
# Runs every benchmark and prints one "name value unit" figure per line, then each target and
# whether it is met.
#
#   bench/run.sh [BUILD_DIR]        (default: build-bench beside this folder's parent)
#
# Environment: FIRST_WINDOW_ROUNDS (default 41) quick runs of each program to its first window,
# ROUNDS (default 5) full start-up rounds, IDLE_SECONDS (default 10), ANSWER_ROUNDS (default 5,
# 19 answers each). Per-run figures go to $BENCH_LOG (default: a file in the build dir).
# BASELINE=path/to/an/older/cifrovex also measures that build's idle figures in the same rounds,
# for a before-and-after on one machine at one time.
#
# The start-up figures come from runs of the bare program, the cifrovex executable and
# bench_startup (the same start-up with a clock around the designed pause), interleaved round by
# round under one private Xvfb without a window manager; medians over the rounds are reported.
# See docs/DEVELOPING.md, "Benchmarks", for what each figure measures.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build-bench}" && pwd)
first_rounds=${FIRST_WINDOW_ROUNDS:-41}
rounds=${ROUNDS:-5}
idle=${IDLE_SECONDS:-10}
answer_rounds=${ANSWER_ROUNDS:-5}
log=${BENCH_LOG:-$build/bench-run.log}
baseline=${BASELINE:-}

program=$build/cifrovex
bare=$build/bench/app/bench_bare_window
timed=$build/bench/app/bench_startup
timer=$build/bench/app/window_timer
answer=$build/bench/app/bench_answer
bank=$build/bench/bench_bank
editor_bench=$build/bench/bench_editor
bank_save=$build/bench/bench_bank_save
for file in "$program" "$bare" "$timed" "$timer" "$answer" "$bank" "$bank_save" "$build/data.cvx"; do
    if [ ! -e "$file" ]; then
        echo "run.sh: $file is missing; build first:" >&2
        echo "  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build build-bench -j2" >&2
        exit 2
    fi
done
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is not installed" >&2; exit 2; }
done

work=$(mktemp -d)
# The runtime folders on tmpfs, where a desktop session keeps XDG_RUNTIME_DIR (/run/user/UID):
# the program's single-instance lock file is synced to its disk.
runtimes=$(mktemp -d "$([ -d /dev/shm ] && echo /dev/shm || echo "$work")/cifrovex-bench.XXXXXX")
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work" "$runtimes"
}
trap cleanup EXIT

# A private X server on a free display, no window manager: window_timer sees the programs' own
# top-level windows as children of the root window.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "run.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
display=:$(head -n1 "$work/display")

mkdir -p "$work/home" "$work/data"
cp "$build/data.cvx" "$work/data/"

# Every run gets the same small environment and its own runtime folder: the program allows one
# copy per runtime folder, and no session bus (none is wanted, and none may be started for us).
run() {
    local runtime
    runtime=$(mktemp -d "$runtimes/runtime.XXXXXX")
    chmod 700 "$runtime"
    (cd "$work/data" && env -i PATH="$PATH" HOME="$work/home" LANG=C.UTF-8 DISPLAY="$display" \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
        "$@")
}

main_title='Цифроведческийзачёт'
level_title='Уровень сложности'

bare_first() { run "$timer" --settle 0 --until Bare -- "$bare"; }
program_first() { run "$timer" --settle 0 --until Cifrovex -- "$program"; }
bare_run() { run "$timer" --until Bare --idle "$1" -- "$bare"; }
program_run() { run "$timer" --press "$level_title" --until "$main_title" --idle "$1" -- "$program"; }
baseline_run() { run "$timer" --press "$level_title" --until "$main_title" --idle "$1" -- "$baseline"; }
timed_run() { run "$timer" --press "$level_title" --until "$main_title" -- "$timed"; }

# value NAME < output: the figure's value
value() { awk -v n="$1" '$1 == n { print $2; exit }'; }
window_at() { awk -v t="$1" '$1 == "window_ms" { title = $0; sub(/^window_ms [^ ]+ ms /, "", title); if (title == t) { print $2; exit } }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$log"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# A warm-up round, not counted: page cache, font cache in the private home.
bare_run 0 >/dev/null
program_run 0 >/dev/null

# The first window: many short runs, as a single one is at the mercy of the machine's other work.
for round in $(seq "$first_rounds"); do
    if [ $((round % 2)) -eq 1 ]; then order="bare program"; else order="program bare"; fi
    for which in $order; do
        case $which in
        bare) out=$(bare_first) ;;
        program) out=$(program_first) ;;
        esac
        printf '%s\n' "$out" | grep '^first_window' | sed "s/^/first $round $which: /" >>"$log"
        for name in first_window_ms first_window_cpu_ms first_window_runqueue_ms; do
            echo "$out" | value $name >>"$work/$which.$name"
        done
        awk '$1 == "first_window_ms" { w = $2 } $1 == "first_window_runqueue_ms" { print w - $2 }' \
            <<<"$out" >>"$work/$which.first_window_unqueued_ms"
    done
done

# Whole start-ups to the main window, then its memory and idle CPU.
for round in $(seq "$rounds"); do
    # Alternate which program goes first, so that a slow spell on the machine is shared out.
    if [ $((round % 2)) -eq 1 ]; then order="bare program timed"; else order="timed program bare"; fi
    [ -n "$baseline" ] && order="$order baseline"
    for which in $order; do
        case $which in
        bare) out=$(bare_run "$idle") ;;
        program) out=$(program_run "$idle") ;;
        timed) out=$(timed_run) ;;
        baseline) out=$(baseline_run "$idle") ;;
        esac
        printf '%s\n' "$out" | sed "s/^/round $round $which: /" >>"$log"
        case $which in
        bare)
            echo "$out" | value first_window_ms >>"$work/bare_window"
            echo "$out" | value peak_rss_kb >>"$work/bare_rss"
            echo "$out" | value idle_cpu_percent >>"$work/bare_idle"
            echo "$out" | value idle_wakeups_per_s >>"$work/bare_wakeups"
            echo "$out" | value idle_voluntary_wakeups_per_s >>"$work/bare_voluntary"
            ;;
        program)
            echo "$out" | value peak_rss_kb >>"$work/rss"
            echo "$out" | value idle_cpu_percent >>"$work/idle"
            echo "$out" | value idle_wakeups_per_s >>"$work/wakeups"
            echo "$out" | value idle_voluntary_wakeups_per_s >>"$work/voluntary"
            ;;
        baseline)
            echo "$out" | value idle_cpu_percent >>"$work/baseline_idle"
            echo "$out" | value idle_wakeups_per_s >>"$work/baseline_wakeups"
            echo "$out" | value idle_voluntary_wakeups_per_s >>"$work/baseline_voluntary"
            ;;
        timed)
            level=$(echo "$out" | window_at "$level_title")
            pause=$(echo "$out" | value startup_pause_ms)
            begin=$(echo "$out" | value pause_begin_ms)
            splash=$(echo "$out" | value first_window_ms)
            echo "$level" >>"$work/level"
            echo "$pause" >>"$work/pause"
            awk -v l="$level" -v p="$pause" 'BEGIN { print l - p }' >>"$work/level_net"
            awk -v b="$begin" -v s="$splash" 'BEGIN { print b - s }' >>"$work/splash_to_pause"
            awk -v l="$level" -v b="$begin" -v p="$pause" 'BEGIN { print l - b - p }' >>"$work/pause_to_level"
            ;;
        esac
    done
done

answer_out=$(run "$answer" "$answer_rounds")
printf '%s\n' "$answer_out" | sed 's/^/answer: /' >>"$log"
bank_out=$(cd "$work" && "$bank")
printf '%s\n' "$bank_out" | sed 's/^/bank: /' >>"$log"
bank_save_out=$(cd "$work" && "$bank_save")
printf '%s\n' "$bank_save_out" | sed 's/^/bank save: /' >>"$log"
# The bank editor on a 10 000-problem bank (when it is built): open, save, check, a key typed.
editor_out=
if [ -x "$editor_bench" ]; then
    editor_out=$(run "$editor_bench")
    printf '%s\n' "$editor_out" | sed 's/^/editor: /' >>"$log"
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

m() { median <"$work/$1"; }
bare_window=$(m bare.first_window_ms)
splash=$(m program.first_window_ms)
bare_main=$(m bare_window)
level_net=$(m level_net)
bare_rss=$(m bare_rss)
rss=$(m rss)
idle_cpu=$(m idle)

echo "machine_cpus $(nproc) cores"
echo "machine_cpu_model $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
echo "machine_load_before $load_before (1, 5, 15 min)"
echo "machine_load_after $load_after (1, 5, 15 min)"
echo "first_window_rounds $first_rounds runs of each program"
echo "bare_first_window_ms $bare_window ms"
echo "splash_first_window_ms $splash ms"
echo "bare_first_window_cpu_ms $(m bare.first_window_cpu_ms) ms"
echo "splash_first_window_cpu_ms $(m program.first_window_cpu_ms) ms"
echo "bare_first_window_runqueue_ms $(m bare.first_window_runqueue_ms) ms"
echo "splash_first_window_runqueue_ms $(m program.first_window_runqueue_ms) ms"
# Each run's time less the time it spent ready to run but waiting for a core: an estimate of
# what an otherwise idle machine would show.
bare_unqueued=$(m bare.first_window_unqueued_ms)
splash_unqueued=$(m program.first_window_unqueued_ms)
echo "bare_first_window_unqueued_ms $bare_unqueued ms"
echo "splash_first_window_unqueued_ms $splash_unqueued ms"
echo "splash_vs_bare_first_window_unqueued_ratio $(awk -v a="$splash_unqueued" -v b="$bare_unqueued" 'BEGIN { printf "%.3f", a / b }')"
echo "rounds $rounds runs of each program"
echo "bare_window_ms $bare_main ms"
echo "level_dialog_ms $(m level) ms"
echo "startup_pause_ms $(m pause) ms"
echo "level_dialog_minus_pause_ms $level_net ms"
echo "splash_to_pause_begin_ms $(m splash_to_pause) ms"
echo "pause_end_to_level_dialog_ms $(m pause_to_level) ms"
echo "bare_peak_rss_kb $bare_rss KiB"
echo "peak_rss_kb $rss KiB"
echo "bare_idle_cpu_percent $(m bare_idle) %"
echo "idle_cpu_percent $idle_cpu %"
echo "bare_idle_wakeups_per_s $(m bare_wakeups) /s"
echo "idle_wakeups_per_s $(m wakeups) /s"
echo "bare_idle_voluntary_wakeups_per_s $(m bare_voluntary) /s"
echo "idle_voluntary_wakeups_per_s $(m voluntary) /s"
if [ -n "$baseline" ]; then
    echo "baseline_program $baseline"
    echo "baseline_idle_cpu_percent $(m baseline_idle) %"
    echo "baseline_idle_wakeups_per_s $(m baseline_wakeups) /s"
    echo "baseline_idle_voluntary_wakeups_per_s $(m baseline_voluntary) /s"
fi
printf '%s\n' "$answer_out"
# bench_bank's sentences as figures: "bank 20 problems: open 0.1 ms (median of 51 more)" becomes
# "bank_20_open_ms 0.1 ms".
while IFS= read -r line; do
    if [[ $line =~ ^bank\ ([0-9]+)\ problems:\ (.*)\ ([0-9.]+|n/a)\ (ms|us|ns|KiB) ]]; then
        label=${BASH_REMATCH[2]// /_}
        echo "bank_${BASH_REMATCH[1]}_${label}_${BASH_REMATCH[4]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
    fi
done <<<"$bank_out"
printf '%s\n' "$bank_save_out" | grep '^bank_'
printf '%s\n' "$editor_out" | grep '^editor_' || true

# target NAME VALUE OP LIMIT: prints the verdict
target() {
    awk -v n="$1" -v v="$2" -v op="$3" -v l="$4" 'BEGIN {
        ok = (op == "<=") ? (v <= l) : (v < l)
        printf "target %s %.3f %s %s %s\n", n, v, op, l, ok ? "met" : "NOT met"
    }'
}
target splash_vs_bare_first_window_ratio "$(awk -v a="$splash" -v b="$bare_window" 'BEGIN { print a / b }')" '<=' 1.1
target level_dialog_minus_pause_beyond_bare_ms "$(awk -v a="$level_net" -v b="$bare_main" 'BEGIN { print a - b }')" '<' 150
target peak_rss_vs_bare_ratio "$(awk -v a="$rss" -v b="$bare_rss" 'BEGIN { print a / b }')" '<=' 1.3
target idle_cpu_percent "$idle_cpu" '<' 0.5
# The clock's 100 ms timer alone wakes the program 10 times a second.
target idle_wakeups_per_s "$(m wakeups)" '<=' 12
target answer_painted_median_ms "$(echo "$answer_out" | value answer_painted_median_ms)" '<' 16
target bank_save_one_changed_10000_ms "$(echo "$bank_save_out" | value bank_save_one_changed_10000_ms)" '<' 500
if [ -n "$editor_out" ]; then
    target editor_10000_open_window_ms "$(echo "$editor_out" | value editor_10000_open_window_ms)" '<' 300
    target editor_10000_save_ms "$(echo "$editor_out" | value editor_10000_save_ms)" '<' 300
    target editor_key_painted_median_ms "$(echo "$editor_out" | value editor_key_painted_median_ms)" '<' 16
fi
