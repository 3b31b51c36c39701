#!/usr/bin/env bash
# A burst of 2,000 scan replies with a tenth as many broken frames to the
# reply port injected among them (fxbreaker.py: short frames, bad IPv4 header
# lengths, datagrams cut inside the header or the payload, lengths claiming
# more than the frame holds, other codes, IPv6) still lists every valid
# controller once and nothing else: in fendrix-cli's JSON and in the window.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli,window
n=${FX_BURST:-2000}
broken=$((n / 10))
fx_sim 1 --burst "$n"

ip netns exec "$FX_SEG" python3 "$FX_E2E/fxbreaker.py" "${FX_SEG_IF[1]}" "$broken" "$FX_DIR/breaker.ready" \
    2>"$FX_DIR/breaker.err" &
FX_PIDS+=($!)
fx_wait_ready $! "$FX_DIR/breaker.ready" 10 "the breaker did not start listening"
sent_broken() { [ "$(grep -c "sent $broken broken frames" "$FX_DIR/breaker.err")" -ge "$1" ]; }

fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 4000 --format json >"$FX_DIR/rows.json" ||
    fx_fail "fendrix-cli scan exited with $?"
fx_wait_for 10 "the broken frames were not sent" sent_broken 1
fx_check distinct_rows "$FX_DIR/rows.json" "$n" --foreign DE:AD || fx_fail "fendrix-cli: rows lost, doubled or made up"

out=$FX_DIR/window.out
# The wait after the last row gives late or doubled rows time to show.
fx_window --script "wait-rows $n 15000; wait 500; count; dump; quit" >"$out" 2>"$FX_DIR/window.err" ||
    fx_fail "the window driver ended with $?"
grep -qx "ROWS $n" "$out" || fx_fail "the window does not list $n rows: $(grep ROWS "$out")"
[ "$(fx_dumps "$out")" -eq 1 ] || fx_fail "one dump expected"
fx_check distinct_rows "$out.1.json" "$n" --foreign DE:AD || fx_fail "window: rows lost, doubled or made up"
fx_wait_for 10 "the window's scan did not meet the broken frames" sent_broken 2
sent_broken 3 && fx_fail "broken frames sent for more than the two scans"
echo "PASS"
