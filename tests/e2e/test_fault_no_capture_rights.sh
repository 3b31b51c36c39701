#!/usr/bin/env bash
# Without capture rights (an unprivileged user inside the PC namespace, the
# capture helper beside the programs but without its capability): the window
# says once what is missing and that a plain socket receives instead, and
# lists the replies that came through it (Scan still broadcasts; the process
# is not ended); fendrix-cli says the same on stderr and lists them too, and
# exits 3 with the hint when told to capture or nothing.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli,window,user
fx_sim 1 --count 3
if_name=${FX_PC_IF[1]}
# The user cannot reach a checkout in a private folder: it runs copies.
window=$(fx_public "$FX_WINDOW") && cli=$(fx_public "$FX_CLI") || exit 1
runtime=$FX_DIR/xdg-$FX_USER
install -d -m 700 -o "$FX_USER" -g "$FX_USER_GROUP" "$runtime"
fx_as_user test -x "$window" || fx_fail "$FX_USER cannot run $window"

# The start-up scan, then the Scan button: both must leave the window.
out=$FX_DIR/window.out
fx_as_user env QT_QPA_PLATFORM=offscreen HOME="$runtime" XDG_RUNTIME_DIR="$runtime" "$window" \
    --script "wait-rows 3 5000; scan; wait-sent 2 3000; wait-rows 3 5000; adapters; quit" >"$out" 2>"$FX_DIR/window.err"
rc=$?
[ $rc -eq 0 ] || fx_fail "the window driver ended with $rc: $(tail -n 5 "$FX_DIR/window.err")"
grep -q TIMEOUT "$out" && fx_fail "a scan request did not leave the window: $(grep TIMEOUT "$out")"
hint="fendrix-capture lacks the cap_net_raw capability: .*sudo setcap cap_net_raw=ep $FX_DIR/public/capture/fendrix-capture"
fx_check capture_error_prompt "$out" "$if_name" \
    "warning: Capture is unavailable: $hint.*; replies come through a plain socket on port 8911" || fx_fail "window output not as expected:
$(cat "$out")"
[ "$(grep '^RECEIVER' "$out")" = "RECEIVER socket" ] || fx_fail "not the socket receiver: $(grep '^RECEIVER' "$out")"
[ "$(grep '^ROWS' "$out")" = $'ROWS 3\nROWS 3' ] || fx_fail "the socket receiver's rows: $(grep '^ROWS' "$out")"
# Usable: the start-up scan and the Scan button both reached the segment.
fx_wait_requests 1 2
fx_check requests "$(fx_log_file 1)" 1 2 || fx_fail "the simulator did not see the window's 2 scan requests"

# receiver  exit status  rows
for case in "auto 0 3" "capture 3 0"; do
    read -r receiver want_rc want_rows <<<"$case"
    fx_as_user "$cli" scan --adapter "${FX_PC_ADDR[0]}" --receiver "$receiver" --wait 1000 \
        --format json >"$FX_DIR/cli.out" 2>"$FX_DIR/cli.err"
    rc=$?
    [ $rc -eq "$want_rc" ] || fx_fail "--receiver $receiver: exit $rc, $want_rc expected: $(cat "$FX_DIR/cli.err")"
    grep -Eq "$hint" "$FX_DIR/cli.err" || fx_fail "--receiver $receiver: no hint: $(cat "$FX_DIR/cli.err")"
    rows=$(grep -o '"ip_address"' "$FX_DIR/cli.out" | wc -l)
    [ "$rows" -eq "$want_rows" ] || fx_fail "--receiver $receiver: $rows rows, $want_rows expected"
done
echo "PASS"
