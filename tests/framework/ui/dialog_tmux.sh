#!/bin/sh
# Shows the upgrade's confirmation dialog with `xbtool eval --screen` in a detached tmux pane of
# 80x25 and checks what the operator sees and what the keys do: the frame, title and buttons
# on the screen; Right, Right, Enter accepts with button 3; Esc on the retry question answers
# false. Exit 77 (skip) when tmux is missing.
# usage: dialog_tmux.sh PATH_TO_XBTOOL
set -u
XBTOOL=$1
SOCK_PREFIX=xbui SHOW_LABEL=err SHOW_FILE=err.txt
. "$(dirname "$0")/../../tmux_lib.sh"

TITLE="Vintra V 8.7B8/Vintro V 4.3B8 -Update D300/D394 si corectii"
cat > "$DIR/run.sh" <<EOF
'$XBTOOL' eval --screen \\
  'Len(D := H_NEWOPTIONS("OW", NIL, NIL, NIL, NIL, "$TITLE", "WARNING", {{"", "Baza de date:       << DATA1 >>", "", "Executati update-ul ?"}, {" Update ", " BD urmatoare ", " Abandon "}}, {1}))' \\
  'H_POPUPWINDOW(D)' 'D[13][1]' 'WAIT_FOR_LAN("Fisierul Societate este blocat")' 2>"$DIR/err.txt"
echo "RC=\$?"
EOF

start_pane
TM send-keys -t t "clear; sh '$DIR/run.sh'" Enter
wait_for pane_has "Executati update-ul ?" || fail "the dialog did not appear"

# Width 63 (the title) from column 8, height 11 from row 6: frame, title, separator, buttons.
pane=$(TM capture-pane -p -t t)
line() { echo "$pane" | sed -n "$(($1 + 1))p"; }
expect_line() {  # expect_line ROW TEXT: the row starts with TEXT after 8 columns
    got=$(line "$1" | cut -c9-)
    case "$got" in "$2"*) ;; *) fail "row $1 is '$got', expected '$2'" ;; esac
}
expect_line 6 "┌─────────────────────────────────────────────────────────────┐"
expect_line 7 "│ $TITLE │"
expect_line 8 "├─────────────────────────────────────────────────────────────┤"
expect_line 10 "│ Baza de date:       << DATA1 >>"
expect_line 14 "│              Update    BD urmatoare    Abandon              │"
expect_line 16 "└─────────────────────────────────────────────────────────────┘"
pane_has "Shift F1-ajutor, ENTER-acceptare, ESC-abandon" || fail "no hint on the message line"

TM send-keys -t t Right
TM send-keys -t t Right
TM send-keys -t t Enter
wait_for pane_has "Reluare" || fail "the retry question did not appear"
pane_has "Fisierul Societate este blocat" || fail "the retry question lacks its text"
TM send-keys -t t Escape
wait_for pane_has "RC=" || fail "xbtool did not end"

# The results, one line per expression, right before the exit code.
results=$(TM capture-pane -p -t t | grep -v '^$' | grep -B4 '^RC=' | tr '\n' ' ')
[ "$results" = "35 .T. 3 .F. RC=0 " ] || fail "results were '$results'"
echo "ok"
