#!/bin/sh
# Runs a command with DISPLAY set to a private Xvfb server, started on a free
# display number that the server picks itself, and stops the server after.
set -e
if [ "$#" -eq 0 ]; then
    echo "usage: with-xvfb.sh command [argument...]" >&2
    exit 2
fi
fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo_dir/display" 2>"$fifo_dir/xvfb.log" &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$fifo_dir"' EXIT INT TERM
read -r number <"$fifo_dir/display" || { cat "$fifo_dir/xvfb.log" >&2; exit 1; }
DISPLAY=":$number"
export DISPLAY
status=0
"$@" || status=$?
exit $status
