#!/bin/bash
# A tour of wirepanel in one bash script, meant to be read top to bottom.
#
# It shows demo.ui and keeps it alive: a clock, the memory in use on a
# progress bar, a spinner, the running processes in a tree view that the
# user sorts (click a header), selects and edits (the Note and Watch
# columns), a chart of the CPU load drawn on a drawing area, a file chooser,
# colour and font buttons, a status bar, and every feedback line echoed in
# a text view.
#
# usage: demo.sh
#   WIREPANEL  the program to run (default: wirepanel, found on PATH)
#   AUTOPLAY   a number of seconds: play the user's part for that long, then
#              quit by itself (how the tests and `make run` without a
#              display use it)
#   DEMO_TICK  seconds between two samples of the chart (default 0.5)
set -u
wirepanel=${WIREPANEL:-wirepanel}
limit=${AUTOPLAY:-0}
tick=${DEMO_TICK:-0.5}
here=$(cd "$(dirname "$0")" && pwd)   # where the UI file is

# --- 1. Start wirepanel as a coprocess -----------------------------------
# Its standard input and output become two pipes: we write commands to
# ${panel[1]} and read feedback lines from ${panel[0]}.
coproc panel { exec "$wirepanel" -u "$here/demo.ui"; }
panel_pid=$panel_PID
# Our own copies of the two ends: bash drops the coproc's when it exits,
# and we still want the lines it wrote before.
exec {to_panel}>&"${panel[1]}" {from_panel}<&"${panel[0]}"
# When the user closes the window, wirepanel is gone: a command written
# after that fails (quietly), and the next read sees the end of the channel.
trap '' PIPE

