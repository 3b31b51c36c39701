#!/usr/bin/env bash
# The simulated controllers' answers to device commands, checked at the wire
# with the probe (no Fendrix code involved): credentials, refusal, reboot,
# new settings in the next scan, factory defaults, OEM/MAC apply codes,
# ARP for unicast, the fault switches, and a production line: units plugged
# in over time, writes that fail a set number of times, new MACs.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim

cat >"$FX_DIR/segment.json" <<'JSON'
[
  {"mac": "00:1A:2B:00:00:01", "ip": "192.168.0.77", "ip_type": 0, "user": "root", "password": "s3cret",
   "defaults": {"ip": "192.168.0.250", "ip_type": 1, "http_port": 80}},
  {"mac": "00:1a:2b:00:00:02", "ip": "169.254.3.4", "refuse_network_change": true},
  {"mac": "00:1a:2b:00:00:03", "ip": "192.168.0.78", "reboot_on_change": true, "apply_reply_code": 20},
  {"mac": "00:1a:2b:00:00:04", "ip": "10.1.2.3", "apply_reply_code": 21, "apply_fails": true}
]
JSON
fx_sim 1 --config "$FX_DIR/segment.json"
R="$FX_DIR/r"
mkdir -p "$R"
n=0
probe() { n=$((n + 1)); fx_probe 1 "$@" >"$R/$n.json" || fx_fail "probe $n failed"; }

probe --dst 192.168.0.77 netcfg --target 00:1a:2b:00:00:01 --current-ip 192.168.0.77 --static \
    --ip 192.168.0.99 --user root --password wrong                                       # 1: bad login
probe --dst 192.168.0.77 netcfg --target 00:1a:2b:00:00:01 --current-ip 192.168.0.77 --static \
    --ip 192.168.0.99 --mask 255.255.0.0 --gateway 192.168.0.254 --dns1 1.1.1.1 --dns2 0.0.0.0 \
    --server-ip 192.168.0.5 --https --http-port 81 --https-port 444 --user root --password s3cret  # 2: unicast
probe scan                                                                               # 3
probe netcfg --target 00:1a:2b:00:00:02 --current-ip 169.254.3.4 --static --ip 169.254.3.5 \
    --user admin --password admin                                                        # 4: refused
probe netcfg --target 00:1A:2B:00:00:03 --current-ip 192.168.0.78 --static --ip 192.168.0.79 \
    --user admin --password admin                                                        # 5: reboot, upper-case target
probe reset --target 00:1a:2b:00:00:01 --current-ip 192.168.0.99 --user root --password s3cret  # 6
probe oem --target 00:1a:2b:00:00:03 --current-ip 192.168.0.79 --oem MARLO2 --new-mac 00:1A:2B:00:00:33  # 7
probe oem --target 00:1a:2b:00:00:04 --current-ip 10.1.2.3 --oem ZANT --new-mac 00:1a:2b:00:00:44        # 8
probe oem --target 00:1a:2b:00:00:33 --current-ip 192.168.0.79 --oem QEL                 # 9: empty new MAC
probe reset --target 00:1a:2b:00:00:09 --current-ip 192.168.0.9 --user admin --password admin  # 10: nobody
probe scan                                                                               # 11
probe --dst 192.168.0.255 raw --hex "6b657374726501000134"                               # 12: 10 bytes only

python3 - "$R" "$(fx_log_file 1)" <<'PY' || fx_fail "checks above"
import json, sys
R = sys.argv[1]
def rep(i): return json.load(open(f"{R}/{i}.json"))
log = [json.loads(l) for l in open(sys.argv[2])]
bad = []
def check(c, what):
    if not c: bad.append(what)
def one(i, cmd):
    r = rep(i)
    check(len(r) == 1 and r[0].get("command") == cmd, f"request {i}: one reply of code {cmd}, got {r}")
    return r[0] if r else {}

r = one(1, 18); check(r.get("result") == 5 and r.get("length") == 93, f"bad login gives 5 in 93 bytes: {r}")
r = one(2, 18); check(r.get("result") == 0 and r.get("src_ip") == "192.168.0.77", "change answered 0 from the old address")
scan = {x["sender"].lower(): x for x in rep(3)}
a = scan.get("00:1a:2b:00:00:01", {})
check((a.get("ip"), a.get("ip_type"), a.get("subnet_mask"), a.get("gateway"), a.get("dns1"), a.get("dns2"),
       a.get("server_ip"), a.get("https_enabled"), a.get("http_port"), a.get("https_port")) ==
      ("192.168.0.99", 1, "255.255.0.0", "192.168.0.254", "1.1.1.1", "0.0.0.0", "192.168.0.5", 1, 81, 444),
      f"next scan shows every new setting: {a}")
