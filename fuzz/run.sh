#!/bin/sh
# Runs every fuzz target for the given seconds, starting from the seed corpus
# kept in the repository; new inputs go to a working corpus in the build
# directory, crashes to the build directory's artifacts.
set -e
seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
mkdir -p "$build/artifacts"
for target in line tree_text commands; do
    work="$build/corpus/$target"
    mkdir -p "$work"
    echo "== fuzz_$target ($seconds s)"
    "$root/scripts/with-xvfb.sh" "$build/fuzz_$target" -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=4096 -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$work" "$root/fuzz/corpus/$target" 2>&1 |
        grep -E "^(#[0-9]+.*DONE|stat::number|stat::average|Done|INFO: Seed|==[0-9]+==ERROR|SUMMARY|.*runtime error|.*deadly signal|.*Test unit written|.*timeout)" || true
    # Slow units are noted by libFuzzer but are not faults; crashes, leaks,
    # timeouts and running out of memory are.
    for kind in crash leak timeout oom; do
        ls "$build/artifacts/$target-$kind-"* >/dev/null 2>&1 && { echo "fuzz_$target found a fault"; exit 1; }
    done
done
exit 0
