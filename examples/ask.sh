#!/bin/bash
# Asks a question in a dialog and prints the answer, for use in scripts:
#
#     name=$(ask.sh "What is your name?" "$USER") || echo "cancelled"
#
# One pipeline does it all: the commands go into wirepanel's standard input,
# and its feedback comes out of its standard output into a loop that keeps
# the entry's latest text. The end of the commands does not end wirepanel;
# the OK or Cancel button does.
#
# usage: ask.sh QUESTION [DEFAULT]
#   exit status 0 with the answer on standard output, 1 when cancelled
#   WIREPANEL  the program to run (default: wirepanel, found on PATH)
#   AUTOPLAY   ok or cancel: press that button by itself
set -u
question=${1:?usage: ask.sh QUESTION [DEFAULT]}
default=${2-}
here=$(cd "$(dirname "$0")" && pwd)   # where the UI file is

escape() { local s=${1//\\/\\\\}; REPLY=${s//$'\n'/\\n}; }
unescape() { local s=${1//\\\\/$'\1'}; s=${s//\\n/$'\n'}; REPLY=${s//$'\1'/\\}; }

commands() {
    escape "$question"; echo "question:set_text $REPLY"
    escape "$default"; echo "answer:set_text $REPLY"
    case ${AUTOPLAY-} in
        ok) echo "main_ok:force" ;;
        cancel) echo "main_cancel:force" ;;
    esac
}

commands | "${WIREPANEL:-wirepanel}" -u "$here/ask.ui" | {
    answer=""
    while IFS= read -r line; do
        case $line in
            "answer:text "*) unescape "${line#answer:text }"; answer=$REPLY ;;
            "main_ok:clicked "*) printf '%s\n' "$answer"; exit 0 ;;
        esac
    done
    exit 1   # Cancel, or the dialog was closed
}
