#!/usr/bin/env bash
# Without capture rights (an unprivileged user inside the PC namespace): the
# window says which adapter and what the capture library answered, once, and
# stays usable (Scan still broadcasts; the process is not ended); fendrix-cli
# exits 3 with the same kind of message.
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
    --script "wait-sent 1 5000; count; scan; wait-sent 2 3000; count; adapters; quit" >"$out" 2>"$FX_DIR/window.err"
rc=$?
[ $rc -eq 0 ] || fx_fail "the window driver ended with $rc: $(tail -n 5 "$FX_DIR/window.err")"
grep -q TIMEOUT "$out" && fx_fail "a scan request did not leave the window: $(grep TIMEOUT "$out")"
fx_check capture_error_prompt "$out" "$if_name" "ermission|not permitted" || fx_fail "window output not as expected:
$(cat "$out")"
[ "$(grep '^ROWS' "$out")" = $'ROWS 0\nROWS 0' ] || fx_fail "rows without a capture: $(grep '^ROWS' "$out")"
# Usable: the start-up scan and the Scan button both reached the segment.
fx_wait_requests 1 2
fx_check requests "$(fx_log_file 1)" 1 2 || fx_fail "the simulator did not see the window's 2 scan requests"

fx_as_user "$cli" scan --adapter "${FX_PC_ADDR[0]}" --wait 500 --format json >"$FX_DIR/cli.out" 2>"$FX_DIR/cli.err"
rc=$?
[ $rc -eq 3 ] || fx_fail "fendrix-cli exited with $rc, 3 expected; stderr: $(cat "$FX_DIR/cli.err")"
grep -q "$if_name" "$FX_DIR/cli.err" && grep -Eq "ermission|not permitted" "$FX_DIR/cli.err" ||
    fx_fail "stderr does not name the adapter and the library's text: $(cat "$FX_DIR/cli.err")"
[ ! -s "$FX_DIR/cli.out" ] || fx_fail "something was listed without a capture"
echo "PASS"
