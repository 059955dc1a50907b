#!/bin/sh
# Runs a command against a private headless Wayland compositor: weston with
# its own XDG_RUNTIME_DIR, so that its socket can clash with no other, and
# with DISPLAY unset, so that nothing falls back to an X server. The
# compositor is stopped after the command, and its directory removed. The
# headless backend has no input devices; a small module gives it a seat.
set -e
if [ "$#" -eq 0 ]; then
    echo "usage: with-weston.sh command [argument...]" >&2
    exit 2
fi
runtime_dir=$(mktemp -d)
chmod 0700 "$runtime_dir"
socket=wayland-wirepanel
weston_pid=""
cleanup() {
    if [ -n "$weston_pid" ]; then
        kill "$weston_pid" 2>/dev/null || true
        wait "$weston_pid" 2>/dev/null || true
    fi
    rm -rf "$runtime_dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck disable=SC2046
cc -shared -fPIC -o "$runtime_dir/seat.so" "$here/weston-seat.c" \
    $(pkg-config --cflags libweston-10) || exit 1
XDG_RUNTIME_DIR=$runtime_dir weston --backend=headless-backend.so --socket="$socket" \
    --width=1280 --height=1024 --idle-time=0 --no-config --modules="$runtime_dir/seat.so" \
    >"$runtime_dir/weston.log" 2>&1 &
weston_pid=$!
# The socket appears once the compositor listens; give a loaded machine time.
tries=0
until [ -S "$runtime_dir/$socket" ]; do
    if ! kill -0 "$weston_pid" 2>/dev/null || [ "$tries" -ge 300 ]; then
        echo "with-weston.sh: weston did not start" >&2
        cat "$runtime_dir/weston.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    sleep 0.1
done
export XDG_RUNTIME_DIR="$runtime_dir" WAYLAND_DISPLAY="$socket"
unset DISPLAY
status=0
"$@" || status=$?
exit $status
