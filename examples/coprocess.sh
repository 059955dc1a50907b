#!/bin/bash
# wirepanel as a bash coprocess: its standard input and output become two
# pipes of this script, no files needed. The window turns whatever the
# user types around, in capitals when "Shout" is ticked.
#
# usage: coprocess.sh
#   WIREPANEL  the program to run (default: wirepanel, found on PATH)
#   AUTOPLAY   if set, type a text, tick "Shout" and close by itself
set -u
here=$(cd "$(dirname "$0")" && pwd)   # where the UI file is

coproc panel { exec "${WIREPANEL:-wirepanel}" -u "$here/coprocess.ui"; }
exec {to}>&"${panel[1]}" {from}<&"${panel[0]}"   # our own copies of the ends

# Data goes out escaped (\\ for a backslash, \n for a newline) and comes
# back escaped the same way.
send() { local s=${3-}; s=${s//\\/\\\\}; printf '%s:%s %s\n' "$1" "$2" "${s//$'\n'/\\n}" >&"$to"; }
unescape() { local s=${1//\\\\/$'\1'}; s=${s//\\n/$'\n'}; REPLY=${s//$'\1'/\\}; }

text="" shout=0
turn() {                     # sets REPLY: the text turned around
    local i
    REPLY=""
    for ((i = ${#text} - 1; i >= 0; i--)); do REPLY+=${text:i:1}; done
    ((shout)) && REPLY=${REPLY^^}
    return 0
}
show() { turn; send output set_text "$REPLY"; }

if [ -n "${AUTOPLAY-}" ]; then
    send input set_text "hello, world"   # the entry reports it like typing
    send shout force                     # ticks the check button
    send close force                     # clicks Close
fi

# One feedback line per user action: "id:tag payload".
while IFS= read -r -u "$from" line; do
    case $line in
        "input:text "*) unescape "${line#input:text }"; text=$REPLY; show ;;
        "shout:1 ") shout=1; show ;;
        "shout:0 ") shout=0; show ;;
        "close:clicked ") send main main_quit ;;
    esac
done   # the channel ends when wirepanel exits
turn
echo "last output: $REPLY"
