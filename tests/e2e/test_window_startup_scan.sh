#!/usr/bin/env bash
# The real window's start-up scan: one 52-byte broadcast from the adapter's
# MAC about a second after the window is up, with no user action, never a
# second one; every simulated controller (in the PC's subnet or not) is then
# listed once with the cells and record of its configuration. The list's
# export (CSV and JSON) equals what fendrix-cli prints for the same segment.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli,window
seg=$FX_DATA/segment_mixed.json
fx_sim 1 --config "$seg"
log=$(fx_log_file 1)

out=$FX_DIR/window.out
# Half a second in, before the start-up scan, the list is empty; once every
# row came, three more seconds give a second scan time to go out.
fx_window --script "wait 500; count; wait-rows 9 5000; wait 3000; dump; export $FX_DIR/list.csv; export $FX_DIR/list.json; quit" >"$out" ||
    fx_fail "the window exited with $?: $(cat "$out")"

[ "$(grep '^ROWS' "$out")" = "ROWS 0
ROWS 9" ] || fx_fail "rows before the start-up scan, or not all after it: $(grep '^ROWS' "$out")"
fx_check scan_requests "$log" "$(fx_pc_mac 1)" 192.168.0.255 1 ||
    fx_fail "not exactly one start-up scan request"
python3 - "$out" "$log" <<'PY' || fx_fail "the start-up scan was not sent about a second after start"
import json, sys, datetime
started = int(next(l.split()[1] for l in open(sys.argv[1]) if l.startswith("WINDOW ")))
sent = json.loads(open(sys.argv[2]).readline())["time"]
at = datetime.datetime.strptime(sent, "%Y-%m-%dT%H:%M:%S.%fZ").replace(tzinfo=datetime.timezone.utc)
delay = at.timestamp() * 1000 - started
print(f"  start-up scan {delay:.0f} ms after the window", file=sys.stderr)
sys.exit(0 if 900 <= delay <= 2000 else 1)
PY
[ "$(fx_dumps "$out")" -eq 1 ] || fx_fail "one dump expected: $(cat "$out")"
fx_check rows "$out.1.json" "$seg" || fx_fail "the rows do not show every controller as configured"
for format in csv json; do
    fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 1500 --format $format >"$FX_DIR/cli.$format" ||
        fx_fail "fendrix-cli scan --format $format exited with $?"
    cmp "$FX_DIR/list.$format" "$FX_DIR/cli.$format" ||
        fx_fail "the window's $format export differs from fendrix-cli's: $(diff "$FX_DIR/list.$format" "$FX_DIR/cli.$format" | head -5)"
done
echo "PASS"
