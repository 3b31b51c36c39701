#!/usr/bin/env bash
# kill -9 of fendrix-cli produce at each step of a unit's cycle, each run
# resumed by the next on the same journal:
#  - after allocating (nothing sent): the next run finds the address
#    unconfirmed (the unit still has its factory MAC) and gives the unit the
#    following one;
#  - after sending: the next run confirms the address by scanning;
#  - after the answer: likewise.
# No address goes out twice, and the journal tells each step. The process
# stops itself after the named step (FENDRIX_PRODUCE_FREEZE_AFTER), so that
# the kill lands exactly there.
set -u
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli
journal=$FX_DIR/line.journal
fx_sim 1 --plug 3 --plug-interval 100
fx_wait_for 10 "the three units did not answer" eval \
    '[ "$(fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 300 --format csv | grep -c 02:FC)" -eq 3 ]'

# start N STEP: run N in the background, frozen after STEP; RUN is its PID.
start() {
    (exec ip netns exec "$FX_PC" env FENDRIX_PRODUCE_FREEZE_AFTER="$2" "$FX_CLI" produce --oem ZANT \
        --macs 00:1a:2b:00:00:10-00:1a:2b:00:00:1f --journal "$journal" --adapter 192.168.0.10 \
        --interval 300 --timeout 1000 --confirm-timeout 1500 --expect-mac 02:fc:00:00:00:01 \
        --expect-mac 02:fc:00:00:00:02 --expect-mac 02:fc:00:00:00:03 \
        >"$FX_DIR/run$1.out" 2>"$FX_DIR/run$1.err") &
    RUN=$!
    FX_PIDS+=("$RUN")
}
# run N STEP: the same, back once that event line is out.
run() {
    start "$@"
    fx_wait_line "$FX_DIR/run$1.out" " $2 " 20 "run $1 did not reach '$2': $(cat "$FX_DIR/run$1.out")"
}
killed() {
    kill -KILL "$RUN"
    wait "$RUN" 2>/dev/null
    [ $? -eq 137 ] || fx_fail "run $1 was not killed"
}

run 1 allocated && killed 1
run 2 sent && killed 2
grep -q "unconfirmed 02:fc:00:00:00:01 .* -> 00:1a:2b:00:00:10 #1" "$FX_DIR/run2.out" ||
    fx_fail "run 2 did not settle the allocation left unsent: $(cat "$FX_DIR/run2.out")"
run 3 answered && killed 3
grep -q "confirmed 02:fc:00:00:00:01 .* -> 00:1a:2b:00:00:11 #2: no answer recorded; new MAC seen" \
    "$FX_DIR/run3.out" || fx_fail "run 3 did not confirm the address sent: $(cat "$FX_DIR/run3.out")"
start 4 none
fx_wait_line "$FX_DIR/run4.out" "confirmed 02:fc:00:00:00:03 .* #4" 20 "run 4 did not finish: $(cat "$FX_DIR/run4.out")"
grep -q "confirmed 02:fc:00:00:00:02 .* -> 00:1a:2b:00:00:12 #3: Apply \[ZANT - 00:1a:2b:00:00:12\] OK" \
    "$FX_DIR/run4.out" || fx_fail "run 4 did not confirm the answered address: $(cat "$FX_DIR/run4.out")"
kill -INT "$RUN"
wait "$RUN"
[ $? -eq 130 ] || fx_fail "Ctrl+C did not end run 4 with 130"

fx_pc "$FX_CLI" journal "$journal" --format json >"$FX_DIR/journal.json" || fx_fail "export"
fx_check journal_units "$FX_DIR/journal.json" "$(fx_log_file 1)" \
    02:fc:00:00:00:01=unconfirmed,confirmed 02:fc:00:00:00:02=confirmed \
    02:fc:00:00:00:03=confirmed || fx_fail "the journal does not tell what happened"
python3 - "$FX_DIR/journal.json" <<'PY' || fx_fail "the runs were not recorded as killed"
import json, sys
runs = json.load(open(sys.argv[1]))["runs"]
ended = [r["ended_at"] is not None for r in runs]
assert ended == [False, False, False, True], ended
PY
echo "ok"
