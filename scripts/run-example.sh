#!/bin/sh
# Starts the demo (examples/demo.sh). Without a display it runs the demo
# under Xvfb, playing the user's part, saves a screenshot of its window as a
# PNG and prints where.
set -e
wirepanel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "$DISPLAY" ] && [ -z "$WIREPANEL_SCREENSHOT" ]; then
    exec env WIREPANEL="$wirepanel" "$root/examples/demo.sh"
fi
if [ -z "$DISPLAY" ]; then
    exec "$root/scripts/with-xvfb.sh" env WIREPANEL_SCREENSHOT=1 "$0" "$@"
fi
shot=${WIREPANEL_SCREENSHOT_FILE:-$root/build/screenshot.png}
mkdir -p "$(dirname "$shot")"
WIREPANEL="$wirepanel" AUTOPLAY=600 DEMO_TICK=0.1 "$root/examples/demo.sh" &
demo=$!
# Wait for the window, then give the chart a few seconds to fill; the
# demo plays the user's part in its first five seconds.
window=""
for _ in $(seq 100); do
    window=$(xwininfo -name "wirepanel demo" 2>/dev/null |
        sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    kill $demo
    echo "the demo's window did not appear" >&2
    exit 1
fi
sleep 7
xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
kill -TERM $demo   # the demo closes its window and ends
wait $demo
echo "screenshot saved to $shot"
