#!/bin/sh
# Runs termdemo in a detached tmux pane of 80x25 and checks what a user would see: the box and
# shade characters as Unicode, the classic codes of keys sent with send-keys, and a terminal
# back in its normal mode after Esc. Exit 77 (skip) when tmux is missing.
# usage: termdemo_tmux.sh PATH_TO_TERMDEMO
set -u
DEMO=$1
SOCK_PREFIX=xbterm SHOW_LABEL=log SHOW_FILE=keys.log
. "$(dirname "$0")/../tmux_lib.sh"
LOG="$DIR/keys.log"
STTY="$DIR/stty.txt"
log_lines() { [ -f "$LOG" ] && [ "$(wc -l < "$LOG")" -ge "$1" ]; }

start_pane
TM send-keys -t t "exec 2>$DIR/err.txt; '$DEMO' --log '$LOG'" Enter
wait_for pane_has "Console demo" || fail "termdemo did not draw its window"

# Box and shade characters arrive as Unicode.
for glyph in "╔" "═" "╗" "║" "╚" "╝" "░" "▒" "▓" "█" "┌" "─"; do
    pane_has "$glyph" || fail "the pane does not show $glyph"
done

# Each key, then its classic code in the log.
n=0
expect() {  # expect WHAT WANT: the next log line is WANT
    n=$((n + 1))
    wait_for log_lines $n || fail "no event logged for $1"
    got=$(sed -n "${n}p" "$LOG")
    [ "$got" = "$2" ] || fail "$1 gave '$got', expected '$2'"
}
for pair in "F1:28" "S-F1:-10" "C-NPage:30" "M-x:301" "C-y:537" "Up:5" "C-Left:26" \
            "C-c:515" "C-q:529" "C-s:531"; do
    TM send-keys -t t "${pair%%:*}"
    expect "${pair%%:*}" "key ${pair#*:}"
done
# An xterm SGR mouse report (left press and release at column 11, row 6).
TM send-keys -t t -H 1b 5b 3c 30 3b 31 31 3b 36 4d
expect "left press" "key 1002 5 10"
TM send-keys -t t -H 1b 5b 3c 30 3b 31 31 3b 36 6d
expect "left release" "key 1003 5 10"
TM send-keys -t t Escape
expect "Escape" "key 27"

# Esc ended the demo: the shell reads lines again, with echo and canonical input.
wait_for pane_has "bye" || fail "termdemo did not end on Esc"
TM send-keys -t t "stty -a > '$STTY'" Enter
wait_for test -s "$STTY" || fail "the shell did not run stty after termdemo"
wait_for grep -q "icanon" "$STTY" || fail "stty output incomplete"
for flag in icanon echo isig ixon icrnl opost; do
    grep -Eq "(^| )$flag( |;|\$)" "$STTY" || fail "terminal not restored: $flag is off"
done
echo "ok"
