#!/usr/bin/env bash
# fendrix-cli netcfg against simulated controllers: a DHCP controller made
# static at a new address (one exact 318-byte unicast to its old address,
# "Sucess", the next scan shows it at the new one); an off-subnet controller
# reached by broadcast; wrong credentials, a refusing controller and a
# rebooting one reported as such, with the right exit codes; an address with
# leading zeros refused before anything is sent.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli

cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1A:2B:20:00:01", "ip": "192.168.0.77", "ip_type": 0, "subnet_mask": "255.255.255.0",
   "gateway": "192.168.0.1", "dns1": "192.168.0.1", "dns2": "", "https_enabled": 1, "http_port": 8080,
   "https_port": 8443, "server_ip": "", "user": "installer", "password": "p@ss word"},
  {"mac": "00:1a:2b:20:00:02", "ip": "169.254.3.4", "ip_type": 0, "subnet_mask": "255.255.0.0", "gateway": ""},
  {"mac": "00:1a:2b:20:00:03", "ip": "192.168.0.78", "refuse_network_change": true},
  {"mac": "00:1a:2b:20:00:04", "ip": "192.168.0.79", "reboot_on_change": true}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json"
log=$(fx_log_file 1)
pc_mac=$(fx_pc_mac 1)
cli() { fx_pc "$FX_CLI" "$1" --adapter 192.168.0.10 --wait 1000 "${@:2}"; }

# DHCP -> static at a new address, by unicast to the current address.
out=$(cli netcfg --target 00:1A:2B:20:00:01 --static --ip 192.168.0.99 --gateway 192.168.0.254 \
    --user installer --password "p@ss word")
rc=$?
[ $rc -eq 0 ] || fx_fail "netcfg exited with $rc: $out"
[ "$out" = "Result 0: Sucess" ] || fx_fail "netcfg printed '$out'"
fx_check expect_request "$log" "$(cat <<JSON
{"command": 2, "length": 318, "dst_ip": "192.168.0.77", "dst_mac": "00:1a:2b:20:00:01",
 "sender": "$pc_mac", "target": "00:1a:2b:20:00:01",
 "texts": {"52": "192.168.0.10", "72": "192.168.0.77", "93": "192.168.0.99", "113": "255.255.255.0",
           "133": "192.168.0.254", "153": "192.168.0.1", "173": "0.0.0.0", "198": "0.0.0.0",
           "218": "installer", "268": "p@ss word"},
 "u8": {"92": 1, "193": 1}, "u16": {"194": 8080, "196": 8443}}
JSON
)" || fx_fail "the network change request is not as expected"
cli scan --format json >"$FX_DIR/after.json" || fx_fail "rescan failed"
fx_check row_of "$FX_DIR/after.json" 00:1A:2B:20:00:01 ip_address=192.168.0.99 ip_type=Static \
    record.gateway=192.168.0.254 record.http_port=8080 || fx_fail "the rescan does not show the new address"

# Off-subnet: the request goes by broadcast, and still reaches the controller.
: >"$log"
out=$(cli netcfg --target 169.254.3.4 --static --ip 192.168.0.60 --mask 255.255.255.0 \
    --gateway 192.168.0.1 --user admin --password admin)
[ "$out" = "Result 0: Sucess" ] || fx_fail "off-subnet netcfg printed '$out'"
fx_check requests "$log" 2 1 1 dst_ip=192.168.0.255 dst_mac=ff:ff:ff:ff:ff:ff text@72:20=169.254.3.4 ||
    fx_fail "off-subnet request was not broadcast"
cli scan --format json >"$FX_DIR/moved.json"
fx_check row_of "$FX_DIR/moved.json" 00:1a:2b:20:00:02 ip_address=192.168.0.60 || fx_fail "off-subnet controller did not move"

# Wrong credentials: reported, exit 4, nothing changes.
out=$(cli netcfg --target 00:1a:2b:20:00:01 --static --ip 192.168.0.98 --user installer --password wrong)
rc=$?
[ "$out" = "Result 5: The UserID or Password you typed do not match." ] || fx_fail "wrong login printed '$out'"
[ $rc -eq 4 ] || fx_fail "wrong login exited with $rc, expected 4"
# Refusal and reboot.
out=$(cli netcfg --target 00:1a:2b:20:00:03 --static --ip 192.168.0.88 --user admin --password admin)
rc=$?
[ "$out" = "Result 6: Network Change not Use" ] && [ $rc -eq 4 ] || fx_fail "refusal: '$out', exit $rc"
out=$(cli netcfg --target 00:1a:2b:20:00:04 --static --ip 192.168.0.89 --user admin --password admin)
rc=$?
[ "$out" = "Result 1: Sucess and System Reboot" ] && [ $rc -eq 0 ] || fx_fail "reboot: '$out', exit $rc"

cli scan --format json >"$FX_DIR/final.json"
fx_check row_of "$FX_DIR/final.json" 00:1A:2B:20:00:01 ip_address=192.168.0.99 || fx_fail "wrong login changed the address"
fx_check row_of "$FX_DIR/final.json" 00:1a:2b:20:00:03 ip_address=192.168.0.78 || fx_fail "refusing controller moved"
fx_check row_of "$FX_DIR/final.json" 00:1a:2b:20:00:04 ip_address=192.168.0.89 || fx_fail "rebooted controller did not move"

# An address with leading zeros (octal to other programs) is refused: exit 2,
# a message that names the plain form, nothing sent.
: >"$log"
err=$(cli netcfg --target 00:1a:2b:20:00:01 --ip 192.168.000.010 --user admin --password admin 2>&1 >/dev/null)
rc=$?
[ $rc -eq 2 ] || fx_fail "a leading-zero --ip exited with $rc, expected 2"
case $err in *"leading zeros"*"192.168.0.10"*) ;; *) fx_fail "a leading-zero --ip said '$err'" ;; esac
[ ! -s "$log" ] || fx_fail "a request was sent for a refused --ip"

# A target that no controller has: exit 6, nothing sent.
: >"$log"
cli netcfg --target 00:1a:2b:99:99:99 --static --ip 192.168.0.97 --user admin --password admin >/dev/null 2>&1
rc=$?
[ $rc -eq 6 ] || fx_fail "unknown target exited with $rc, expected 6"
fx_check requests "$log" 2 0 || fx_fail "a request was sent for an unknown target"
echo "PASS"
