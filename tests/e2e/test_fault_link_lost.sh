#!/usr/bin/env bash
# The capture's link goes away under a running capture. The window: its link
# is deleted while it lists controllers; it stays alive (the driver still
# answers afterwards, rows kept) and says once, naming the adapter, what the
# capture library answered. fendrix-cli: its link is deleted during a scan;
# it exits 3 at once with that text on stderr instead of printing a partial
# list as if nothing happened. (A link that is only set down does not end
# libpcap's loop on Linux: capturing resumes when it comes back up.)
set -u
. "$(dirname "$0")/netns.sh"
fx_require_root
FX_WINDOW=${FX_WINDOW:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-e2e-window}
fx_require_bin "$FX_SIM" "$FX_CLI" "$FX_WINDOW"
fx_setup 2
fx_sim 1 --count 6
fx_sim 2 --count 6
win_if=${FX_PC_IF[1]}
cli_if=${FX_PC_IF[2]}

# Waits up to $2 tenths of a second for pattern $1 in file $3.
wait_for() {
    local n
    for ((n = 0; n < $2; n++)); do
        grep -q "$1" "$3" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# --- the window: link deleted while capturing
out=$FX_DIR/window.out
fx_pc env QT_QPA_PLATFORM=offscreen "$FX_WINDOW" \
    --script "wait-rows 6 8000; wait 4000; count; dump; adapters; scan; wait 300; count; quit" \
    >"$out" 2>"$FX_DIR/window.err" &
win=$!
wait_for '^ROWS 6$' 100 "$out" || fx_fail "the window did not list the 6 controllers: $(cat "$out")"
ip -n "$FX_PC" link del "$win_if" || fx_fail "cannot delete $win_if"
wait "$win"
rc=$?
[ $rc -eq 0 ] || fx_fail "the window driver ended with $rc: $(tail -n 5 "$FX_DIR/window.err")"
python3 - "$out" "$win_if" <<'PY' || fx_fail "window output not as expected:
$(cat "$out")"
import json, sys
lines = open(sys.argv[1]).read().splitlines()
iface = sys.argv[2]
prompts = [l for l in lines if l.startswith("PROMPT ")]
ok = True
def bad(why):
    global ok
    ok = False
    print("  - " + why)
if len(prompts) != 1:
    bad(f"one message expected, got {prompts}")
elif not (prompts[0].startswith("PROMPT warning: ") and iface in prompts[0]
          and ("went down" in prompts[0] or "disappeared" in prompts[0])):
    bad(f"the message names neither the adapter nor the library's text: {prompts[0]}")
if lines.count("[CKestrelInstallerDlg::pcapInit:531] Can't pcap_loop") != 1:
    bad("one Can't pcap_loop line expected")
rows = [l for l in lines if l.startswith("ROWS ")]
if rows[-3:-1] != ["ROWS 6", "ROWS 6"]:
    bad(f"rows not kept after the loss: {rows}")
dumps = [json.loads(l) for l in lines if l.startswith("[{") or l == "[]"]
if not dumps or len(dumps[0]) != 6:
    bad("dump after the loss did not answer the 6 rows")
if any(l.startswith("EXIT") for l in lines):
    bad("the window ended the process")
sys.exit(0 if ok else 1)
PY

# --- fendrix-cli: link deleted during a scan
fx_pc "$FX_CLI" scan --adapter "${FX_PC_ADDR[1]}" --wait 5000 --format json \
    >"$FX_DIR/cli.out" 2>"$FX_DIR/cli.err" &
cli=$!
sleep 1.5
ip -n "$FX_PC" link del "$cli_if" || fx_fail "cannot delete $cli_if"
start=$(date +%s%N)
wait "$cli"
rc=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ $rc -eq 3 ] || fx_fail "fendrix-cli exited with $rc, 3 expected; stderr: $(cat "$FX_DIR/cli.err")"
grep -q "$cli_if" "$FX_DIR/cli.err" && grep -Eq "went down|disappeared" "$FX_DIR/cli.err" ||
    fx_fail "stderr does not name the adapter and the library's text: $(cat "$FX_DIR/cli.err")"
[ ! -s "$FX_DIR/cli.out" ] || fx_fail "a partial list was printed as a result: $(head -c 300 "$FX_DIR/cli.out")"
[ "$took" -lt 3000 ] || fx_fail "fendrix-cli waited out the scan (${took} ms) after the capture had stopped"
echo "PASS"
