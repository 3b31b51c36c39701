#!/usr/bin/env bash
# Records the traffic fixtures of this folder from a simulated segment
# (needs root; everything happens inside namespaces that netns.sh makes):
#   scan.pcap      a scan of segment.json with duplicates, and a broken frame of
#                  every kind after the replies (those that pass the filter stay)
#                  plus a result reply (wrong reset password) and an
#                  apply reply (OEM/MAC write) met during the scan
#   scan.json      what fendrix-cli scan --from-pcap lists from it
# Re-record only when the wire layouts change, and check scan.json by hand.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../e2e/netns.sh"
fx_begin --links 1 --needs sim,cli
fx_sim 1 --config "$here/segment.json" --duplicate 0.5 --malformed 1.0

fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 2500 --format json --save-pcap "$FX_DIR/scan.pcap" \
    >"$FX_DIR/live.json" &
scan=$!
# Heard by the running scan (its request is out, so its capture is open): a
# result reply (refused reset) and an apply reply.
fx_wait_requests 1 1
fx_probe 1 reset --target 00:1a:2b:20:00:02 --current-ip 192.168.0.42 --user admin \
    --password wrong --wait 300 >/dev/null
fx_probe 1 oem --target 00:1a:2b:20:00:01 --current-ip 192.168.0.41 --oem Keystone \
    --new-mac 00:1a:2b:20:00:01 --wait 300 >/dev/null
wait $scan || fx_fail "live scan exited with $?"
fx_check rows "$FX_DIR/live.json" "$here/segment.json" ||
    fx_fail "the live scan did not list every controller once"
cp "$FX_DIR/scan.pcap" "$here/scan.pcap"
"$FX_CLI" scan --from-pcap "$here/scan.pcap" --format json >"$FX_DIR/replay.json" || fx_fail "replay failed"
python3 -m json.tool --indent 1 "$FX_DIR/replay.json" >"$here/scan.json"
cmp -s <(python3 -m json.tool "$FX_DIR/live.json") <(python3 -m json.tool "$here/scan.json") ||
    fx_fail "the replay lists other rows than the live scan"
echo "recorded $(wc -c <"$here/scan.pcap") bytes"
