#!/usr/bin/env bash
# The capture's link goes away under a running capture. The window: its link
# is deleted while it lists controllers; it stays alive (the driver still
# answers afterwards, rows kept) and says once, naming the adapter, what the
# capture library answered. fendrix-cli: its link is deleted during a scan;
# it exits 3 at once with that text on stderr instead of printing a partial
# list as if nothing happened. (A link that is only set down does not end
# libpcap's loop on Linux: capturing resumes when it comes back up.)
. "$(dirname "$0")/netns.sh"
fx_begin --links 2 --needs sim,cli,window
fx_sim 1 --count 6
fx_sim 2 --count 6
win_if=${FX_PC_IF[1]}
cli_if=${FX_PC_IF[2]}

# --- the window: link deleted while capturing. It waits for the message the
# loss brings, then still answers: the rows, the adapters, a scan (whose
# sending may fail now; the wait after it gives a crash time to happen).
out=$FX_DIR/window.out
fx_window_bg --script "wait-rows 6 8000; wait-prompts 1 15000; count; dump; adapters; scan; wait 300; count; quit" \
    >"$out" 2>"$FX_DIR/window.err"
fx_wait_line "$out" '^ROWS 6$' 10 "the window did not list the 6 controllers"
ip -n "$FX_PC" link del "$win_if" || fx_fail "cannot delete $win_if"
wait "$FX_WINDOW_PID"
rc=$?
[ $rc -eq 0 ] || fx_fail "the window driver ended with $rc: $(tail -n 5 "$FX_DIR/window.err")"
fx_check capture_error_prompt "$out" "$win_if" "went down|disappeared" || fx_fail "window output not as expected:
$(cat "$out")"
[ "$(grep -cx "\[CKestrelInstallerDlg::pcapInit:531\] Can't pcap_loop" "$out")" -eq 1 ] ||
    fx_fail "one Can't pcap_loop line expected: $(cat "$out")"
[ "$(grep '^ROWS ' "$out" | head -n 2)" = $'ROWS 6\nROWS 6' ] || fx_fail "rows not kept after the loss: $(grep '^ROWS' "$out")"
[ "$(fx_dumps "$out")" -eq 1 ] && fx_check distinct_rows "$out.1.json" 6 ||
    fx_fail "dump after the loss did not answer the 6 rows"

# --- fendrix-cli: link deleted during a scan, once the request is out
: >"$(fx_log_file 2)"
fx_pc "$FX_CLI" scan --adapter "${FX_PC_ADDR[1]}" --wait 5000 --format json \
    >"$FX_DIR/cli.out" 2>"$FX_DIR/cli.err" &
cli=$!
fx_wait_requests 2 1
ip -n "$FX_PC" link del "$cli_if" || fx_fail "cannot delete $cli_if"
start=$(date +%s%N)
wait "$cli"
rc=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ $rc -eq 3 ] || fx_fail "fendrix-cli exited with $rc, 3 expected; stderr: $(cat "$FX_DIR/cli.err")"
grep -q "$cli_if" "$FX_DIR/cli.err" && grep -Eq "went down|disappeared" "$FX_DIR/cli.err" ||
    fx_fail "stderr does not name the adapter and the library's text: $(cat "$FX_DIR/cli.err")"
[ ! -s "$FX_DIR/cli.out" ] || fx_fail "a partial list was printed as a result: $(head -c 300 "$FX_DIR/cli.out")"
[ "$took" -lt 3000 ] || fx_fail "fendrix-cli waited out the scan (${took} ms) after the capture had stopped"
echo "PASS"
