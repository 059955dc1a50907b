#!/bin/sh
# Starts the bundled example. Without a display it runs under Xvfb, saves a
# screenshot of the window as a PNG and prints where.
set -e
wirepanel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "$DISPLAY" ] && [ -z "$WIREPANEL_SCREENSHOT" ]; then
    exec "$root/examples/hello.sh" "$wirepanel"
fi
if [ -z "$DISPLAY" ]; then
    exec "$root/scripts/with-xvfb.sh" env WIREPANEL_SCREENSHOT=1 "$0" "$@"
fi
shot="$root/build/screenshot.png"
"$root/examples/hello.sh" "$wirepanel" 3 &
client=$!
sleep 2
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
wait $client
echo "screenshot saved to $shot"
