#!/usr/bin/env bash
# Builds Faxlens with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test, then
# runs the tests of the threaded work once more under ThreadSanitizer.
# Exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFAXLENS_SANITIZE=ON >/dev/null
cmake --build build-asan
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

# The work that runs on threads once more under ThreadSanitizer: check on every core, and the
# windows' work on worker threads (listing, opening, turning, saving, printing). A data race ends
# faxlens-cli with a report, and fails a test program. Qt itself is not instrumented: races
# reported inside its libraries are suppressed (tests/tsan.supp).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFAXLENS_SANITIZE_THREADS=ON \
    >/dev/null
cmake --build build-tsan --target cli_test background_task_test page_viewer_test save_commands_test \
    viewer_handling_test shell_test window_file_use_test
TSAN_OPTIONS="halt_on_error=1:suppressions=$PWD/tests/tsan.supp" \
    ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" \
    -R 'CliCheck|CliFileUse|CliList|BackgroundTask|ViewerTest|ViewForm|SaveCommands|SaveUnderWay|ViewerHandling|Form1|WindowFileUse'
