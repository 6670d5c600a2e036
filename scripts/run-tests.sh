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

# -noreset: by default the server resets whenever its last client leaves, and a
# test starting during that moment cannot connect.
run_suite() {
  local dir="$1"
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

scripts/build.sh release
run_suite build

scripts/build.sh sanitize
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:verify_asan_link_order=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Mesa unloads its driver when the display closes; kept loaded, the driver's
# own allocations still name their library at exit and match the suppressions.
mesa_driver="$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1 || true)"
LD_PRELOAD="${mesa_driver}" run_suite build-sanitize
