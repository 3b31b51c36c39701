#!/usr/bin/env bash
# fendrix-cli reset: an exact 192-byte request, credentials checked by the
# controller, and its factory defaults back in the next scan; an
# off-subnet controller is reached by broadcast.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli

cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1a:2b:30:00:01", "ip": "192.168.0.41", "ip_type": 1, "http_port": 8081, "server_ip": "192.168.0.5",
   "user": "boss", "password": "0123456789012345678901234567890123456789012345678",
   "defaults": {"ip": "192.168.0.200", "ip_type": 0, "http_port": 80, "server_ip": ""}},
  {"mac": "00:1A:2B:30:00:02", "ip": "10.3.3.3", "ip_type": 1, "subnet_mask": "255.0.0.0",
   "defaults": {"ip": "169.254.0.2", "ip_type": 0, "subnet_mask": "255.255.0.0"}}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json"
log=$(fx_log_file 1)
pc_mac=$(fx_pc_mac 1)
cli() { fx_pc "$FX_CLI" "$1" --adapter 192.168.0.10 --wait 1000 "${@:2}"; }
long=0123456789012345678901234567890123456789012345678  # 49 characters

out=$(cli reset --target 192.168.0.41 --user boss --password nope)
rc=$?
[ "$out" = "Result 5: The UserID or Password you typed do not match." ] && [ $rc -eq 4 ] ||
    fx_fail "wrong password: '$out', exit $rc"
cli scan --format json >"$FX_DIR/still.json"
fx_check row_of "$FX_DIR/still.json" 00:1a:2b:30:00:01 ip_address=192.168.0.41 record.http_port=8081 ||
    fx_fail "a refused reset changed the controller"

: >"$log"
out=$(cli reset --target 00:1A:2B:30:00:01 --user boss --password "$long")
rc=$?
[ "$out" = "Result 0: Sucess" ] && [ $rc -eq 0 ] || fx_fail "reset: '$out', exit $rc"
fx_check expect_request "$log" "$(cat <<JSON
{"command": 3, "length": 192, "dst_ip": "192.168.0.41", "dst_mac": "00:1a:2b:30:00:01",
 "sender": "$pc_mac", "target": "00:1a:2b:30:00:01",
 "texts": {"52": "192.168.0.10", "72": "192.168.0.41", "92": "boss", "142": "$long"}}
JSON
)" || fx_fail "the factory reset request is not as expected"

out=$(cli reset --target 00:1a:2b:30:00:02 --user admin --password admin)
[ "$out" = "Result 0: Sucess" ] || fx_fail "off-subnet reset printed '$out'"
fx_check requests "$log" 3 2 2 dst_ip=192.168.0.255 target=00:1a:2b:30:00:02 ||
    fx_fail "off-subnet reset was not broadcast"

cli scan --format json >"$FX_DIR/after.json"
fx_check row_of "$FX_DIR/after.json" 00:1a:2b:30:00:01 ip_address=192.168.0.200 ip_type=DHCP record.http_port=80 \
    server_ip= || fx_fail "defaults not restored"
fx_check row_of "$FX_DIR/after.json" 00:1A:2B:30:00:02 ip_address=169.254.0.2 record.subnet_mask=255.255.0.0 ||
    fx_fail "off-subnet defaults not restored"
echo "PASS"
