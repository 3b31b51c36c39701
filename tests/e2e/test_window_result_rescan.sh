#!/usr/bin/env bash
# Device commands through the real window's dialogs: each result reply shows
# its message and starts exactly one new scan, whose rows replace the old.
# A network change goes by unicast to the controller's old address (exact
# 318 bytes) and the rescan lists it at the new one; wrong credentials and a
# refusing controller change nothing; an off-subnet controller is reached by
# broadcast; a factory reset (192 bytes) restores the defaults. Cancelled
# dialogs, and the buttons without a selected row, send nothing.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,window

A=00:1a:2b:30:00:01
B=00:1a:2b:30:00:02
C=00:1a:2b:30:00:03
cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1A:2B:30:00:01", "ip": "192.168.0.77", "ip_type": 0, "subnet_mask": "255.255.255.0",
   "gateway": "192.168.0.1", "dns1": "192.168.0.1", "dns2": "", "https_enabled": 1, "http_port": 8080,
   "https_port": 8443, "server_ip": "192.168.0.5", "user": "installer", "password": "pass1234",
   "defaults": {"ip": "192.168.0.200", "ip_type": 0, "gateway": "192.168.0.1", "https_enabled": 0,
                "http_port": 80, "https_port": 443, "server_ip": ""}},
  {"mac": "00:1a:2b:30:00:02", "ip": "169.254.3.4", "ip_type": 0, "subnet_mask": "255.255.0.0", "gateway": ""},
  {"mac": "00:1a:2b:30:00:03", "ip": "192.168.0.78", "refuse_network_change": true}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json"
log=$(fx_log_file 1)
pc_mac=$(fx_pc_mac 1)

# Network change (ok, wrong login, refused, off-subnet) and factory reset.
# The message comes first and its rescan empties the list at once; the wait
# after the new rows gives a doubled row time to show.
out=$FX_DIR/commands.out
settle() { echo "wait-prompts $1 3000; wait-rows 3 3000; wait 200; dump"; }
fx_window --script "wait-rows 3 3000;
    click $A; netcfg static ip=192.168.0.99 gateway=192.168.0.254 user=installer password=pass1234; $(settle 1);
    click $A; netcfg ip=192.168.0.98 user=installer password=wrong; $(settle 2);
    click $C; netcfg ip=192.168.0.88 user=admin password=admin; $(settle 3);
    click $B; netcfg static ip=192.168.0.60 mask=255.255.255.0 gateway=192.168.0.1 user=admin password=admin;
    $(settle 4);
    click $A; reset user=installer password=pass1234; $(settle 5); quit" >"$out" ||
    fx_fail "the window exited with $?: $(cat "$out")"
grep -q TIMEOUT "$out" && fx_fail "a reply or a row did not come: $(grep TIMEOUT "$out")"

got=$(grep '^PROMPT' "$out")
want="PROMPT information: Sucess
PROMPT information: The UserID or Password you typed do not match.
PROMPT information: Network Change not Use
PROMPT information: Sucess
PROMPT information: Sucess"
[ "$got" = "$want" ] || fx_fail "prompts were:
$got"

fx_requests_in_order 1 scan "$(cat <<JSON
{"command": 2, "length": 318, "dst_ip": "192.168.0.77", "dst_mac": "$A", "sender": "$pc_mac", "target": "$A",
 "texts": {"52": "192.168.0.10", "72": "192.168.0.77", "93": "192.168.0.99", "113": "255.255.255.0",
           "133": "192.168.0.254", "153": "192.168.0.1", "173": "0.0.0.0", "198": "192.168.0.5",
           "218": "installer", "268": "pass1234"},
 "u8": {"92": 1, "193": 1}, "u16": {"194": 8080, "196": 8443}}
JSON
)" scan '{"command": 2, "length": 318, "dst_ip": "192.168.0.99", "sender": "'"$pc_mac"'", "target": "'"$A"'",
 "texts": {"52": "192.168.0.10", "72": "192.168.0.99", "93": "192.168.0.98", "113": "255.255.255.0",
           "133": "192.168.0.254", "153": "192.168.0.1", "173": "0.0.0.0", "198": "192.168.0.5",
           "218": "installer", "268": "wrong"},
 "u8": {"92": 1, "193": 1}, "u16": {"194": 8080, "196": 8443}}' scan '{"command": 2, "length": 318,
 "dst_ip": "192.168.0.78", "sender": "'"$pc_mac"'", "target": "'"$C"'",
 "texts": {"52": "192.168.0.10", "72": "192.168.0.78", "93": "192.168.0.88", "113": "255.255.255.0",
           "133": "192.168.0.1", "153": "0.0.0.0", "173": "0.0.0.0", "198": "0.0.0.0", "218": "admin", "268": "admin"},
 "u8": {"92": 1, "193": 0}, "u16": {"194": 80, "196": 443}}' scan '{"command": 2, "length": 318,
 "dst_ip": "192.168.0.255", "dst_mac": "ff:ff:ff:ff:ff:ff", "sender": "'"$pc_mac"'", "target": "'"$B"'",
 "texts": {"52": "192.168.0.10", "72": "169.254.3.4", "93": "192.168.0.60", "113": "255.255.255.0",
           "133": "192.168.0.1", "153": "0.0.0.0", "173": "0.0.0.0", "198": "0.0.0.0", "218": "admin", "268": "admin"},
 "u8": {"92": 1, "193": 0}, "u16": {"194": 80, "196": 443}}' scan '{"command": 3, "length": 192,
 "dst_ip": "192.168.0.99", "dst_mac": "'"$A"'", "sender": "'"$pc_mac"'", "target": "'"$A"'",
 "texts": {"52": "192.168.0.10", "72": "192.168.0.99", "92": "installer", "142": "pass1234"}}' scan ||
    fx_fail "the requests are not one command and one scan after it, each as expected"

