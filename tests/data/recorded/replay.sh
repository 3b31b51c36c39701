#!/usr/bin/env bash
# Replays every recorded scan of this folder through fendrix-cli (nothing is
# sent) and compares its JSON with the listing committed beside it.
# Usage: replay.sh PATH/TO/fendrix-cli
set -u
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
status=0
for pcap in "$here"/*.pcap; do
    expected=${pcap%.pcap}.json
    actual=$(mktemp)
    if ! "$cli" scan --from-pcap "$pcap" --format json >"$actual"; then
        echo "FAIL: $(basename "$pcap"): fendrix-cli exited with $?" >&2
        status=1
    elif ! python3 - "$expected" "$actual" <<'PY'; then
import json, sys
want, got = (json.load(open(p)) for p in sys.argv[1:3])
if want != got:
    for i, (w, g) in enumerate(zip(want, got)):
        if w != g: print(f"  row {i}: expected {w}\n  got {g}")
    if len(want) != len(got): print(f"  {len(want)} rows expected, got {len(got)}")
    sys.exit(1)
PY
        echo "FAIL: $(basename "$pcap"): listing differs from $(basename "$expected")" >&2
        status=1
    else
        echo "ok: $(basename "$pcap")"
    fi
    rm -f "$actual"
done
exit $status
