#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for SECONDS (default 60), starting
# from the committed seeds in fuzz/corpus/. New inputs go to a scratch folder; a crash, hang or
# leak ends the run with a non-zero status and leaves its input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFAXLENS_BUILD_FUZZ=ON -DFAXLENS_BUILD_TESTS=OFF >/dev/null
harnesses=(fuzz_container fuzz_decode fuzz_roundtrip fuzz_engine)
cmake --build build-fuzz --target "${harnesses[@]}"
mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for harness in "${harnesses[@]}"; do
    scratch="build-fuzz/corpus/$harness"
    log="build-fuzz/$harness.log"
    mkdir -p "$scratch"
    echo "== $harness for ${seconds}s"
    status=0
    "build-fuzz/fuzz/$harness" "$scratch" "fuzz/corpus/$harness" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="build-fuzz/artifacts/$harness-" -print_final_stats=1 >"$log" 2>&1 ||
        status=$?
    grep -E "^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|peak_rss_mb)" "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log"
        echo "$harness failed (status $status); the input is in build-fuzz/artifacts/"
        exit 1
    fi
done
