#!/usr/bin/env bash
# A burst of thousands of scan replies, injected as fast as the link takes
# them, is listed whole: no reply lost, none doubled. (How fast is the
# benchmarks' business; this only checks that nothing goes missing.)
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
n=${FX_BURST:-5000}

fx_sim 1 --burst $n
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 4000 --format json >"$FX_DIR/rows.json" ||
    fx_fail "scan exited with $?"
fx_sim_stop 1
grep -q "burst sent $n of $n frames" "$FX_DIR/sim1.err" || fx_fail "the simulator did not send the whole burst"
fx_check distinct_rows "$FX_DIR/rows.json" "$n" || fx_fail "rows lost or doubled"
echo "PASS"