# The dialogs opened pre-filled from the clicked row's record.
python3 - "$out" <<'PY' || fx_fail "a dialog did not open as the row's record says"
import json, sys
dialogs = [json.loads(l[len("DIALOG "):]) for l in open(sys.argv[1]) if l.startswith("DIALOG ")]
want = [
    ("Network Settting", {"dhcp": True, "static": False, "ip": "192.168.0.77", "mask": "255.255.255.0",
      "gateway": "192.168.0.1", "dns1": "192.168.0.1", "dns2": "", "server": "192.168.0.5", "https": True,
      "http": "8080", "https-port": "8443", "user": "", "password": ""},
     ["dns1", "dns2", "gateway", "ip", "mask"]),
    ("Network Settting", {"static": True, "ip": "192.168.0.99", "gateway": "192.168.0.254"}, []),
    ("Network Settting", {"static": True, "ip": "192.168.0.78", "https": False, "https-port": "443"}, ["https-port"]),
    ("Network Settting", {"dhcp": True, "ip": "169.254.3.4", "mask": "255.255.0.0", "gateway": ""}, None),
    ("Factory Reset", {"user": "", "password": ""}, []),
]
ok = len(dialogs) == len(want)
for got, (title, values, disabled) in zip(dialogs, want):
    bad = {k: got["values"].get(k) for k, v in values.items() if got["values"].get(k) != v}
    if got["title"] != title or bad or (disabled is not None and sorted(got["disabled"]) != disabled):
        print(f"  - {title}: {got}\n    differs in {bad}")
        ok = False
sys.exit(0 if ok else 1)
PY

[ "$(fx_dumps "$out")" -eq 5 ] || fx_fail "five dumps expected: $(cat "$out")"
# Each rescan replaced the rows: one row per controller, renumbered.
for n in 1 2 3 4 5; do
    fx_check distinct_rows "$out.$n.json" 3 || fx_fail "dump $n does not hold the three controllers once"
done
fx_check row_of "$out.1.json" $A ip_address=192.168.0.99 ip_type=Static record.gateway=192.168.0.254 \
    record.server_ip=192.168.0.5 || fx_fail "the rescan does not list the controller at its new address"
fx_check row_of "$out.2.json" $A ip_address=192.168.0.99 || fx_fail "wrong credentials changed the controller"
fx_check row_of "$out.3.json" $C ip_address=192.168.0.78 || fx_fail "the refusing controller changed"
fx_check row_of "$out.4.json" $B ip_address=192.168.0.60 ip_type=Static || fx_fail "off-subnet controller did not move"
fx_check row_of "$out.5.json" $A ip_address=192.168.0.200 ip_type=DHCP record.http_port=80 \
    record.https_enabled=0 record.server_ip= || fx_fail "factory reset did not restore the defaults"

# Cancelled dialogs, and the buttons before any row exists, send nothing; the
# last wait gives a request that should not be sent time to reach the link.
: >"$log"
out=$FX_DIR/cancel.out
fx_window --script "netcfg user=admin password=admin; reset user=admin password=admin; wait-rows 3 3000;
    click $A; netcfg static ip=192.168.0.61 user=installer password=pass1234 cancel;
    click $A; reset user=installer password=pass1234 cancel; wait 1000; count; quit" >"$out" ||
    fx_fail "the window exited with $?: $(cat "$out")"
[ "$(grep -c '^NO DIALOG' "$out")" = 2 ] || fx_fail "a dialog opened without a selected row: $(cat "$out")"
[ "$(grep -c '^DIALOG' "$out")" = 2 ] || fx_fail "the cancelled dialogs did not open: $(cat "$out")"
grep -q '^PROMPT' "$out" && fx_fail "a cancelled dialog caused a prompt: $(grep '^PROMPT' "$out")"
grep -q '^ROWS 3$' "$out" || fx_fail "the rows went after a cancel: $(grep '^ROWS' "$out")"
fx_requests_in_order 1 scan || fx_fail "a cancelled dialog sent something"
echo "PASS"
