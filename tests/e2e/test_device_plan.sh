#!/usr/bin/env bash
# fendrix-cli netcfg --plan against simulated controllers: a plan that gives
# a controller another one's address and a plan that names a controller twice
# are refused (exit 10) with no network change on the wire; a dry run sends
# nothing; the site's plan moves a controller from outside the PC's subnet
# and a DHCP one with exactly one network change each (SIGTERM in the first
# row lets that row finish and starts no other), confirms each by the scans
# that follow, and run once more sends nothing; the segment written as a plan
# (scan --format plan) reads back as already done.
# The simulator answers 600 ms late, so that the signal lands in the row.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli

cat >"$FX_DIR/seg.json" <<'JSON'
[
  {"mac": "00:1a:2b:30:00:01", "ip": "10.20.0.5", "subnet_mask": "255.255.255.0", "gateway": "10.20.0.1"},
  {"mac": "00:1a:2b:30:00:02", "ip": "169.254.7.8", "ip_type": 0, "subnet_mask": "255.255.0.0", "gateway": ""},
  {"mac": "00:1a:2b:30:00:03", "ip": "192.168.0.73"}
]
JSON
fx_sim 1 --config "$FX_DIR/seg.json" --delay-ms 600
log=$(fx_log_file 1)
plan() { fx_pc "$FX_CLI" netcfg --adapter 192.168.0.10 --wait 1500 --plan "$@"; }
no_change_sent() { fx_check requests "$log" 2 0 || fx_fail "$1: a network change was sent"; }

# 1. Refused plans: each problem on its line, exit 10, no network change.
# The DHCP controller left alone is only warned about.
printf 'mac,ip,gateway\n00:1a:2b:30:00:01,192.168.0.73,192.168.0.1\n' >"$FX_DIR/conflict.csv"
out=$(plan "$FX_DIR/conflict.csv" --user admin --password admin 2>"$FX_DIR/conflict.err")
rc=$?
[ $rc -eq 10 ] && [ "$(grep -v '^warning: 00:1A:2B:30:00:02 at 169.254.7.8 (not in the plan): ' <<<"$out")" = \
    "line 2: error: ip 192.168.0.73 would also be the address of 00:1A:2B:30:00:03 (not in the plan)" ] &&
    grep -q "the plan was refused: 1 problem; nothing was sent" "$FX_DIR/conflict.err" ||
    fx_fail "the conflicting plan: exit $rc, '$out', $(cat "$FX_DIR/conflict.err")"
no_change_sent "the conflicting plan"
printf 'mac,ip,gateway\n00:1a:2b:30:00:01,192.168.0.81,192.168.0.1\n00-1A-2B-30-00-01,192.168.0.82,192.168.0.1\n' >"$FX_DIR/twice.csv"
out=$(plan "$FX_DIR/twice.csv" --user admin --password admin 2>/dev/null)
rc=$?
[ $rc -eq 10 ] && [ "$(grep -v '^warning: ' <<<"$out")" = "line 3: error: 00:1a:2b:30:00:01 is also on line 2" ] ||
    fx_fail "the plan naming a controller twice: exit $rc, '$out'"
no_change_sent "the plan naming a controller twice"

# 2. The site's plan, as a dry run: each row's change, nothing sent.
cat >"$FX_DIR/site.csv" <<'CSV'
mac,mode,ip,mask,gateway
00:1a:2b:30:00:01,,192.168.0.81,255.255.255.0,192.168.0.1
00:1A:2B:30:00:02,static,192.168.0.82,255.255.255.0,192.168.0.1
CSV
out=$(plan "$FX_DIR/site.csv" --dry-run 2>/dev/null)
rc=$?
expected="change 00:1a:2b:30:00:01 10.20.0.5 line 2: ip: 10.20.0.5 -> 192.168.0.81, gateway: 10.20.0.1 -> 192.168.0.1
change 00:1a:2b:30:00:02 169.254.7.8 line 3: mode: dhcp -> static, ip: 169.254.7.8 -> 192.168.0.82, mask: 255.255.0.0 -> 255.255.255.0, gateway: 0.0.0.0 -> 192.168.0.1"
[ $rc -eq 0 ] && [ "$out" = "$expected" ] || fx_fail "the dry run: exit $rc, '$out'"
no_change_sent "the dry run"

