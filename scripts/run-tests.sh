#!/bin/sh
# Runs the unit tests and the end-to-end tests of one build directory under
# a private Xvfb. A sanitizer build gets the leak suppressions for the
# objects that live until exit and for the toolkit's own. With "wayland"
# after the directory, the end-to-end tests that need no X server run a
# second time on a private headless Wayland compositor.
set -e
build=${1:?usage: run-tests.sh build-directory [wayland]}
lane=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
export WIREPANEL="$root/$build/src/wirepanel"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=86${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export NO_AT_BRIDGE=1
export GDK_BACKEND=x11
echo "== unit tests ($build)"
"$root/scripts/with-xvfb.sh" meson test -C "$root/$build" --print-errorlogs
echo "== end-to-end tests ($build)"
cd "$root"
"$root/scripts/with-xvfb.sh" /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e
if [ "$lane" = wayland ]; then
    echo "== end-to-end tests on Wayland ($build)"
    GDK_BACKEND=wayland "$root/scripts/with-weston.sh" /usr/bin/python3 -m pytest -q \
        -p no:cacheprovider -m "not x11" tests/e2e
fi
