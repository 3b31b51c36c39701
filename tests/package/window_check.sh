# The installed window, seen as a user sees it. Sourced by check-package.sh.
#
# window_lists_every_controller USER SEGMENT.json
#   Starts Xvfb in the PC namespace (the chrooted window reaches its abstract
#   socket there), runs the desktop entry's Exec line in the root as USER, then
#   clicks a row of the device list and presses Ctrl+A, which copies the MAC
#   address of every row: the clipboard must hold exactly the segment's
#   controllers. A USER other than root has no rights of their own: the
#   window must have started the helper.

window_lists_every_controller() {
    local user=$1 segment=$2 display exec_line wid
    # Simple commands in the background (not functions, which would run in a
    # subshell of their own), so that $! is the process to end.
    ip netns exec "$FX_PC" Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 \
        3>"$FX_DIR/xvfb.display" 2>"$FX_DIR/xvfb.err" &
    FX_PIDS+=($!)
    fx_wait_for 10 "Xvfb did not start (its errors: $FX_DIR/xvfb.err)" test -s "$FX_DIR/xvfb.display"
    display=$(cat "$FX_DIR/xvfb.display")
    x() { fx_pc env DISPLAY=":$display" "$@"; }

    exec_line=$(sed -n 's/^Exec=//p' "$ROOT"/usr/share/applications/*.desktop | sed 's/ %[fFuUick]//g')
    # shellcheck disable=SC2046
    ip netns exec "$FX_PC" sh -c "$ROOT_ENTER" sh "$ROOT" "$ROOT_CACHE/archives" \
        $(as "$user") DISPLAY=":$display" sh -c "exec $exec_line" >"$FX_DIR/window.log" 2>&1 &
    local window_pid=$!  # the window itself: every step execs the next
    FX_PIDS+=($window_pid)
    wid=$(x timeout 30 xdotool search --sync --onlyvisible --name '^Fendrix$' | head -n 1)
    [ -n "$wid" ] || fx_fail "no window titled Fendrix from '$exec_line': $(tail -n 5 "$FX_DIR/window.log")"

    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(x xdotool getwindowgeometry --shell "$wid")"
    local clip=$FX_DIR/clipboard deadline=$((SECONDS + 30))
    # Rows arrive after the start-up scan: click one (the list fills the
    # window's lower half), copy all, compare; again until they are all there.
    while :; do
        x xdotool mousemove --window "$wid" $((WIDTH / 2)) $((HEIGHT * 3 / 4)) click 1
        x xdotool key ctrl+a
        x timeout 5 xclip -selection clipboard -o >"$clip" 2>/dev/null
        python3 - "$clip" "$segment" <<'PY' && break
import json, sys
got = open(sys.argv[1], "rb").read().decode(errors="replace").split("\r\n")
want = sorted(c["mac"].upper() for c in json.load(open(sys.argv[2])))
sys.exit(0 if got[-1] == "" and sorted(got[:-1]) == want else 1)
PY
        if [ $SECONDS -ge $deadline ]; then
            command -v xwd >/dev/null && x xwd -root -silent -out "$FX_DIR/window.xwd"
            fx_fail "the window's Ctrl+A did not copy every controller's MAC within 30 s; clipboard: $(tr '\r\n' '  ' <"$clip" | head -c 400); window: $(tail -n 5 "$FX_DIR/window.log")"
        fi
        sleep 0.5
    done
    if [ "$user" != root ]; then
        pgrep -P "$window_pid" -x fendrix-capture >/dev/null ||
            fx_fail "the window listed the controllers without running fendrix-capture"
    fi
    kill -TERM "$window_pid" 2>/dev/null
    wait "$window_pid" 2>/dev/null
}
