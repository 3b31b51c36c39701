#!/usr/bin/env bash
# fendrix-cli apply: a MAC text that is not hexadecimal refused before
# anything is sent, the exact 162-byte OEM/MAC request, answers with codes
# 19, 20 and 21 handled alike, a failed apply reported as a failure, and the
# next scan listing the new MAC.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli

cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1a:2b:50:00:01", "ip": "192.168.0.51"},
  {"mac": "00:1A:2B:50:00:02", "ip": "192.168.0.52", "apply_reply_code": 20},
  {"mac": "00:1a:2b:50:00:03", "ip": "10.5.5.3", "apply_reply_code": 21},
  {"mac": "00:1a:2b:50:00:04", "ip": "192.168.0.54", "apply_fails": true}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json"
log=$(fx_log_file 1)
pc_mac=$(fx_pc_mac 1)
cli() { fx_pc "$FX_CLI" "$1" --adapter 192.168.0.10 --wait 1000 "${@:2}"; }

# A MAC text that is not hexadecimal is refused before anything is sent.
cli apply --target 00:1a:2b:50:00:01 --oem ZANT --mac zz:zz:zz:zz:zz:zz 2>"$FX_DIR/zz.err"
rc=$?
[ $rc -eq 2 ] && grep -q "Enter your Mac address correctly !" "$FX_DIR/zz.err" ||
    fx_fail "a MAC text of zz pairs: exit $rc, $(cat "$FX_DIR/zz.err")"
fx_check no_requests "$log" || fx_fail "a request went out for a MAC text of zz pairs"

out=$(cli apply --target 00:1a:2b:50:00:01 --oem ZANT --mac 0a0b0c0d0e0f)
rc=$?
[ "$out" = "Apply [ZANT - 0a:0b:0c:0d:0e:0f] OK" ] && [ $rc -eq 0 ] || fx_fail "code 19: '$out', exit $rc"
fx_check expect_request "$log" "$(cat <<JSON
{"command": 5, "length": 162, "dst_ip": "192.168.0.51", "dst_mac": "00:1a:2b:50:00:01",
 "sender": "$pc_mac", "target": "00:1a:2b:50:00:01",
 "texts": {"72": "192.168.0.51", "92": "ZANT", "142": "0a:0b:0c:0d:0e:0f"}}
JSON
)" || fx_fail "the OEM/MAC request is not as expected"

out=$(cli apply --target 00:1a:2b:50:00:02 --oem "MARLO #1" --mac "00 1A 2B 50 00 22")
rc=$?
[ "$out" = "Apply [MARLO #1 - 00:1A:2B:50:00:22] OK" ] && [ $rc -eq 0 ] || fx_fail "code 20: '$out', exit $rc"
out=$(cli apply --target 10.5.5.3 --oem qel --mac AB12-00:1a:2b:50:00:33)
rc=$?
[ "$out" = "Apply [QEL - 00:1a:2b:50:00:33] OK" ] && [ $rc -eq 0 ] || fx_fail "code 21: '$out', exit $rc"
fx_check requests "$log" 5 3 3 dst_ip=192.168.0.255 text@92:6=QEL || fx_fail "off-subnet apply was not broadcast"
out=$(cli apply --target 00:1a:2b:50:00:04 --oem KESTREL --mac 00:1a:2b:50:00:44)
rc=$?
[ "$out" = "Apply [KESTREL - 00:1a:2b:50:00:44] Failed !" ] && [ $rc -eq 4 ] || fx_fail "failed apply: '$out', exit $rc"

cli scan --format json >"$FX_DIR/after.json" || fx_fail "rescan failed"
fx_check row_of "$FX_DIR/after.json" 0a:0b:0c:0d:0e:0f ip_address=192.168.0.51 record.mac=0a:0b:0c:0d:0e:0f || fx_fail "new MAC 1"
fx_check row_of "$FX_DIR/after.json" 00:1A:2B:50:00:22 ip_address=192.168.0.52 || fx_fail "new MAC 2"
fx_check row_of "$FX_DIR/after.json" 00:1a:2b:50:00:33 ip_address=10.5.5.3 || fx_fail "new MAC 3"
fx_check row_of "$FX_DIR/after.json" 00:1a:2b:50:00:04 || fx_fail "the failed apply kept its MAC"
for old in 00:1a:2b:50:00:01 00:1a:2b:50:00:02 00:1a:2b:50:00:03 00:1a:2b:50:00:44; do
    fx_check absent "$FX_DIR/after.json" $old || fx_fail "$old still listed"
done
# The new MAC is reachable: a second apply by its new MAC works.
out=$(cli apply --target 0a:0b:0c:0d:0e:0f --oem RVM --mac "")
[ "$out" = "Apply [RVM - 0a:0b:0c:0d:0e:0f] OK" ] || fx_fail "apply by the new MAC: '$out'"
echo "PASS"
