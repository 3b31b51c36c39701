#!/usr/bin/env bash
# Replays the hostile-text captures of this folder (make_pcaps.py) through
# fendrix-cli (nothing is sent): the table, CSV and JSON output equal the
# committed listings byte for byte; the Linux cooked captures and the
# Ethernet capture whose frames carry 802.1Q tags list the same rows as the
# Ethernet one; a raw-IP capture is refused with exit 3.
# Usage: check.sh PATH/TO/fendrix-cli
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

for format in table csv json; do
    "$cli" scan --from-pcap "$here/hostile.pcap" --format $format >"$tmp/out.$format" ||
        fail "$format: fendrix-cli exited with $?"
    cmp -s "$tmp/out.$format" "$here/expected.$format" ||
        fail "$format output differs from expected.$format: $(diff "$here/expected.$format" "$tmp/out.$format" | head -5)"
done
for cooked in cooked cooked2 tagged; do
    "$cli" scan --from-pcap "$here/$cooked.pcap" --format json >"$tmp/$cooked.json" ||
        fail "$cooked: fendrix-cli exited with $?"
    cmp -s "$tmp/$cooked.json" "$here/expected.json" || fail "$cooked.pcap lists other rows"
done
"$cli" scan --from-pcap "$here/raw.pcap" >"$tmp/raw.out" 2>"$tmp/raw.err"
rc=$?
[ $rc -eq 3 ] && [ ! -s "$tmp/raw.out" ] && grep -q "link type DLT_RAW" "$tmp/raw.err" ||
    fail "raw.pcap: exit $rc, $(cat "$tmp/raw.err")"
# A spreadsheet reads every cell back as text, never as a formula.
python3 - "$tmp/out.csv" <<'PY' || fail "the CSV does not read back as plain cells"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="latin-1")))
cells = [c for row in rows for c in row]
bad = [c for c in cells if c[:1] in ("=", "+", "-", "@", "\t", "\r")]
ok = len(rows) == 5 and all(len(r) == 10 for r in rows) and not bad
if not ok: print("  -", len(rows), "rows;", bad)
sys.exit(0 if ok else 1)
PY
[ $status -eq 0 ] && echo "ok: hostile texts"
exit $status
