#!/usr/bin/env bash
# fendrix-cli scan --check on a segment built for it: two controllers with one
# address, a MAC at two addresses (a second reply forged from the segment), a
# controller at the PC's own address, a mask with a hole, a gateway outside
# its subnet, a DHCP controller that no DHCP server answered, controllers
# outside the PC's subnet, and sound ones. JSON rows carry each row's
# problems (empty when sound), the table and CSV a Problems column, and the
# exit status is 11.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli

cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1a:2b:50:00:01", "ip": "192.168.0.51"},
  {"mac": "00:1a:2b:50:00:02", "ip": "192.168.0.51"},
  {"mac": "00:1a:2b:50:00:03", "ip": "192.168.0.10"},
  {"mac": "00:1a:2b:50:00:04", "ip": "192.168.0.54", "subnet_mask": "255.0.255.0"},
  {"mac": "00:1a:2b:50:00:05", "ip": "192.168.0.55", "gateway": "192.168.1.1"},
  {"mac": "00:1a:2b:50:00:06", "ip": "169.254.9.9", "ip_type": 0, "subnet_mask": "255.255.0.0", "gateway": ""},
  {"mac": "00:1a:2b:50:00:07", "ip": "10.7.0.7", "gateway": "10.7.0.1"},
  {"mac": "00:1a:2b:50:00:08", "ip": "192.168.0.58"},
  {"mac": "00:1a:2b:50:00:09", "ip": "192.168.0.59"}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json"
rm -f "$FX_DIR/forger.ready"
ip netns exec "$FX_SEG" python3 "$FX_E2E/fxforge.py" --iface "${FX_SEG_IF[1]}" --ready "$FX_DIR/forger.ready" \
    --scan-reply 00:1a:2b:50:00:08 192.168.0.88 192.168.0.1 192.168.0.1 2>"$FX_DIR/forger.err" &
FX_PIDS+=("$!")
fx_wait_ready "$!" "$FX_DIR/forger.ready" 10 "the forger did not start"
scan() { fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --check "$@" 2>/dev/null; }

scan --format json >"$FX_DIR/rows.json"
rc=$?
[ $rc -eq 11 ] || fx_fail "scan --check with problems exited with $rc"
python3 - "$FX_DIR/rows.json" "${FX_PC_IF[1]}" <<'PY' || fx_fail "the problems of the rows"
import json, sys
rows, adapter = json.load(open(sys.argv[1])), sys.argv[2]
outside = ("outside this PC's subnet 192.168.0.x: its web page cannot be opened from here; move it "
           "into 192.168.0.x (netcfg) or give this PC an address in ")
want = {
    ("00:1A:2B:50:00:01", "192.168.0.51"): ["192.168.0.51 is also the address of 00:1A:2B:50:00:02"],
    ("00:1A:2B:50:00:02", "192.168.0.51"): ["192.168.0.51 is also the address of 00:1A:2B:50:00:01"],
    ("00:1A:2B:50:00:03", "192.168.0.10"): [f"192.168.0.10 is this PC's own address (adapter {adapter})"],
    ("00:1A:2B:50:00:04", "192.168.0.54"): ["mask 255.0.255.0 is not contiguous"],
    ("00:1A:2B:50:00:05", "192.168.0.55"): ["gateway 192.168.1.1 is outside its subnet 192.168.0.0/24"],
    ("00:1A:2B:50:00:06", "169.254.9.9"): ["no DHCP server answered: 169.254.9.9 is a link-local address",
                                           outside + "169.254.9.x"],
    ("00:1A:2B:50:00:07", "10.7.0.7"): [outside + "10.7.0.x"],
    ("00:1A:2B:50:00:08", "192.168.0.58"): ["this MAC also answers at 192.168.0.88"],
    ("00:1A:2B:50:00:08", "192.168.0.88"): ["this MAC also answers at 192.168.0.58"],
    ("00:1A:2B:50:00:09", "192.168.0.59"): [],
}
got = {(r["mac_address"], r["ip_address"]): r["problems"] for r in rows}
bad = [(k, got.get(k), v) for k, v in want.items() if got.get(k) != v] + [k for k in got if k not in want]
for b in bad:
    print("  -", b)
sys.exit(1 if bad else 0)
PY

# The table and the CSV say it in words, in a last column.
scan --format csv >"$FX_DIR/rows.csv"
rc=$?
python3 - "$FX_DIR/rows.csv" <<'PY' && [ $rc -eq 11 ] || fx_fail "the CSV's Problems column (exit $rc)"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
by = {(r[2], r[3]): r[-1] for r in rows[1:]}
ok = rows[0][-1] == "Problems" and by[("00:1A:2B:50:00:09", "192.168.0.59")] == "" and \
    by[("00:1A:2B:50:00:06", "169.254.9.9")].startswith(
        "no DHCP server answered: 169.254.9.9 is a link-local address; outside this PC's subnet")
sys.exit(0 if ok else 1)
PY
out=$(scan)
rc=$?
[ $rc -eq 11 ] && grep -q "Problems" <<<"$(head -1 <<<"$out")" &&
    grep -q "00:1A:2B:50:00:04 .*mask 255.0.255.0 is not contiguous" <<<"$out" ||
    fx_fail "the table's Problems column (exit $rc): $out"
echo "PASS"
