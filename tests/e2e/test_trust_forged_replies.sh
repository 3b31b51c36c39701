#!/usr/bin/env bash
# An attacker on the segment forges replies to fendrix-cli's requests:
#  - result replies before the request and from another host: the wrong
#    password's real answer (5) still decides, exit 4, not a forged "Sucess";
#  - a late answer of row 1's controller in apply --from lands on no other
#    row: row 2 reports its own controller's failure;
#  - a scan reply with the target's MAC and IP but other gateway and DNS
#    values: netcfg names the fields, exits 6 and sends nothing, until the
#    operator gives them;
#  - made-up new units on every scan: produce must be told which units to
#    trust (exit 2); trusting the maker's prefix it hands them nothing;
#    trusting any unit it stops after 3 in a row that never answered (9);
#  - the window: result replies before its reset and from another host get
#    no box and no scan; the real answer (5) gets its box and one rescan.
# The simulator answers 300 ms late, so that every forgery arrives first
# (produce gathers each scan for 1 s, so that its units stay in view).
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli,window

cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1a:2b:60:00:01", "ip": "192.168.0.61", "user": "boss", "password": "right"},
  {"mac": "00:1a:2b:60:00:02", "ip": "192.168.0.62", "apply_fails": true},
  {"mac": "00:1a:2b:60:00:03", "ip": "192.168.0.63", "gateway": "192.168.0.1", "dns1": "192.168.0.1"}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json" --delay-ms 300
log=$(fx_log_file 1)
cli() { fx_pc "$FX_CLI" "$1" --adapter 192.168.0.10 --wait 1000 "${@:2}"; }

# forge NAME ARGS...: fxforge.py on the segment end, back once it listens.
forge() {
    local name=$1
    shift
    rm -f "$FX_DIR/$name.ready"
    ip netns exec "$FX_SEG" python3 "$FX_E2E/fxforge.py" --iface "${FX_SEG_IF[1]}" \
        --ready "$FX_DIR/$name.ready" "$@" 2>"$FX_DIR/$name.err" &
    FORGER=$!
    FX_PIDS+=("$FORGER")
    fx_wait_ready "$FORGER" "$FX_DIR/$name.ready" 10 "the forger $name did not start"
}
unforge() { kill -TERM "$FORGER" 2>/dev/null; wait "$FORGER" 2>/dev/null; }
forged() { grep -c "^forged $2" "$FX_DIR/$1.err"; }

# 1. Forged results: one "from" the target during the scan, one from another
#    host right after the request; the controller's own answer is 5.
forge results --result-on-scan 00:1a:2b:60:00:01 --result-on-request
out=$(cli reset --target 00:1a:2b:60:00:01 --user boss --password wrong --stats 2>"$FX_DIR/reset.err")
rc=$?
unforge
[ "$(forged results "result before")" -ge 1 ] && [ "$(forged results "result from another")" -eq 1 ] ||
    fx_fail "the forged results were not sent: $(cat "$FX_DIR/results.err")"
[ "$out" = "Result 5: The UserID or Password you typed do not match." ] && [ $rc -eq 4 ] ||
    fx_fail "a forged result decided the reset: '$out', exit $rc"
grep -Eq "stats: .*ignored_answers=([2-9]|[1-9][0-9])" "$FX_DIR/reset.err" &&
    grep -q "result or apply replies were ignored" "$FX_DIR/reset.err" ||
    fx_fail "ignored answers not reported: $(cat "$FX_DIR/reset.err")"

# 2. Row 1's controller (played by the forger, outside the PC's subnet)
#    answers only when row 2's request is out; row 2's controller fails.
forge late --controller 00:1a:2b:60:00:99 10.6.0.99
printf 'target,brand,new MAC\n00:1a:2b:60:00:99,QEL,00:1a:2b:60:01:99\n00:1a:2b:60:00:02,QEL,00:1a:2b:60:01:02\n' \
    >"$FX_DIR/batch.csv"
