#!/usr/bin/env bash
# Malformed frames to the reply port (short frames, IHL below 5, oversized
# IHL, truncated datagrams, lengths claiming more than the frame holds,
# request and unknown codes, non-IPv4 frames) interleaved with every real
# reply change nothing: the same rows as without them, and no crash.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
config=$FX_DATA/segment_mixed.json

fx_sim 1 --config "$config" --malformed 1.0
# Two scans so that every kind of malformed frame is met at least once.
for run in 1 2; do
    fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/rows$run.json"
    rc=$?
    [ $rc -eq 0 ] || fx_fail "scan $run exited with $rc"
    fx_check rows "$FX_DIR/rows$run.json" "$config" || fx_fail "scan $run: rows differ"
done
echo "PASS"
