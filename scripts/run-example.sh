#!/bin/sh
# Starts the demo (examples/demo.sh). Without a display it runs the demo
# under Xvfb for a few seconds, playing the user's part, saves a screenshot
# of its window as a PNG and prints where.
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
WIREPANEL="$wirepanel" AUTOPLAY=9 DEMO_TICK=0.1 "$root/examples/demo.sh" &
demo=$!
# Wait for the window, then give the chart a few seconds to fill.
window=""
for _ in $(seq 50); do
    window=$(xwininfo -name "wirepanel demo" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    [ -n "$window" ] && break
    sleep 0.2
done
sleep 7
if [ -n "$window" ]; then
    # The title changes once the demo has picked a file; the id stays.
    xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
else
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
fi
wait $demo
echo "screenshot saved to $shot"
