#!/usr/bin/env bash
# Every reply arriving twice still gives one row per controller; a second
# scan numbers the rows from 1 again.
set -u
. "$(dirname "$0")/netns.sh"
fx_require_root
fx_require_bin "$FX_SIM" "$FX_CLI"
fx_setup 1
here=$FENDRIX_SRC_DIR/tests/e2e
config=$here/data/segment_mixed.json

fx_sim 1 --config "$config" --duplicate 1.0
for run in 1 2; do
    fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/rows$run.json" ||
        fx_fail "scan $run exited with $?"
    python3 "$here/fxcheck.py" rows "$FX_DIR/rows$run.json" "$config" || fx_fail "scan $run: rows differ"
done
fx_sim_stop 1

# A bigger generated segment, each reply doubled: one row per distinct MAC.
fx_sim 1 --count 60 --seed 7 --duplicate 1.0
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 2000 --format json >"$FX_DIR/gen.json" ||
    fx_fail "generated scan exited with $?"
python3 - "$FX_DIR/gen.json" <<'PY' || fx_fail "generated segment"
import json, sys
rows = json.load(open(sys.argv[1]))
macs = [r["mac_address"] for r in rows]
ok = len(rows) == 60 and len(set(macs)) == 60
ok = ok and [r["no"] for r in rows] == ["  %d" % i for i in range(1, 61)]
if not ok: print(f"  - 60 rows with distinct MACs numbered 1..60 expected, got {len(rows)} ({len(set(macs))} distinct)")
sys.exit(0 if ok else 1)
PY
echo "PASS"
