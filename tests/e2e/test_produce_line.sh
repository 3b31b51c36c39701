#!/usr/bin/env bash
# fendrix-cli produce on a line where units are plugged in over time:
#  - three good units and one whose first write is refused each end with one
#    confirmed address, in rising order (the refusal burns one); a unit that
#    refuses every write gets its two attempts and is then left alone;
#  - meanwhile a second run on the journal is refused (7) and the export
#    reads it; SIGTERM ends the run after the unit in hand (143);
#  - a journal of another range is refused (7); a range of one address ends
#    the run with 8 once its unit is done, and the next unit gets nothing.
set -u
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
journal=$FX_DIR/line.journal
log=$(fx_log_file 1)
produce() {
    fx_pc "$FX_CLI" produce --oem QEL --adapter 192.168.0.10 --interval 300 --timeout 800 \
        --confirm-timeout 1500 "$@"
}
# The same in the background, as its own process: RUN is its PID.
produce_bg() {
    (exec ip netns exec "$FX_PC" "$FX_CLI" produce --oem QEL --adapter 192.168.0.10 --interval 300 \
        --timeout 800 --confirm-timeout 1500 "$@") &
    RUN=$!
    FX_PIDS+=("$RUN")
}
# events FILE NAME: how many events NAME the JSON lines of FILE hold.
events() { grep -c "\"event\":\"$2\"" "$1"; }
enough() { [ "$(events "$1" "$2")" -ge "$3" ]; }

cat >"$FX_DIR/line.json" <<'JSON'
[
  {"mac": "02:fc:00:00:01:01", "ip": "192.168.0.181", "appear_after_ms": 900, "apply_failures": 1},
  {"mac": "02:fc:00:00:01:02", "ip": "169.254.9.2", "appear_after_ms": 1300, "apply_fails": true}
]
JSON
# The run watches an empty line first: every unit is plugged in while it runs.
produce_bg --macs 00:1a:2b:00:00:10-00:1a:2b:00:00:1f --journal "$journal" --any-unit --format json \
    >"$FX_DIR/run.jsonl" 2>"$FX_DIR/run.err"
fx_wait_line "$FX_DIR/run.jsonl" '"event":"watching"' 10 "produce did not report its first scan"
fx_sim 1 --config "$FX_DIR/line.json" --plug 3 --plug-interval 400
fx_wait_for 60 "four units confirmed and one given up: $(cat "$FX_DIR/run.jsonl")" \
    eval 'enough "$FX_DIR/run.jsonl" confirmed 4 && enough "$FX_DIR/run.jsonl" gave-up 1'

produce --macs 00:1a:2b:00:00:10-00:1a:2b:00:00:1f --journal "$journal" --any-unit >/dev/null 2>"$FX_DIR/second.err"
rc=$?
[ $rc -eq 7 ] && grep -q "in use by another process" "$FX_DIR/second.err" ||
    fx_fail "a second run on the journal: exit $rc, $(cat "$FX_DIR/second.err")"
fx_pc "$FX_CLI" journal "$journal" --format json >"$FX_DIR/journal.json" ||
    fx_fail "the journal could not be exported during the run"

kill -TERM "$RUN"
wait "$RUN"
rc=$?
[ $rc -eq 143 ] && grep -q "this run: done 4, failed 3" "$FX_DIR/run.err" ||
    fx_fail "SIGTERM: exit $rc, $(cat "$FX_DIR/run.err")"
fx_check journal_units "$FX_DIR/journal.json" "$log" \
    02:fc:00:00:00:01=confirmed 02:fc:00:00:00:02=confirmed 02:fc:00:00:00:03=confirmed \
    02:fc:00:00:01:01=unconfirmed,confirmed 02:fc:00:00:01:02=unconfirmed,unconfirmed ||
    fx_fail "the journal does not tell what happened"

produce --macs 00:1a:2b:00:01:00-00:1a:2b:00:01:0f --journal "$journal" --any-unit >/dev/null 2>"$FX_DIR/other.err"
rc=$?
[ $rc -eq 7 ] && grep -q "was made for MACs 00:1a:2b:00:00:10-00:1a:2b:00:00:1f" "$FX_DIR/other.err" ||
    fx_fail "a journal of another range: exit $rc, $(cat "$FX_DIR/other.err")"

# A range of one address: two fresh units on a fresh line, named by their
# factory MACs.
fx_sim_stop 1
: >"$log"
cat >"$FX_DIR/two.json" <<'JSON'
[
  {"mac": "02:fc:00:00:02:01", "ip": "192.168.0.191"},
  {"mac": "02:fc:00:00:02:02", "ip": "192.168.0.192"}
]
JSON
fx_sim 1 --config "$FX_DIR/two.json"
produce --macs 00:1a:2b:00:02:00 --journal "$FX_DIR/one.journal" \
    --expect-mac 02:fc:00:00:02:01 --expect-mac 02-FC-00-00-02-02 >"$FX_DIR/one.out" 2>"$FX_DIR/one.err"
rc=$?
[ $rc -eq 8 ] && grep -q "the MAC range 00:1a:2b:00:02:00-00:1a:2b:00:02:00 is used up" "$FX_DIR/one.err" ||
    fx_fail "a range of one: exit $rc, $(cat "$FX_DIR/one.err")"
fx_pc "$FX_CLI" journal "$FX_DIR/one.journal" --format json >"$FX_DIR/one.json" || fx_fail "export"
fx_check journal_units "$FX_DIR/one.json" "$log" 02:fc:00:00:02:01=confirmed ||
    fx_fail "a range of one: $(cat "$FX_DIR/one.out")"
echo "ok"
