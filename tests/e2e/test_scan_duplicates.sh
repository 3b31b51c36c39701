#!/usr/bin/env bash
# Every reply arriving twice still gives one row per controller; a second
# scan numbers the rows from 1 again.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
config=$FX_DATA/segment_mixed.json

fx_sim 1 --config "$config" --duplicate 1.0
for run in 1 2; do
    fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/rows$run.json" ||
        fx_fail "scan $run exited with $?"
    fx_check rows "$FX_DIR/rows$run.json" "$config" || fx_fail "scan $run: rows differ"
done
fx_sim_stop 1

# A bigger generated segment, each reply doubled: one row per distinct MAC.
fx_sim 1 --count 60 --seed 7 --duplicate 1.0
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 2000 --format json >"$FX_DIR/gen.json" ||
    fx_fail "generated scan exited with $?"
fx_check distinct_rows "$FX_DIR/gen.json" 60 || fx_fail "generated segment"
echo "PASS"
