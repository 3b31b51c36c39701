#!/usr/bin/env bash
# fendrix-cli scan in the PC namespace finds every simulated controller,
# in the PC's subnet and outside it (169.254.x.x, 10.x), with the cells and
# records the simulator was given; and the one request it sent is the exact
# 52-byte scan to 192.168.0.255:8901.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
config=$FX_DATA/segment_mixed.json

fx_sim 1 --config "$config"
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/rows.json" ||
    fx_fail "fendrix-cli scan exited with $?"
fx_check rows "$FX_DIR/rows.json" "$config" || fx_fail "rows differ from the segment"
fx_check scan_requests "$(fx_log_file 1)" "$(fx_pc_mac 1)" 192.168.0.255 1 ||
    fx_fail "the scan request is not as expected"
echo "PASS"