# 3. SIGTERM while the first row is in hand: that row is sent, answered and
#    confirmed; the second is not started. (A script's background job
#    ignores SIGINT.)
(exec ip netns exec "$FX_PC" "$FX_CLI" netcfg --adapter 192.168.0.10 --wait 1500 --plan "$FX_DIR/site.csv" \
    --user admin --password admin >"$FX_DIR/first.out" 2>"$FX_DIR/first.err") &
run=$!
FX_PIDS+=("$run")
fx_wait_for 10 "the first row's network change was not sent" grep -q '"command":2,' "$log"
kill -TERM "$run"
wait "$run"
rc=$?
[ $rc -eq 143 ] && grep -q "stopping after the row in hand" "$FX_DIR/first.err" &&
    grep -q "^confirmed 00:1a:2b:30:00:01 10.20.0.5 line 2: " "$FX_DIR/first.out" &&
    grep -q "confirmed 1, already 0, refused 0, unconfirmed 0, no answer 0, failed 0, not done 1$" \
        "$FX_DIR/first.out" ||
    fx_fail "the stopped run: exit $rc, $(cat "$FX_DIR/first.out" "$FX_DIR/first.err")"
fx_check requests "$log" 2 1 1 target=00:1a:2b:30:00:01 dst_ip=192.168.0.255 text@72:20=10.20.0.5 \
    text@93:20=192.168.0.81 text@113:20=255.255.255.0 text@133:20=192.168.0.1 u8@92=1 text@218:50=admin ||
    fx_fail "the first row's request: one broadcast to the controller outside the subnet"

# 4. The same plan resumes: the first row is already done, the DHCP controller
#    gets its one request and is confirmed.
: >"$log"
out=$(plan "$FX_DIR/site.csv" --user admin --password admin --format json 2>"$FX_DIR/second.err")
rc=$?
[ $rc -eq 0 ] || fx_fail "the resumed run exited with $rc: $out $(cat "$FX_DIR/second.err")"
python3 - "$out" <<'PY' || fx_fail "the resumed run's rows: $out"
import json, sys
lines = [json.loads(l) for l in sys.argv[1].splitlines()]
rows = [(l["line"], l["mac"], l["outcome"]) for l in lines if "outcome" in l]
summary = lines[-1]["summary"]
ok = rows == [(2, "00:1a:2b:30:00:01", "already"), (3, "00:1a:2b:30:00:02", "confirmed")] and \
    summary["confirmed"] == 1 and summary["already"] == 1 and summary["not_done"] == 0 and \
    lines[1]["changes"][0] == {"field": "mode", "from": "dhcp", "to": "static"} and lines[1]["result"] == 0
sys.exit(0 if ok else 1)
PY
fx_check requests "$log" 2 1 1 target=00:1a:2b:30:00:02 dst_ip=192.168.0.255 text@72:20=169.254.7.8 \
    text@93:20=192.168.0.82 u8@92=1 || fx_fail "the DHCP controller's request: one broadcast, static"

# 5. Once more: every row is already done, nothing is sent.
: >"$log"
out=$(plan "$FX_DIR/site.csv" --user admin --password admin 2>/dev/null)
rc=$?
[ $rc -eq 0 ] && [ "$(grep -c '^already ' <<<"$out")" -eq 2 ] ||
    fx_fail "the plan once more: exit $rc, '$out'"
no_change_sent "the plan once more"

# 6. The segment written as a plan reads back with every row already done.
fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format plan >"$FX_DIR/written.csv" 2>/dev/null ||
    fx_fail "scan --format plan failed"
out=$(plan "$FX_DIR/written.csv" --user admin --password admin 2>/dev/null)
rc=$?
[ $rc -eq 0 ] && [ "$(grep -c '^already ' <<<"$out")" -eq 3 ] ||
    fx_fail "the written plan: exit $rc, '$out' from $(cat "$FX_DIR/written.csv")"
no_change_sent "the written plan"
echo "PASS"
