#!/usr/bin/env bash
# Replies stream in on both links while the window switches adapters back and
# forth and finally closes in the middle of a burst: the process ends cleanly
# (no crash, no hang; under ThreadSanitizer no report, which makes it exit
# non-zero), every stopped capture writes its one "Can't pcap_loop" line, and
# the rows the window shows before the close belong to the last adapter.
. "$(dirname "$0")/netns.sh"
fx_begin --links 2 --needs sim,window
n=${FX_BURST:-3000}
fx_sim 1 --burst "$n"
fx_sim 2 --burst "$n"

# The start-up scan bursts on link 1 (once its first row is in, the burst is
# streaming); each switch restarts the capture and each Scan bursts on the
# selected link. The short waits between are timing on purpose: each switch
# comes in the middle of a burst, and the last Scan's burst is still
# arriving when the window closes.
script="wait-rows 1 5000; select-adapter 1; scan; wait 40; select-adapter 0; scan; wait 15;"
script+=" select-adapter 1; scan; wait 5; select-adapter 0; scan; wait-rows $n 15000;"
script+=" select-adapter 1; scan; wait 20; quit"
out=$FX_DIR/window.out
fx_window_bg --script "$script" >"$out" 2>"$FX_DIR/window.err"
win_ended() { ! kill -0 "$FX_WINDOW_PID" 2>/dev/null; }
fx_wait_for 60 "the window did not end" win_ended
wait "$FX_WINDOW_PID"
rc=$?
if grep -q "ThreadSanitizer\|AddressSanitizer\|runtime error" "$FX_DIR/window.err"; then
    grep -A30 -m1 "WARNING\|ERROR\|runtime error" "$FX_DIR/window.err" | head -n 60 >&2
    fx_fail "sanitizer report (exit $rc)"
fi
[ $rc -eq 0 ] || fx_fail "the window driver ended with $rc: $(tail -n 5 "$FX_DIR/window.err")"
# Six captures were started (start-up and five switches), each stopped
# once: by the next switch or by the close.
lines=$(grep -c "^\[CKestrelInstallerDlg::pcapInit:531\] Can't pcap_loop$" "$out")
[ "$lines" -eq 6 ] || fx_fail "6 Can't pcap_loop lines expected, got $lines"
grep -qx "ROWS $n" "$out" || fx_fail "the full burst on link 1 was not listed: $(grep ROWS "$out")"
! grep -q '^PROMPT' "$out" || fx_fail "a requested stop was reported: $(grep '^PROMPT' "$out")"
echo "PASS"
