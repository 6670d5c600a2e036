#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole suite twice: in a normal
# build and in an AddressSanitizer + UndefinedBehaviorSanitizer build. Window
# and OpenGL tests run under a real X server (Xvfb, Mesa llvmpipe).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
jobs="$(nproc)"

run_suite() {
  local dir="$1"
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

scripts/build.sh release
run_suite build

scripts/build.sh sanitize
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite build-sanitize
