#!/usr/bin/env bash
# Fuzzes the Jet reader (fuzz/fuzz_jet_reader.cpp) with libFuzzer under ASan and UBSan.
#   scripts/fuzz.sh SECONDS [EXTRA_SEED_DIR...] [-libfuzzer_flag=value...]
# Builds a clang configuration in build/fuzz, then runs the target for SECONDS on the committed
# seeds (fuzz/corpus) and the regressions (fuzz/regressions); inputs it finds interesting go to
# build/fuzz/corpus, which later runs reuse. Exits non-zero on any finding (crash, sanitizer
# report, timeout, out of memory, leak) and copies the input that caused it into fuzz/regressions/,
# where tests/jet replays it once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:?usage: scripts/fuzz.sh SECONDS [EXTRA_SEED_DIR...]}"
shift
build=build/fuzz
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

scripts/install-deps.sh fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link $sanitize" \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
    -DBUILD_TESTING=OFF -DCIFROVEX_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_jet_reader

mkdir -p "$build/corpus" "$build/artifacts"
rm -f "$build"/artifacts/*
status=0
ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    "$build/fuzz/fuzz_jet_reader" "$build/corpus" fuzz/corpus fuzz/regressions \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$@" || status=$?

found=$(find "$build/artifacts" -type f | wc -l)
if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    mkdir -p fuzz/regressions
    cp "$build"/artifacts/* fuzz/regressions/ 2>/dev/null || true
    echo "fuzz: finding(s) copied to fuzz/regressions/ (exit $status)" >&2
    exit 1
fi
echo "fuzz: no findings in ${seconds} s"
