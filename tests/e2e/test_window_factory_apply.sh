#!/usr/bin/env bash
# The factory panel of the real window ("-p" and the access code): click a
# row, choose a brand, type a MAC, Apply. Each request is the exact 162 bytes
# (unicast in the subnet, broadcast outside it); apply replies of codes 19,
# 20 and 21 all show "OK" and the labels "Apply [<brand> - <mac>]" / "[OK]",
# a failing controller "Failed !" / "[Failed !]"; the MAC entry is emptied,
# nothing rescans, and the next scan lists the new MACs.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,window

cat >"$FX_DIR/seg.json" <<'JSON'
[{"mac": "00:1a:2b:40:00:01", "ip": "192.168.0.41", "apply_reply_code": 19},
 {"mac": "00:1A:2B:40:00:02", "ip": "192.168.0.42", "apply_reply_code": 20},
 {"mac": "00:1a:2b:40:00:03", "ip": "169.254.40.3", "apply_reply_code": 21},
 {"mac": "00:1a:2b:40:00:04", "ip": "192.168.0.44", "apply_fails": true}]
JSON
fx_sim 1 --config "$FX_DIR/seg.json"
pc_mac=$(fx_pc_mac 1)

out=$FX_DIR/window.out
# The scan at the end empties the list at once; the wait after its rows
# gives a doubled row time to show.
fx_window -p 'tundrax5832!' --script "wait-rows 4 3000;
    click 00:1a:2b:40:00:01; oem 6; mac 0a0b0c0d0e0f; apply; wait-prompts 1 2000; labels;
    click 00:1a:2b:40:00:02; oem 1; mac  02 1a 2b 3c 4d 5e ; apply; wait-prompts 2 2000; labels;
    click 00:1a:2b:40:00:03; oem 2; mac AB12-00:1A:2B:40:99:03; apply; wait-prompts 3 2000; labels;
    click 00:1a:2b:40:00:04; oem 0; mac 00:1a:2b:40:99:04; apply; wait-prompts 4 2000; labels;
    count; scan; wait-rows 4 3000; wait 300; dump; quit" >"$out" ||
    fx_fail "the window exited with $?: $(cat "$out")"
grep -q TIMEOUT "$out" && fx_fail "a reply or a row did not come: $(grep TIMEOUT "$out")"

got=$(grep '^PROMPT' "$out")
want="PROMPT warning: OK
PROMPT warning: OK
PROMPT warning: OK
PROMPT warning: Failed !"
[ "$got" = "$want" ] || fx_fail "prompts were:
$got"
grep -q '^ROWS 4$' "$out" || fx_fail "the rows changed before the scan: $(grep '^ROWS' "$out")"

python3 - "$out" <<'PY' || fx_fail "the panel's labels"
import json, sys
labels = [json.loads(l) for l in open(sys.argv[1]) if l.startswith("{")]
want = [("Apply [ZANT - 0a:0b:0c:0d:0e:0f]", "[OK]"),
        ("Apply [MARLO #1 - 02:1a:2b:3c:4d:5e]", "[OK]"),
        ("Apply [MARLO #2 - 00:1A:2B:40:99:03]", "[OK]"),
        ("Apply [KESTREL - 00:1a:2b:40:99:04]", "[Failed !]")]
ok = len(labels) == len(want)
for got, (line, mark) in zip(labels, want):
    if (got["apply_result"], got["apply_mark"], got["mac_entry"], got["factory_mode"]) != (line, mark, "", True):
        print(f"  - {got}\n    expected {line!r}, {mark!r}, an empty MAC entry, factory mode")
        ok = False
sys.exit(0 if ok else 1)
PY

apply_request() {  # TARGET IP DST_IP OEM_CODE NEW_MAC
    echo '{"command": 5, "length": 162, "dst_ip": "'"$3"'", "sender": "'"$pc_mac"'", "target": "'"$1"'",
           "texts": {"72": "'"$2"'", "92": "'"$4"'", "142": "'"$5"'"}}'
}
fx_requests_in_order 1 scan \
    "$(apply_request 00:1a:2b:40:00:01 192.168.0.41 192.168.0.41 ZANT 0a:0b:0c:0d:0e:0f)" \
    "$(apply_request 00:1a:2b:40:00:02 192.168.0.42 192.168.0.42 MARLO1 02:1a:2b:3c:4d:5e)" \
    "$(apply_request 00:1a:2b:40:00:03 169.254.40.3 192.168.0.255 MARLO2 00:1A:2B:40:99:03)" \
    "$(apply_request 00:1a:2b:40:00:04 192.168.0.44 192.168.0.44 KESTREL 00:1a:2b:40:99:04)" \
    scan || fx_fail "the requests are not four exact applies with no rescan between"

[ "$(fx_dumps "$out")" -eq 1 ] || fx_fail "one dump expected: $(cat "$out")"
for gone in 00:1a:2b:40:00:01 00:1a:2b:40:00:02 00:1a:2b:40:00:03 00:1a:2b:40:99:04; do
    fx_check absent "$out.1.json" $gone || fx_fail "$gone is still (or wrongly) listed"
done
fx_check row_of "$out.1.json" 0a:0b:0c:0d:0e:0f ip_address=192.168.0.41 || fx_fail "new MAC of .41"
fx_check row_of "$out.1.json" 02:1a:2b:3c:4d:5e ip_address=192.168.0.42 || fx_fail "new MAC of .42"
fx_check row_of "$out.1.json" 00:1a:2b:40:99:03 ip_address=169.254.40.3 || fx_fail "new MAC of 169.254.40.3"
fx_check row_of "$out.1.json" 00:1a:2b:40:00:04 ip_address=192.168.0.44 || fx_fail "the failed apply changed the MAC"
echo "PASS"
