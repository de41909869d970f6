# Shared harness of the tmux tests, sourced by them: a shell in a detached 80x25 pane on a
# private tmux server, a scratch folder $DIR removed on exit, polling, and failure reports
# that show the pane. Before sourcing, set SOCK_PREFIX (the server's name; the process id is
# appended) and SHOW_LABEL and SHOW_FILE (a file in $DIR printed after the pane on failure).
# Exits 77 (skip) when tmux is missing.
command -v tmux >/dev/null 2>&1 || { echo "tmux not installed: skipped"; exit 77; }

DIR=$(mktemp -d)
SOCK="$SOCK_PREFIX-$$"
TM() { tmux -u -L "$SOCK" "$@"; }
cleanup() { TM kill-server >/dev/null 2>&1; rm -rf "$DIR"; }
trap cleanup EXIT INT TERM
fail() { echo "FAIL: $*"; echo "--- pane:"; TM capture-pane -p -t t 2>/dev/null; echo "--- $SHOW_LABEL:"; cat "$DIR/$SHOW_FILE" 2>/dev/null; exit 1; }

# wait_for CMD...: polls CMD every 0.1 s for at most 10 s.
wait_for() {
    i=0
    while [ $i -lt 100 ]; do
        if "$@"; then return 0; fi
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}
pane_has() { TM capture-pane -p -t t | grep -q -F -- "$1"; }

# start_pane: the session "t" running sh in UTF-8, with the mouse and double boxes left off.
start_pane() {
    export LC_ALL=C.UTF-8
    TM -f /dev/null new-session -d -x 80 -y 25 -s t "env TERM=xterm-256color LC_ALL=C.UTF-8 H_MOUSE= BOX_SD= sh" \
        || fail "cannot start tmux"
}
