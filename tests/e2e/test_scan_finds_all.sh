#!/usr/bin/env bash
# fendrix-cli scan in the PC namespace finds every simulated controller,
# in the PC's subnet and outside it (169.254.x.x, 10.x), with the cells and
# records the simulator was given; and the one request it sent is the exact
# 52-byte scan to 192.168.0.255:8901. Stopped by a signal, a long scan ends
# at once with the rows until then and a whole --save-pcap file (SIGTERM:
# a script's background job ignores SIGINT, which takes the same path).
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
config=$FX_DATA/segment_mixed.json

fx_sim 1 --config "$config"
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/rows.json" ||
    fx_fail "fendrix-cli scan exited with $?"
fx_check rows "$FX_DIR/rows.json" "$config" || fx_fail "rows differ from the segment"
fx_check scan_requests "$(fx_log_file 1)" "$(fx_pc_mac 1)" 192.168.0.255 1 ||
    fx_fail "the scan request is not as expected"

: >"$(fx_log_file 1)"
# Not through fx_pc: $! must be the tool itself (ip netns exec execs it).
ip netns exec "$FX_PC" "$FX_CLI" scan --adapter 192.168.0.10 --wait 60000 --format json \
    --save-pcap "$FX_DIR/cut.pcap" >"$FX_DIR/cut.json" 2>"$FX_DIR/cut.err" &
scan=$!
fx_wait_requests 1 1
# A probe's scan is answered after the long scan's: once the probe has every
# reply, so has the long scan's capture.
seen=$(fx_probe 1 scan --wait 1500 | python3 -c 'import json,sys; print(len({r["sender"] for r in json.load(sys.stdin) if r.get("command") == 17}))')
[ "$seen" = "$(python3 -c "import json; print(len(json.load(open('$config'))))")" ] ||
    fx_fail "the probe saw $seen controllers"
kill -TERM $scan
wait $scan
rc=$?
[ $rc -eq 143 ] || fx_fail "interrupted scan exited with $rc: $(cat "$FX_DIR/cut.err")"
fx_check rows "$FX_DIR/cut.json" "$config" || fx_fail "the interrupted scan lost rows"
"$FX_CLI" scan --from-pcap "$FX_DIR/cut.pcap" --format json >"$FX_DIR/replayed.json" ||
    fx_fail "the pcap file of the interrupted scan does not replay"
cmp -s "$FX_DIR/cut.json" "$FX_DIR/replayed.json" || fx_fail "the pcap file holds other rows than were listed"
echo "PASS"
