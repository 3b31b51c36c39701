#!/usr/bin/env bash
# Every reply is followed by a malformed frame to the reply port (short
# frames, bad IHL, truncated datagrams, lengths claiming more than the frame,
# request and unknown codes, non-IPv4 frames). The real window crashes on
# none, lists every controller after each scan, and acts once per real result
# or apply reply: a truncated copy is not a second reply.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,window
seg=$FX_DATA/segment_mixed.json
fx_sim 1 --config "$seg" --malformed 1.0
log=$(fx_log_file 1)
target=00:1a:2b:10:00:01

# Scans, then seven refused network changes: the broken frame that follows
# each result reply is of another kind every time. A scan empties the list at
# once; the wait after the rows came gives late or doubled rows time to show.
rows="wait-rows 9 3000; wait 300; dump"
script="$rows; scan; $rows; scan; $rows"
for n in 1 2 3 4 5 6 7; do
    script="$script; click $target; netcfg user=admin password=wrong$n; wait-prompts $n 3000; wait-rows 9 3000"
done
out=$FX_DIR/scans.out
fx_window --script "$script; wait 300; dump; quit" >"$out" || fx_fail "the window exited with $?: $(tail -n 5 "$out")"
grep -q TIMEOUT "$out" && fx_fail "a reply or a row did not come: $(grep TIMEOUT "$out")"

dumps=$(fx_dumps "$out")
[ "$dumps" -eq 4 ] || fx_fail "four dumps expected, got $dumps"
for n in 1 2 3 4; do
    fx_check rows "$out.$n.json" "$seg" || fx_fail "dump $n: rows differ"
done
[ "$(grep -c '^PROMPT' "$out")" -eq 7 ] &&
    [ "$(grep -c '^PROMPT information: The UserID or Password you typed do not match.$' "$out")" -eq 7 ] ||
    fx_fail "not one message per result reply: $(grep '^PROMPT' "$out")"
fx_check codes "$log" 1 1 1 2 1 2 1 2 1 2 1 2 1 2 1 2 1 || fx_fail "not one rescan per result reply"

# Factory mode: seven applies, each reply followed by a broken frame; the
# wait after the last gives a doubled reply time to show a second box.
: >"$log"
script="wait-rows 9 3000; click $target"
for n in 1 2 3 4 5 6 7; do script="$script; apply; wait-prompts $n 2000"; done
out=$FX_DIR/applies.out
fx_window -p 'tundrax5832!' --script "$script; wait 300; count; labels; quit" >"$out" ||
    fx_fail "the window exited with $?: $(tail -n 5 "$out")"
grep -q TIMEOUT "$out" && fx_fail "a reply did not come: $(grep TIMEOUT "$out")"
[ "$(grep -c '^PROMPT' "$out")" -eq 7 ] && [ "$(grep -c '^PROMPT warning: OK$' "$out")" -eq 7 ] ||
    fx_fail "not one box per apply reply: $(grep '^PROMPT' "$out")"
grep -q '^ROWS 9$' "$out" || fx_fail "an apply reply changed the rows: $(grep '^ROWS' "$out")"
grep -q '"apply_mark":"\[OK\]","apply_result":"Apply \[KESTREL - 00:1a:2b:10:00:01\]"' "$out" ||
    fx_fail "apply labels: $(grep '^{' "$out")"
echo "PASS"