# Every command is one line: id:action data. A newline or a backslash in
# the data must be escaped, as \n and \\, or the line would break.
# (printf -v and ${var//x/y} keep it all inside bash: no process per line.)
escape() {                   # escape TEXT: sets $escaped
    escaped=${1//\\/\\\\}
    escaped=${escaped//$'\n'/\\n}
}
# Feedback payloads come escaped the same way; this undoes it.
unescape() {                 # unescape TEXT: sets $unescaped
    unescaped=${1//\\\\/$'\1'}
    unescaped=${unescaped//\\n/$'\n'}
    unescaped=${unescaped//$'\1'/\\}
}
send() {                     # send ID ACTION [DATA]
    escape "${3-}"
    printf '%s:%s %s\n' "$1" "$2" "$escaped" >&"$to_panel" 2>/dev/null
}
status() {                   # one message at a time in the status bar
    send status pop
    send status push "$1"
}

# --- 2. The clock, the memory bar and the spinner --------------------------
update_clock() {
    local now
    printf -v now '%(%H:%M:%S)T' -1
    send clock set_text "$now"
}

update_memory() {            # from /proc/meminfo, in permille of the total
    local key value unit total=0 available=0
    while read -r key value unit; do
        case $key in
            MemTotal:) total=$value ;;
            MemAvailable:) available=$value ;;
        esac
    done </proc/meminfo
    ((total > 0)) || return
    local used=$(((total - available) * 1000 / total)) fraction
    printf -v fraction '%d.%03d' $((used / 1000)) $((used % 1000))
    send memory set_fraction "$fraction"
    send memory set_text "Memory in use: $((used / 10)) %"
}

# --- 3. The chart: a drawing area with numbered draw operations ------------
# Each draw command carries an id. "id" appends, "=id" replaces the
# operation with that id, "id<other" inserts in front of operation "other",
# and "remove id" deletes. The chart is built once, in this order:
#   1-2 background and grid, 3-4 scale label, 5-7 caption,
#   10 translate and 11 scale: from sample units (x: sample number,
#      y: percent) to pixels; replacing them scrolls and rescales the chart,
#   1000+n the samples, each inserted in front of 19,
#   19 the inverse scale (so that the line width is not scaled), 18 colour,
#   12 line width and join, 20 stroke.
width=480 height=200 step=8 visible=60
samples=0 top=0
declare -a values
tops=(10 25 50 100)          # the chart's top, in percent, 180 pixels up ...
scales=(18 7.2 3.6 1.8)      # ... so many pixels per percent ...
inverses=(0.0555556 0.138889 0.277778 0.555556)   # ... and the inverse
setup_chart() {
    send chart set_source_rgba "1 #241f31"
    send chart rectangle "1 0 0 $width $height"
    send chart fill 1
    send chart set_source_rgba "2 rgba(255,255,255,0.25)"
    send chart set_line_width "2 1"
    send chart set_dash "2 4 4"
    local quarter
    for quarter in 0 1 2 3; do
        send chart move_to "2 0 $((20 + quarter * 45))"
        send chart rel_line_to "2 $width 0"
    done
    send chart stroke 2
    send chart set_dash 2                  # solid lines again
    send chart set_source_rgba "3 rgba(255,255,255,0.6)"
    send chart set_font_size "3 11"
    send chart move_to "3 4 16"
    send chart show_text "4 --"
    send chart set_source_rgba "5 white"
    send chart set_font_face "5 normal bold Sans"
    send chart set_font_size "5 16"
    send chart move_to "5 $((width - 8)) 8"
    send chart rel_move_for "6 ne CPU --"
    send chart show_text "7 CPU --"
    send chart translate "10 0 $height"
    send chart scale "11 $step -${scales[0]}"
    send chart scale "19 0.125 -${inverses[0]}"   # 0.125 = 1 / step
    send chart set_source_rgba "18 rgb(46,194,126)"
    send chart set_line_width "12 2"
    send chart set_line_join "12 round"
    send chart stroke 20
}

rescale() {                  # the smallest top that shows every visible value
    local n max=0 i
    for ((n = samples - visible; n < samples; n++)); do
        ((n >= 0 && values[n] > max)) && max=${values[n]}
    done
    for i in 0 1 2 3; do
        ((max <= tops[i])) && break
    done
    ((top == tops[i])) && return
    top=${tops[i]}
    send chart scale "=11 $step -${scales[i]}"
    send chart scale "=19 0.125 -${inverses[i]}"
    send chart show_text "=4 $top %"
}

add_sample() {               # add_sample PERCENT
    local n=$samples first
    values[n]=$1
    # The line starts with a move_to: the current point is wherever the
    # caption's text ended.
    ((n == 0)) && send chart move_to "1000<19 0 $1" || send chart line_to "$((1000 + n))<19 $n $1"
    if ((n >= visible)); then             # scroll, forget what left the chart
        first=$((n - visible))
        send chart translate "=10 $((-first * step)) $height"
        send chart remove $((1000 + first - 1))
        unset "values[first - 1]"
        send chart move_to "=$((1000 + first)) $first ${values[first]}"
    fi
    samples=$((n + 1))
    rescale
    # The caption is anchored at its top right corner, whatever its width.
    send chart rel_move_for "=6 ne CPU $1 %"
    send chart show_text "=7 CPU $1 %"
}

last_busy=0 last_total=0
cpu_busy() {                 # sets $busy_pct: the CPU load since the last call
    local cpu user nice system idle iowait irq softirq steal rest
    read -r cpu user nice system idle iowait irq softirq steal rest </proc/stat
    local total=$((user + nice + system + idle + iowait + irq + softirq + steal))
    local busy=$((total - idle - iowait))
    local d_total=$((total - last_total)) d_busy=$((busy - last_busy))
    last_total=$total last_busy=$busy
    busy_pct=0
    ((d_total > 0)) && busy_pct=$((d_busy * 100 / d_total))
}

# --- 4. The process list: a tree view over a list store --------------------
# "set PATH COLUMN VALUE" fills a cell and creates missing rows; the script
# sorts the rows itself when the user clicks a column header.
sort_column=4 reverse=r      # memory, largest first
declare -A note watch          # kept by pid, so they survive a refresh
declare -a pid_at              # the pid shown in each row
page_size=$(getconf PAGESIZE)
ticks=$(getconf CLK_TCK)

read_processes() {           # one tab-separated line per process
    local dir stat comm rest
    for dir in /proc/[0-9]*; do
        read -r stat 2>/dev/null <"$dir/stat" || continue
        comm=${stat#*\(} comm=${comm%)*} rest=${stat##*) }
        set -- $rest          # field 3 of stat onwards
        printf '%s\t%s\t%s\t%s\t%s\t%s\n' "${stat%% *}" "$comm" "$1" "${18}" \
            $((${22} * page_size / 1024)) $(((${12} + ${13}) / ticks))
    done
}

fill_processes() {
    local key=$((sort_column + 1)) numeric=n row=0 pid comm state threads rss cpu
    ((sort_column == 1 || sort_column == 2)) && numeric=
    send procs block 1        # no selection lines while the rows change
    send procs clear
    while IFS=$'\t' read -r pid comm state threads rss cpu; do
        send procs set "$row 0 $pid"
        send procs set "$row 1 $comm"
        send procs set "$row 2 $state"
        send procs set "$row 3 $threads"
        send procs set "$row 4 $rss"
        send procs set "$row 5 $cpu"
        send procs set "$row 6 ${note[$pid]-}"
        send procs set "$row 7 ${watch[$pid]-0}"
        pid_at[row]=$pid
        row=$((row + 1))
    done < <(read_processes | sort -t $'\t' -k"$key,$key$numeric$reverse" | head -n 60)
    send procs block 0
    status "$row processes, sorted by column $((sort_column + 1))"
}

sort_by() {                  # a header click: same column again flips the order
    if ((sort_column == $1)); then
        [ "$reverse" = r ] && reverse= || reverse=r
    else
        sort_column=$1 reverse=
        ((sort_column >= 3 && sort_column <= 5)) && reverse=r   # largest first
    fi
    fill_processes
}

# --- 5. Fonts and colours chosen by the user -------------------------------
# The font button reports a name such as "Sans Bold Italic 14"; the clock
# gets it as CSS through the "style" action that every widget has.
apply_font() {
    local words size=12 css="" family=()
    read -ra words <<<"$1"
    [[ ${words[-1]} =~ ^[0-9.]+$ ]] && size=${words[-1]} && unset 'words[-1]'
    local w
    for w in "${words[@]}"; do
        case $w in
            Bold) css+="font-weight: bold; " ;;
            Italic | Oblique) css+="font-style: italic; " ;;
            *) family+=("$w") ;;
        esac
    done
    send clock style "font-family: \"${family[*]}\"; font-size: ${size}pt; $css"
}

# --- 6. Feedback: one line per user action ---------------------------------
# Every line is "id:tag payload"; the payload is escaped like commands.
on_feedback() {
    local line=$1 id=${1%%:*} rest=${1#*:}
    local tag=${rest%% *} unescaped
    unescape "${rest#* }"
    local payload=$unescaped
    # Echo it in the text view, escaped again so that it shows as received.
    send log place_cursor end
    send log insert_at_cursor "$line"$'\n'
    send log scroll_to_cursor
    case $id:$tag in
        quit:clicked) send main main_quit ;;
        refresh:clicked) fill_processes ;;
        pause:1) paused=1; send spinner stop; status "Chart paused" ;;
        pause:0) paused=0; send spinner start; status "Chart running" ;;
        col_pid:clicked) sort_by 0 ;;
        col_command:clicked) sort_by 1 ;;
        col_state:clicked) sort_by 2 ;;
        col_threads:clicked) sort_by 3 ;;
        col_memory:clicked) sort_by 4 ;;
        col_cpu:clicked) sort_by 5 ;;
        procs:gint | procs:gchararray | procs:gboolean) on_cell "$payload" ;;
        file:file) on_file "$payload" ;;
        color:color) send chart set_source_rgba "=18 $payload"; status "Chart colour $payload" ;;
        font:font) apply_font "$payload"; status "Clock font $payload" ;;
    esac
}

