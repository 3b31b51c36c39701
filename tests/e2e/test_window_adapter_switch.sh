#!/usr/bin/env bash
# Two links with different controllers. Choosing the second adapter in the
# real window stops the first capture (one "Can't pcap_loop" line), keeps the
# rows found through the first adapter until the next scan, and sends nothing
# on the first link any more; the scan then lists the second link's
# controllers only.
. "$(dirname "$0")/netns.sh"
fx_begin --links 2 --needs sim,window

cat >"$FX_DIR/seg1.json" <<'JSON'
[{"mac": "00:1a:2b:01:00:01", "ip": "192.168.0.51"},
 {"mac": "00:1a:2b:01:00:02", "ip": "169.254.1.2", "ip_type": 0}]
JSON
cat >"$FX_DIR/seg2.json" <<'JSON'
[{"mac": "00:1a:2b:02:00:01", "ip": "10.77.0.51", "hardware_model": 4, "edition": 3},
 {"mac": "00:1a:2b:02:00:02", "ip": "192.168.0.52"},
 {"mac": "00:1a:2b:02:00:03", "ip": "10.9.9.9", "status": 3}]
JSON
fx_sim 1 --config "$FX_DIR/seg1.json"
fx_sim 2 --config "$FX_DIR/seg2.json"
log1=$(fx_log_file 1)
log2=$(fx_log_file 2)

# After the rows, a wait gives a doubled row time to show; after the switch,
# one gives the rows time to change if the switch (wrongly) touched them.
out=$FX_DIR/window.out
fx_window --script "wait-rows 2 3000; wait 300; dump; mark switch; select-adapter 10.77.0.10; wait 500; dump;
    mark scan; scan; wait-rows 3 3000; wait 300; dump; mark end; quit" >"$out" 2>"$FX_DIR/window.err" ||
    fx_fail "the window exited with $?: $(cat "$out" "$FX_DIR/window.err")"

python3 - "$out" <<'PY' || fx_fail "not one loop-end line for the stopped capture"
import sys
lines = open(sys.argv[1]).read().splitlines()
loop_end = "[CKestrelInstallerDlg::pcapInit:531] Can't pcap_loop"
def between(a, b):
    return lines[lines.index("MARK " + a) + 1:lines.index("MARK " + b)]
ok = (sum(l == loop_end for l in lines[:lines.index("MARK switch")]) == 0
      and sum(l == loop_end for l in between("switch", "end")) == 1
      and sum(l == loop_end for l in lines) == 2)  # and one for the capture closed at the end
if not ok:
    print("\n".join("  | " + l for l in lines if not l.startswith("[{")))
sys.exit(0 if ok else 1)
PY
[ "$(fx_dumps "$out")" -eq 3 ] || fx_fail "three dumps expected: $(cat "$out")"
fx_check rows "$out.1.json" "$FX_DIR/seg1.json" || fx_fail "the first link's controllers"
cmp -s "$out.1.json" "$out.2.json" || fx_fail "the switch changed the rows: $(cat "$out.2.json")"
fx_check rows "$out.3.json" "$FX_DIR/seg2.json" || fx_fail "the scan after the switch"
fx_check scan_requests "$log1" "$(fx_pc_mac 1)" 192.168.0.255 1 || fx_fail "link 1 saw something after the switch"
fx_check scan_requests "$log2" "$(fx_pc_mac 2)" 10.77.0.255 1 || fx_fail "link 2 did not get the one scan"
echo "PASS"