check(a.get("src_ip") == "192.168.0.99", "the changed controller now answers from its new address")
r = one(4, 18); check(r.get("result") == 6, "refusing controller answers 6")
r = one(5, 18); check(r.get("result") == 1, "rebooting controller answers 1")
r = one(6, 18); check(r.get("result") == 0, "factory reset answers 0")
r = one(7, 20); check((r.get("length"), r.get("reply_text"), r.get("result"), r.get("apply_status"), r.get("oem_index"))
                      == (115, "00:1A:2B:00:00:33", 2, 2, 3), f"OEM apply: {r}")
r = one(8, 21); check((r.get("reply_text"), r.get("apply_status"), r.get("oem_index")) == ("00:1a:2b:00:00:44", 0, 7),
                      f"failing apply: {r}")
r = one(9, 20); check((r.get("reply_text"), r.get("apply_status"), r.get("oem_index")) == ("00:1A:2B:00:00:33", 2, 4),
                      f"empty new MAC keeps the MAC: {r}")
check(rep(10) == [], "a target nobody has gets no answer")
scan = {x["sender"].lower(): x for x in rep(11)}
check(set(scan) == {"00:1a:2b:00:00:01", "00:1a:2b:00:00:02", "00:1a:2b:00:00:33", "00:1a:2b:00:00:04"},
      f"new MAC listed, failed one unchanged: {sorted(scan)}")
check(scan.get("00:1a:2b:00:00:01", {}).get("ip") == "192.168.0.250", "factory reset restored the default address")
check(scan.get("00:1a:2b:00:00:33", {}).get("ip") == "192.168.0.79", "rebooted controller at its new address")
check(scan.get("00:1a:2b:00:00:33", {}).get("src_mac") == "00:1a:2b:00:00:33", "frames leave from the new MAC")
check(scan.get("00:1a:2b:00:00:02", {}).get("ip") == "169.254.3.4", "refused change left the address")
check(rep(12) == [], "a short datagram gets no answer")

check(len(log) == 12, f"every request logged: {len(log)}")
if len(log) >= 2:
    check((log[1]["dst_ip"], log[1]["length"], log[1]["command"], log[1]["target"]) ==
          ("192.168.0.77", 318, 2, "00:1a:2b:00:00:01"), f"unicast network change logged {log[1]}")
    check(log[1]["dst_mac"] == "00:1a:2b:00:00:01", "unicast went to the MAC the simulator gave in ARP")
if len(log) == 12:
    check(log[11]["length"] == 10 and log[11]["command"] is None, f"short datagram logged: {log[11]}")
for w in bad: print("  -", w)
sys.exit(1 if bad else 0)
PY
fx_sim_stop 1

# Faults: every reply doubled, and a malformed frame after each.
fx_sim 1 --count 6 --seed 3 --duplicate 1.0 --malformed 1.0
fx_probe 1 scan >"$R/dup.json"
fx_sim_stop 1
# Drops: nothing comes back at all.
fx_sim 1 --count 6 --drop 1.0
fx_probe 1 scan >"$R/drop.json"
fx_sim_stop 1
# Delay: the answer waits.
fx_sim 1 --count 2 --delay-ms 400
fx_probe 1 --wait 1200 scan >"$R/delay.json"
fx_sim_stop 1
# Burst: generated replies as fast as the link takes them.
fx_sim 1 --burst 2000
fx_probe 1 --wait 2000 scan >"$R/burst.json"
fx_sim_stop 1
python3 - "$R" "$FX_DIR/sim1.err" <<'PY' || fx_fail "fault checks above"
import json, sys, collections
R = sys.argv[1]
dup = json.load(open(f"{R}/dup.json"))
good = [r for r in dup if r.get("command") == 17 and r.get("length") == 216 and r.get("src_ip")]
count = collections.Counter(r["sender"].lower() for r in good)
bad = []
if not (len(count) == 6 and set(count.values()) == {2}): bad.append(f"each of 6 replies twice: {count}")
if len(dup) <= len(good): bad.append("malformed frames came along")
if json.load(open(f"{R}/drop.json")) != []: bad.append("--drop 1.0 sends nothing")
delay = json.load(open(f"{R}/delay.json"))
if len(delay) != 2 or min(r["t_ms"] for r in delay) < 380: bad.append(f"--delay-ms 400: {[r['t_ms'] for r in delay]}")
burst = json.load(open(f"{R}/burst.json"))
macs = {r["sender"] for r in burst if r.get("command") == 17}
if len(macs) < 1900: bad.append(f"burst: {len(macs)} distinct replies of 2000 seen")
if "burst sent 2000 of 2000" not in open(sys.argv[2]).read(): bad.append("burst report on stderr")
for w in bad: print("  -", w)
sys.exit(1 if bad else 0)
PY