out=$(cli apply --from "$FX_DIR/batch.csv" --timeout 800 2>"$FX_DIR/batch.err")
rc=$?
unforge
[ "$(forged late "late apply answer")" -eq 1 ] || fx_fail "the late answer was not sent: $(cat "$FX_DIR/late.err")"
expected="00:1a:2b:60:00:99: no answer within 800 ms
00:1a:2b:60:00:02: Apply [QEL - 00:1a:2b:60:01:02] Failed !
Applied 0 of 2, failed 1, no answer 1"
[ "$out" = "$expected" ] && [ $rc -eq 4 ] || fx_fail "a late answer landed on another row: '$out', exit $rc"

# 3. A forged scan reply for the target with another gateway and DNS server.
forge scan --scan-reply 00:1a:2b:60:00:03 192.168.0.63 6.6.6.6 6.6.6.6
: >"$log"
cli netcfg --target 00:1a:2b:60:00:03 --ip 192.168.0.163 --user admin --password admin \
    >"$FX_DIR/netcfg.out" 2>"$FX_DIR/netcfg.err"
rc=$?
[ "$(forged scan "scan reply")" -ge 1 ] || fx_fail "the forged scan reply was not sent"
[ $rc -eq 6 ] && grep -q "disagree on gateway, dns1; nothing was sent: give --gateway, --dns1" \
    "$FX_DIR/netcfg.err" || fx_fail "disputed settings: exit $rc, $(cat "$FX_DIR/netcfg.err")"
python3 - "$log" <<'PY' || fx_fail "a network change was sent from a disputed scan"
import json, sys
sys.exit(any(json.loads(l)["command"] == 2 for l in open(sys.argv[1]) if l.strip()))
PY
out=$(cli netcfg --target 00:1a:2b:60:00:03 --ip 192.168.0.163 --gateway 192.168.0.1 --dns1 192.168.0.1 \
    --user admin --password admin)
rc=$?
unforge
[ "$out" = "Result 0: Sucess" ] && [ $rc -eq 0 ] || fx_fail "netcfg with the disputed fields given: '$out', exit $rc"
python3 - "$log" <<'PY' || fx_fail "the network change does not carry the given values"
import json, sys
reqs = [bytes.fromhex(json.loads(l)["hex"]) for l in open(sys.argv[1]) if json.loads(l)["command"] == 2]
field = lambda b, off: b[off:off + 20].split(b"\0", 1)[0].decode()
ok = len(reqs) == 1 and [field(reqs[0], o) for o in (93, 133, 153)] == ["192.168.0.163", "192.168.0.1",
                                                                          "192.168.0.1"]
if not ok: print("  -", [[field(r, o) for o in (93, 133, 153)] for r in reqs])
sys.exit(0 if ok else 1)
PY

# 4. Every scan meets a made-up new unit that answers nothing else. produce
#    needs to be told which units to trust; trusting the maker's prefix, it
#    hands the made-up ones nothing; trusting any unit, it stops after 3 in
#    a row that never answered (exit 9), having spent 3 addresses, once each.
forge units --made-up-units 02:ba:d0:00
line=(produce --oem QEL --adapter 192.168.0.10 --interval 1000 --timeout 1000 --confirm-timeout 1200
    --macs 00:1a:2b:70:00:00-00:1a:2b:70:00:ff)
fx_pc "$FX_CLI" "${line[@]}" --journal "$FX_DIR/none.journal" 2>"$FX_DIR/none.err"
rc=$?
[ $rc -eq 2 ] && grep -q -- "--expect-prefix PREFIX .* or --any-unit" "$FX_DIR/none.err" &&
    [ ! -e "$FX_DIR/none.journal" ] || fx_fail "produce without a trust: exit $rc, $(cat "$FX_DIR/none.err")"
(exec ip netns exec "$FX_PC" "$FX_CLI" "${line[@]}" --journal "$FX_DIR/prefix.journal" \
    --expect-prefix 02-FC-00 --format json >"$FX_DIR/prefix.jsonl" 2>"$FX_DIR/prefix.err") &
