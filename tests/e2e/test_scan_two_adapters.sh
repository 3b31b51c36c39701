#!/usr/bin/env bash
# Two adapters on two segments: --adapter picks the link, the broadcast
# leaves through the chosen adapter only, and only that segment's
# controllers are listed.
. "$(dirname "$0")/netns.sh"
fx_begin --links 2 --needs sim,cli

cat >"$FX_DIR/seg1.json" <<'JSON'
[{"mac": "00:1a:2b:01:00:01", "ip": "192.168.0.51"},
 {"mac": "00:1a:2b:01:00:02", "ip": "169.254.1.2", "ip_type": 0}]
JSON
cat >"$FX_DIR/seg2.json" <<'JSON'
[{"mac": "00:1a:2b:02:00:01", "ip": "10.77.0.51", "hardware_model": 4, "edition": 3},
 {"mac": "00:1a:2b:02:00:02", "ip": "192.168.0.52"},
 {"mac": "00:1a:2b:02:00:03", "ip": "10.9.9.9"}]
JSON
fx_sim 1 --config "$FX_DIR/seg1.json"
fx_sim 2 --config "$FX_DIR/seg2.json"
log1=$(fx_log_file 1)
log2=$(fx_log_file 2)

fx_pc "$FX_CLI" scan --adapter 10.77.0.10 --wait 1200 --format json >"$FX_DIR/rows2.json" ||
    fx_fail "scan on adapter 2 exited with $?"
fx_check rows "$FX_DIR/rows2.json" "$FX_DIR/seg2.json" || fx_fail "adapter 2 rows"
fx_check scan_requests "$log2" "$(fx_pc_mac 2)" 10.77.0.255 1 || fx_fail "adapter 2 request"
fx_check no_requests "$log1" || fx_fail "the scan on adapter 2 leaked onto link 1"

# The interface name picks an adapter as well.
fx_pc "$FX_CLI" scan --adapter "${FX_PC_IF[1]}" --wait 1200 --format json >"$FX_DIR/rows1.json" ||
    fx_fail "scan on adapter 1 exited with $?"
fx_check rows "$FX_DIR/rows1.json" "$FX_DIR/seg1.json" || fx_fail "adapter 1 rows"
fx_check scan_requests "$log1" "$(fx_pc_mac 1)" 192.168.0.255 1 || fx_fail "adapter 1 request"
fx_check scan_requests "$log2" "$(fx_pc_mac 2)" 10.77.0.255 1 ||
    fx_fail "the scan on adapter 1 leaked onto link 2"
echo "PASS"
