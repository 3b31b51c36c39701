#!/usr/bin/env bash
# Replies stream in on both links while the window switches adapters back and
# forth and finally closes in the middle of a burst: the process ends cleanly
# (no crash, no hang; under ThreadSanitizer no report, which makes it exit
# non-zero), every stopped capture writes its one "Can't pcap_loop" line, and
# the rows the window shows before the close belong to the last adapter.
set -u
. "$(dirname "$0")/netns.sh"
fx_require_root
FX_WINDOW=${FX_WINDOW:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-e2e-window}
fx_require_bin "$FX_SIM" "$FX_WINDOW"
n=${FX_BURST:-3000}
fx_setup 2
fx_sim 1 --burst "$n"
fx_sim 2 --burst "$n"

# Start-up scan bursts on link 1 (after 1 s); each switch restarts the
# capture and each Scan bursts on the selected link; the last Scan's burst is
# still arriving when the window closes.
script="wait 1100; select-adapter 1; scan; wait 40; select-adapter 0; scan; wait 15;"
script+=" select-adapter 1; scan; wait 5; select-adapter 0; scan; wait-rows $n 15000;"
script+=" select-adapter 1; scan; wait 20; quit"
out=$FX_DIR/window.out
fx_pc env QT_QPA_PLATFORM=offscreen "$FX_WINDOW" --script "$script" >"$out" 2>"$FX_DIR/window.err" &
win=$!
for ((i = 0; i < 600; i++)); do
    kill -0 "$win" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$win" 2>/dev/null; then
    kill -KILL "$win"
    fx_fail "the window did not end within 60 s"
fi
wait "$win"
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
