#!/bin/bash
# A client in a few lines: start wirepanel in the background on two FIFOs,
# send it commands, and act on the lines it writes back.
#
# usage: hello.sh
#   WIREPANEL  the program to run (default: wirepanel, found on PATH)
#   AUTOPLAY   if set, click the Quit button by itself after a moment
set -e
wirepanel=${WIREPANEL:-wirepanel}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
here=$(cd "$(dirname "$0")" && pwd)   # where the UI file is

# -b: wirepanel creates both FIFOs, opens them, prints its process id and
# goes to the background; we can go on at once.
"$wirepanel" -u "$here/hello.ui" -i "$dir/in" -o "$dir/out" -b >/dev/null
exec 3>"$dir/in" 4<"$dir/out"

echo "greeting:set_text Hello from $(whoami) at $(date +%H:%M:%S)" >&3
# ping is answered only after every earlier command has run.
echo "main:ping" >&3
IFS= read -r -u 4 line
echo "wirepanel answered: $line"

if [ -n "${AUTOPLAY-}" ]; then
    # force does what a person would: the button is clicked and says so.
    echo "quit:force" >&3
fi
# Wait for the user: the Quit button or closing the window.
while IFS= read -r -u 4 line; do
    echo "feedback: $line"
    case "$line" in
        "quit:clicked "*) echo "main:main_quit" >&3; break ;;
        "main:closed "*) break ;;
    esac
done
echo "bye"
