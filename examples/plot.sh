#!/bin/bash
# Plots the numbers it reads, one per line, as they arrive:
#
#     seq 100 | awk '{ print sin($1 / 8) }' | plot.sh "A sine"
#     while sleep 1; do cut -d' ' -f1 /proc/loadavg; done | plot.sh "Load"
#
# awk turns every number into draw commands and pipes them straight into
# wirepanel; nothing comes back, so the feedback is thrown away. The window
# stays up after the input ends, until it is closed.
#
# usage: plot.sh [TITLE] < numbers    (without input: a damped wave)
#   The first field of each line is the number; other lines are skipped.
#   WIREPANEL  the program to run (default: wirepanel, found on PATH)
#   AUTOPLAY   if set, close the window as soon as the input ends
set -u
title=${1:-wirepanel plot}
here=$(dirname "$0")

wave() {
    awk 'BEGIN { for (i = 0; i <= 240; i++) {
        print sin(i / 8) * exp(-i / 160); fflush(); system("sleep 0.02") } }'
}

# Draw operations, in list order (ids in brackets):
#   [1] white background and frame, [2-8] the labels of the y range,
#   [10] move the origin to the bottom left corner of the plot area,
#   [11] scale and [12] shift data units to pixels: replaced as data come,
#   [1000+n] one line_to per value, each inserted in front of [19],
#   [19] undo the scale, so that the line is not stretched, [20] stroke.
to_commands() {
    local s=${title//\\/\\\\}
    printf 'title:set_text %s\n' "${s//$'\n'/\\n}"
    LC_ALL=C awk -v autoplay="${AUTOPLAY:+1}" '
    function send(cmd) { print "plot:" cmd }
    BEGIN {
        W = 600; H = 300; M = 56; PW = W - 2 * M; PH = H - 2 * M; n = 0
        send("set_source_rgba 1 white");  send("rectangle 1 0 0 " W " " H); send("fill 1")
        send("set_source_rgba 1 #9a9996"); send("rectangle 1 " M " " M " " PW " " PH)
        send("stroke 1")
        send("set_source_rgba 2 #5e5c64"); send("set_font_size 2 12")
        send("move_to 3 " (M - 6) " " M);       send("rel_move_for 4 e"); send("show_text 5")
        send("move_to 6 " (M - 6) " " (H - M)); send("rel_move_for 7 e"); send("show_text 8")
        send("translate 10 " M " " (H - M))
        send("scale 11 1 1"); send("translate 12 0 0"); send("scale 19 1 1")
        send("set_source_rgba 20 #1c71d8"); send("set_line_width 20 2")
        send("set_line_join 20 round");     send("stroke 20")
        fflush()
    }
    $1 ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$/ {
        y = $1 + 0
        if (n == 0 || y < low) low = y
        if (n == 0 || y > high) high = y
        # The first value starts the line where it is, not at the end of
        # the labels drawn before it.
        send((n == 0 ? "move_to " : "line_to ") (1000 + n) "<19 " n " " y)
        n++
        sx = n > 1 ? PW / (n - 1) : 1
        sy = high > low ? PH / (high - low) : 1
        send("scale =11 " sx " " (-sy)); send("translate =12 0 " (-low))
        send("scale =19 " (1 / sx) " " (-1 / sy))
        top = sprintf("%.4g", high); bottom = sprintf("%.4g", low)
        send("rel_move_for =4 e " top);    send("show_text =5 " top)
        send("rel_move_for =7 e " bottom); send("show_text =8 " bottom)
        fflush()
    }
    END {
        printf "plotted %d values from %g to %g\n", n, low, high > "/dev/fd/3"
        if (autoplay) print "main:main_quit"
    }'
}

# fd 3 is our standard output, for the summary that awk prints at the end.
{
    if [ -t 0 ]; then wave; else cat; fi | to_commands | "${WIREPANEL:-wirepanel}" -u "$here/plot.ui" >/dev/null
} 3>&1
