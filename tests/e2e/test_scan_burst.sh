#!/usr/bin/env bash
# A burst of thousands of scan replies, injected as fast as the link takes
# them, is listed whole: no reply lost, none doubled. (How fast is the
# benchmarks' business; this only checks that nothing goes missing.)
set -u
. "$(dirname "$0")/netns.sh"
fx_require_root
fx_require_bin "$FX_SIM" "$FX_CLI"
fx_setup 1
n=${FX_BURST:-5000}

fx_sim 1 --burst $n
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 4000 --format json >"$FX_DIR/rows.json" ||
    fx_fail "scan exited with $?"
fx_sim_stop 1
grep -q "burst sent $n of $n frames" "$FX_DIR/sim1.err" || fx_fail "the simulator did not send the whole burst"
python3 - "$FX_DIR/rows.json" $n <<'PY' || fx_fail "rows lost or doubled"
import json, sys
rows, n = json.load(open(sys.argv[1])), int(sys.argv[2])
macs = {r["mac_address"] for r in rows}
ok = len(rows) == n and len(macs) == n and rows[-1]["no"] == "  %d" % n
if not ok: print(f"  - {n} distinct rows expected, got {len(rows)} rows, {len(macs)} distinct")
sys.exit(0 if ok else 1)
PY
echo "PASS"