# A production line: two units plugged in 300 ms apart, units whose first
# writes fail (refused, unanswered, applied with the answer lost), and one
# that is not plugged in during the test.
cat >"$FX_DIR/line.json" <<'JSON'
[
  {"mac": "02:fc:00:00:01:01", "ip": "192.168.0.181", "apply_failures": 2},
  {"mac": "02:fc:00:00:01:02", "ip": "192.168.0.182", "apply_failures": 1, "apply_failure": "silent"},
  {"mac": "02:fc:00:00:01:03", "ip": "169.254.9.3", "apply_failures": 1, "apply_failure": "answer_lost"},
  {"mac": "02:fc:00:00:01:04", "ip": "192.168.0.184", "appear_after_ms": 600000}
]
JSON
fx_sim 1 --config "$FX_DIR/line.json" --plug 2 --plug-interval 300 --log "$FX_DIR/line.jsonl"
for ((i = 0; i < 40; i++)); do
    fx_probe 1 --wait 200 scan >"$R/plugged.json" || fx_fail "probe failed"
    grep -q '"sender": "02:fc:00:00:00:02"' "$R/plugged.json" && break
done
oem() { n=$((n + 1)); fx_probe 1 oem --target "$1" --current-ip "$2" --oem QEL --new-mac "$3" >"$R/$n.json"; }
n=100
oem 02:fc:00:00:01:01 192.168.0.181 00:1a:2b:00:09:01  # 101, 102: refused
oem 02:fc:00:00:01:01 192.168.0.181 00:1a:2b:00:09:01
oem 02:fc:00:00:01:01 192.168.0.181 00:1a:2b:00:09:01  # 103: applied
oem 02:fc:00:00:01:02 192.168.0.182 00:1a:2b:00:09:02  # 104: silent
oem 02:fc:00:00:01:02 192.168.0.182 00:1a:2b:00:09:02  # 105: applied
oem 02:fc:00:00:01:03 169.254.9.3 00:1a:2b:00:09:03    # 106: applied, answer lost
oem 02:fc:00:00:01:04 192.168.0.184 00:1a:2b:00:09:04  # 107: not plugged in
fx_probe 1 scan >"$R/line.json"
fx_sim_stop 1
python3 - "$R" "$FX_DIR/line.jsonl" <<'PY' || fx_fail "production line checks above"
import json, sys
R = sys.argv[1]
def rep(i): return json.load(open(f"{R}/{i}.json"))
bad = []
def check(c, what):
    if not c: bad.append(what)
plugged = {r["sender"]: r for r in rep("plugged")}
check(plugged.get("02:fc:00:00:00:01", {}).get("ip") == "192.168.0.150" and
      plugged.get("02:fc:00:00:00:02", {}).get("ip") == "169.254.250.1", f"plugged units: {sorted(plugged)}")
check("02:fc:00:00:01:04" not in plugged, "a unit not yet plugged in does not answer a scan")
status = [[r.get("apply_status") for r in rep(i)] for i in range(101, 108)]
check(status == [[0], [0], [2], [], [2], [], []], f"apply answers in turn: {status}")
a = rep(103)[0] if rep(103) else {}
check(a.get("sender") == a.get("src_mac") == "02:fc:00:00:01:01", f"the answer leaves from the old MAC: {a}")
line = {r["sender"]: r for r in rep("line")}
check({"00:1a:2b:00:09:01", "00:1a:2b:00:09:02", "00:1a:2b:00:09:03"} <= set(line),
      f"the new MACs answer scans: {sorted(line)}")
check(not {"02:fc:00:00:01:01", "02:fc:00:00:01:02", "02:fc:00:00:01:03", "02:fc:00:00:01:04"} & set(line),
      "old MACs gone, the absent unit still silent")
log = [json.loads(l) for l in open(sys.argv[2])]
oem = [l["answers"] for l in log if l["command"] == 5]
check(oem == [1, 1, 1, 0, 1, 0, 0], f"the log counts each write's answers: {oem}")
for w in bad: print("  -", w)
sys.exit(1 if bad else 0)
PY
echo "PASS"