run=$!
FX_PIDS+=("$run")
made_up=$(forged units "made-up unit")
fx_wait_for 20 "the prefix run met no made-up units" eval '[ "$(forged units "made-up unit")" -ge $((made_up + 4)) ]'
kill -TERM "$run"
wait "$run"
rc=$?
[ $rc -eq 143 ] && grep -q "this run: done 0, failed 0" "$FX_DIR/prefix.err" &&
    ! grep -q '"event":"allocated"' "$FX_DIR/prefix.jsonl" ||
    fx_fail "the prefix run handed out addresses or did not end: exit $rc, $(cat "$FX_DIR/prefix.jsonl")"
: >"$log"
fx_pc "$FX_CLI" "${line[@]}" --journal "$FX_DIR/any.journal" --any-unit >"$FX_DIR/any.out" 2>"$FX_DIR/any.err"
rc=$?
unforge
[ $rc -eq 9 ] && grep -q "suspicious: 3 units in a row never answered (02:ba:d0:00:" "$FX_DIR/any.out" &&
    grep -q "fendrix-cli: 3 units in a row never answered .* may be forged" "$FX_DIR/any.err" ||
    fx_fail "made-up units: exit $rc, $(cat "$FX_DIR/any.out" "$FX_DIR/any.err")"
fx_pc "$FX_CLI" journal "$FX_DIR/any.journal" --format json >"$FX_DIR/any.json" || fx_fail "export"
python3 - "$FX_DIR/any.json" "$log" <<'PY' || fx_fail "the made-up units spent other than 3 addresses"
import json, sys
allocations = json.load(open(sys.argv[1]))["allocations"]
requests = [l for l in map(json.loads, open(sys.argv[2])) if l["command"] == 5]
news = [a["new_mac"] for a in allocations]
ok = (news == ["00:1a:2b:70:00:00", "00:1a:2b:70:00:01", "00:1a:2b:70:00:02"]
      and all(a["old_mac"].startswith("02:ba:d0:00:") and a["state"] == "unconfirmed" for a in allocations)
      and len({a["old_mac"] for a in allocations}) == 3 and len(requests) == 3)
if not ok: print("  -", [(a["old_mac"], a["new_mac"], a["state"]) for a in allocations], len(requests))
sys.exit(0 if ok else 1)
PY

# 5. The window, under the forgeries of 1: a "Sucess" "from" the target on
#    every scan (no request is outstanding) and one from another host after
#    the reset. The wait at the end gives the rescan's forgery time to come.
forge window-forger --result-on-scan 00:1a:2b:60:00:01 --result-on-request
: >"$log"
out=$FX_DIR/window.out
fx_window --script "wait-rows 3 3000; click 00:1a:2b:60:00:01; reset user=boss password=wrong;
    wait-prompts 1 3000; wait-rows 3 3000; wait 500; quit" >"$out" 2>"$FX_DIR/window.err" ||
    fx_fail "the window exited with $?: $(cat "$out")"
unforge
[ "$(forged window-forger "result before")" -ge 2 ] &&
    [ "$(forged window-forger "result from another")" -eq 1 ] ||
    fx_fail "the forged results were not sent: $(cat "$FX_DIR/window-forger.err")"
grep -q TIMEOUT "$out" && fx_fail "the answer or the rows did not come: $(grep TIMEOUT "$out")"
got=$(grep '^PROMPT' "$out")
[ "$got" = "PROMPT information: The UserID or Password you typed do not match." ] ||
    fx_fail "the window showed more than the real answer:
$got"
fx_check codes "$log" 1 3 1 || fx_fail "not one rescan after the real answer alone"
grep -q '^Ignored a result reply from "02:fe:ed:be:ef:01": it answers no request of this window' \
    "$FX_DIR/window.err" && [ "$(grep -c '^Ignored a result reply' "$FX_DIR/window.err")" -ge 2 ] ||
    fx_fail "ignored replies not noted: $(cat "$FX_DIR/window.err")"
echo "PASS"