# A selected row arrives as "procs:clicked" and one line per cell; an edited
# note as a single cell line. Both are "TYPE PATH COLUMN VALUE".
on_cell() {
    local path column value pid
    read -r path column value <<<"$1"
    pid=${pid_at[path]-}
    [ -n "$pid" ] || return
    case $column in
        0) status "Selected process $pid" ;;
        6) if [ "$value" != "${note[$pid]-}" ]; then
               note[$pid]=$value
               status "Note on process $pid: $value"
           fi ;;
        7) watch[$pid]=$value ;;   # a ticked box tells nobody: seen on selection
    esac
}

on_file() {
    local lines size
    lines=$(wc -l <"$1" 2>/dev/null) || { status "Cannot read $1"; return; }
    size=$(wc -c <"$1")
    send main set_title "wirepanel demo - ${1##*/}"
    status "${1##*/}: $lines lines, $size bytes"
}

# --- 7. Playing the user's part, for a demo without a person ---------------
# "force" does what a person would do and produces the same feedback;
# colours and fonts have no such action, so their lines are made up here.
autoplay() {                 # autoplay SECONDS_ELAPSED
    case $1 in
        1) send procs set_cursor 0 ;;
        2) send color set_color "rgb(98,160,234)"
           on_feedback "color:color rgb(98,160,234)" ;;
        3) send pause force ;;
        4) send pause force
           send font set_font_name "Sans Bold Italic 14"
           on_feedback "font:font Sans Bold Italic 14" ;;
        5) send file set_filename "$here/demo.ui"
           send file force ;;
    esac
}

# --- 8. The main loop: feedback lines, and a tick for the live parts -------
paused=0
# Ctrl-C (or a kill) closes the window the polite way, and the loop below
# ends when wirepanel has gone.
trap 'send main main_quit' INT TERM
send spinner start
setup_chart
fill_processes
update_memory
cpu_busy
status "Welcome: sort, select and edit processes; pick a file, a colour, a font"
tick_us=$(awk -v t="$tick" 'BEGIN { printf "%d", t * 1000000 }')
start=$SECONDS played=0 next=0 wait_for=0.001
while true; do
    # Wait for a feedback line, but no longer than until the next tick.
    if IFS= read -r -t "$wait_for" -u "$from_panel" line; then
        on_feedback "$line"
    elif (($? <= 128)); then
        break                 # end of the channel: wirepanel has exited
    fi
    now=${EPOCHREALTIME//[.,]/}   # microseconds
    if ((now < next)); then
        printf -v wait_for '%d.%06d' $(((next - now) / 1000000)) $(((next - now) % 1000000))
        continue
    fi
    next=$((now + tick_us)) wait_for=$tick
    update_clock
    ((paused)) || { cpu_busy; add_sample "$busy_pct"; }
    ((samples % 10 == 0)) && update_memory
    if ((limit > 0)); then
        elapsed=$((SECONDS - start))
        while ((played < elapsed)); do played=$((played + 1)); autoplay $played; done
        ((elapsed >= limit)) && send main main_quit
    fi
done
wait "$panel_pid" 2>/dev/null
echo "demo finished after $samples samples"
