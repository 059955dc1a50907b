#!/bin/bash
# A client in a few lines: start wirepanel in the background on two FIFOs,
# send it commands, and act on the lines it writes back.
# usage: hello.sh path/to/wirepanel [seconds]   (seconds: quit after that long)
set -e
wirepanel=${1:-wirepanel}
limit=${2:-0}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$(dirname "$0")"

"$wirepanel" -u hello.ui -i "$dir/in" -o "$dir/out" -b >/dev/null
exec 3>"$dir/in" 4<"$dir/out"

echo "greeting:set_text Hello from $(whoami) at $(date +%H:%M:%S)" >&3
echo "main:ping" >&3
read -r -u 4 line
echo "wirepanel answered: $line"

if [ "$limit" -gt 0 ]; then
    sleep "$limit"
    echo "main:main_quit" >&3
    exit 0
fi
# Wait for the user: the Quit button or closing the window.
while read -r -u 4 line; do
    echo "feedback: $line"
    case "$line" in
        "quit:clicked "*) echo "main:main_quit" >&3; break ;;
        "main:closed "*) break ;;
    esac
done
