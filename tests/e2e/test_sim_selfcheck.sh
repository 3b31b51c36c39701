#!/usr/bin/env bash
# The simulator on its own: a scan broadcast from the PC namespace gets one
# 216-byte reply per controller, at link level, with the configured fields;
# the request log records the request; SIGTERM ends it cleanly.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim

cat >"$FX_DIR/segment.json" <<'JSON'
[
  {"mac": "00:1a:2b:00:00:01", "ip": "192.168.0.77", "ip_type": 1, "subnet_mask": "255.255.255.0",
   "gateway": "192.168.0.1", "dns1": "8.8.8.8", "dns2": "", "https_enabled": 1, "http_port": 8080,
   "https_port": 8443, "server_ip": "192.168.0.5", "hardware_model": 100, "edition": 11,
   "max_door": 4, "firmware_version": "V3.2.1", "status": 99},
  {"mac": "00:1A:2B:00:00:02", "ip": "169.254.3.4", "ip_type": 0, "subnet_mask": "255.255.0.0",
   "hardware_model": 300, "edition": 4, "max_door": 1, "firmware_version": "V1.0.10abc", "status": 0},
  {"mac": "00:1a:2b:00:00:03", "ip": "10.1.2.3", "ip_type": 2, "dns2": "255.255.255.255.9999"}
]
JSON
fx_sim 1 --config "$FX_DIR/segment.json"
pc_mac=$(fx_pc_mac 1)

fx_probe 1 scan >"$FX_DIR/replies.json" || fx_fail "probe failed"
fx_sim_stop 1 || fx_fail "the simulator did not end cleanly on SIGTERM"
grep -q "controllers on" "$FX_DIR/sim1.err" || fx_fail "no start line from the simulator"

python3 - "$FX_DIR/replies.json" "$(fx_log_file 1)" "$pc_mac" <<'PY' || fx_fail "checks above"
import json, sys
replies = json.load(open(sys.argv[1]))
log = [json.loads(l) for l in open(sys.argv[2])]
pc_mac = sys.argv[3]
bad = []
def check(cond, what):
    if not cond: bad.append(what)

check(len(replies) == 3, f"3 replies expected, got {len(replies)}")
by_mac = {r["sender"]: r for r in replies}
check(set(by_mac) == {"00:1a:2b:00:00:01", "00:1A:2B:00:00:02", "00:1a:2b:00:00:03"},
      f"senders as configured: {sorted(by_mac)}")
for r in replies:
    check(r["length"] == 216, f"{r['sender']}: length {r['length']}")
    check((r["magic"], r["version"], r["header_length"]) == ("kestrel", 1, 52), f"{r['sender']}: header")
    check(r["target"] == pc_mac, f"{r['sender']}: target {r['target']} != {pc_mac}")
    check(r["dst_mac"] == pc_mac and r["dst_ip"] == "192.168.0.10", f"{r['sender']}: sent to the requester")
    check(r["src_port"] == 8901 and r["dst_port"] == 8911, f"{r['sender']}: ports")
    check(r["src_mac"] == r["sender"].lower() and r["src_ip"] == r["ip"], f"{r['sender']}: own MAC and IP")
a = by_mac.get("00:1a:2b:00:00:01", {})
check((a.get("ip"), a.get("ip_type"), a.get("subnet_mask"), a.get("gateway"), a.get("dns1"), a.get("dns2"))
      == ("192.168.0.77", 1, "255.255.255.0", "192.168.0.1", "8.8.8.8", ""), f"first net fields {a}")
check((a.get("https_enabled"), a.get("http_port"), a.get("https_port"), a.get("server_ip"))
      == (1, 8080, 8443, "192.168.0.5"), "first web fields")
check((a.get("hardware_model"), a.get("edition"), a.get("max_door"), a.get("firmware_version"), a.get("status"))
      == (100, 11, 4, "V3.2.1", 99), "first identity fields")
b = by_mac.get("00:1A:2B:00:00:02", {})
check((b.get("ip"), b.get("ip_type"), b.get("firmware_version"), b.get("status")) == ("169.254.3.4", 0, "V1.0.10abc", 0),
      f"second fields {b}")
check(bytes.fromhex(b.get("hex", ""))[204:214] == b"V1.0.10abc", "a 10-character version fills its field")
c = by_mac.get("00:1a:2b:00:00:03", {})
check(c.get("dns2") == "255.255.255.255.9999" and bytes.fromhex(c.get("hex", ""))[153:173] == b"255.255.255.255.9999",
      "a full 20-character text has no terminator")

check(len(log) == 1, f"one logged request, got {len(log)}")
if log:
    l = log[0]
    check((l["command"], l["length"], l["dst_ip"], l["dst_port"], l["dst_mac"]) ==
          (1, 52, "192.168.0.255", 8901, "ff:ff:ff:ff:ff:ff"), f"log line {l}")
    check(l["src_mac"] == pc_mac and l["src_ip"] == "192.168.0.10", "log source")
for w in bad: print("  -", w)
sys.exit(1 if bad else 0)
PY
echo "PASS"
