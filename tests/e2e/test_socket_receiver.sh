#!/usr/bin/env bash
# With no capture at all: an unprivileged user's socket receiver, bound to
# the reply port on the adapter, takes the replies of every controller in
# the PC's subnet (broadcast scan, unicast replies), framed so that the
# frame handler reads them as captured ones. (Whether the others arrive
# depends on the PC's reverse-path filtering; the harness turns it off.)
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,probe,user
config=$FX_DATA/segment_mixed.json
controllers=$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$config")
fx_sim 1 --config "$config"

probe=$(fx_public "$FX_PROBE") || exit 1
out=$FX_DIR/socket.out
fx_as_user "$probe" --source socket --adapter 192.168.0.10 \
    --expect "$controllers" --wait 5000 --list >"$out" 2>"$FX_DIR/socket.err" ||
    fx_fail "the probe exited with $?: $(cat "$out" "$FX_DIR/socket.err")"
python3 - "$out" "$config" <<'PY' || fx_fail "replies through the socket not as expected:
$(cat "$out")"
import json, sys
lines = open(sys.argv[1]).read().splitlines()
config = json.load(open(sys.argv[2]))
want = {c["ip"] for c in config if c["ip"].startswith("192.168.0.")}
rows = {l.split()[2]: l.split()[1] for l in lines if l.startswith("row ")}
macs = {c["ip"]: c["mac"] for c in config}
problems = []
if not want <= set(rows):
    problems.append(f"missing rows {sorted(want - set(rows))}")
problems += [f"row {ip} has MAC {mac}" for ip, mac in rows.items() if mac != macs.get(ip)]
stats = [l.split() for l in lines if l.startswith("stats ")]
if not stats or int(stats[0][2]) < len(want):
    problems.append(f"counters {stats} count fewer datagrams than rows")
for p in problems: print("  - " + p)
sys.exit(1 if problems else 0)
PY
echo "PASS"
