#!/usr/bin/env bash
# The capture helper as a user meets it: a copy given cap_net_raw and nothing
# else, started by an unprivileged user's program (fendrix-capture-probe)
# through the capture source that reads its stream.
# - Once it says ready, the helper holds no capability in any set and has
#   no-new-privileges; it ends when the program that started it is killed.
# - Started by a parent that holds cap_net_raw, it is still undumpable: a
#   process of its user cannot take its socket.
# - Every simulated controller's reply, in the PC's subnet or not, comes
#   through the pipe, and the helper's final counters reach the reader.
# - A helper whose device goes away is reported once, with its text.
# - Without the helper, without its capability, or without the right to run
#   it, the start fails with the text that names what is missing.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,probe,helper,user
command -v setcap >/dev/null || fx_fail "setcap is not installed (libcap2-bin, see scripts/setup)"
config=$FX_DATA/segment_mixed.json
controllers=$(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))))' "$config")
fx_sim 1 --config "$config"

# fx_copy NAME: the probe and the helper side by side in a public folder, as
# the helper is found beside the program that runs it.
fx_copy() {
    local dir
    dir=$(fx_public_dir "$1")
    cp "$FX_PROBE" "$FX_HELPER" "$dir/"
    echo "$dir"
}
field() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$2/status"; }
# descendant PID NAME: the process below PID whose program file is NAME.
descendant() {
    local pid child
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        [ "$(basename "$(readlink /proc/"$child"/exe)")" = "$2" ] && { echo "$child"; return 0; }
        descendant "$child" "$2" && return 0
    done
    return 1
}

with_cap=$(fx_copy with-cap)
setcap cap_net_raw=ep "$with_cap/fendrix-capture" || fx_fail "setcap refused"

# 1. Rights dropped once ready; the helper follows its parent's death.
out=$FX_DIR/idle.out
fx_as_user "$with_cap/fendrix-capture-probe" --source helper --adapter 192.168.0.10 --no-scan \
    --wait 30000 >"$out" 2>"$FX_DIR/idle.err" &
starter=$!
fx_wait_line "$out" '^ready' 15 "the probe did not get ready"
probe=$(descendant "$starter" fendrix-capture-probe) || fx_fail "no probe process"
helper=$(descendant "$probe" fendrix-capture) || fx_fail "the probe runs no helper"
[ "$(field Uid "$helper")" = "$(id -u "$FX_USER")" ] || fx_fail "the helper does not run as $FX_USER"
for set in CapEff CapPrm CapInh CapAmb; do
    [ "$(field "$set" "$helper")" = 0000000000000000 ] ||
        fx_fail "the helper still holds $set $(field "$set" "$helper")"
done
[ "$(field NoNewPrivs "$helper")" = 1 ] || fx_fail "the helper has no no-new-privileges"
kill -KILL "$probe"
wait "$starter" 2>/dev/null
# Gone, or a zombie of whichever process adopted it.
ended() { [ ! -e "/proc/$helper" ] || [ "$(field State "$helper")" = Z ]; }
fx_wait_for 5 "the helper outlived the program that started it" ended

# 1b. Started by a parent that holds cap_net_raw itself, the kernel would
#     leave the helper dumpable: it makes itself undumpable, so that no
#     process of its user can take its capture socket (pidfd_getfd).
out=$FX_DIR/holder.out
fx_pc setpriv --reuid="$FX_USER" --regid="$FX_USER_GROUP" --clear-groups --inh-caps=+net_raw \
    --ambient-caps=+net_raw -- "$with_cap/fendrix-capture-probe" --source helper \
    --adapter 192.168.0.10 --no-scan --wait 30000 >"$out" 2>"$FX_DIR/holder.err" &
starter=$!
fx_wait_line "$out" '^ready' 15 "the probe holding cap_net_raw did not get ready: $(cat "$FX_DIR/holder.err")"
probe=$(descendant "$starter" fendrix-capture-probe) || fx_fail "no probe process"
helper=$(descendant "$probe" fendrix-capture) || fx_fail "the probe runs no helper"
(( 0x$(field CapPrm "$probe") & 0x2000 )) || fx_fail "the probe does not hold cap_net_raw"
[ "$(stat -c %u "/proc/$helper/status")" = 0 ] ||
    fx_fail "the helper is dumpable: /proc/$helper belongs to $(stat -c %U "/proc/$helper/status")"
socket=$(for fd in /proc/"$helper"/fd/*; do
    [[ $(readlink "$fd") == socket:* ]] && { basename "$fd"; break; }
done)
[ -n "$socket" ] || fx_fail "the helper holds no socket"
taken=$(fx_as_user /usr/bin/python3 - "$helper" "$socket" <<'PY'
import ctypes, errno, os, sys
libc = ctypes.CDLL(None, use_errno=True)
pidfd = os.pidfd_open(int(sys.argv[1]))
fd = libc.syscall(438, pidfd, int(sys.argv[2]), 0)  # pidfd_getfd
print("taken" if fd >= 0 else errno.errorcode[ctypes.get_errno()])
PY
)
[ "$taken" = EPERM ] || fx_fail "a process of the helper's user took its socket: $taken"
kill -KILL "$probe"
wait "$starter" 2>/dev/null

# 2. Live replies through the pipe, as the unprivileged user.
out=$FX_DIR/scan.out
fx_as_user "$with_cap/fendrix-capture-probe" --source helper --adapter 192.168.0.10 \
    --expect "$controllers" --wait 10000 --list >"$out" 2>"$FX_DIR/scan.err" ||
    fx_fail "the probe exited with $?: $(cat "$out" "$FX_DIR/scan.err")"
python3 - "$out" "$config" <<'PY' || fx_fail "replies through the helper not as expected:
$(cat "$out")"
import json, sys
lines = open(sys.argv[1]).read().splitlines()
want = {c["ip"] for c in json.load(open(sys.argv[2]))}
got = {l.split()[2] for l in lines if l.startswith("row ")}
stats = [l.split() for l in lines if l.startswith("stats ")]
problems = []
if got != want:
    problems.append(f"rows {sorted(got)}, expected {sorted(want)}")
if any(l.startswith("lost ") for l in lines):
    problems.append("the capture was lost")
# The helper's last counters, written on SIGTERM, reached the reader.
if not stats or int(stats[0][2]) < len(want):
    problems.append(f"counters {stats} count fewer frames than rows")
for p in problems: print("  - " + p)
sys.exit(1 if problems else 0)
PY

# 3. No helper, a helper without the capability, one this user may not run.
alone=$(fx_public_dir alone)
cp "$FX_PROBE" "$alone/"
fx_as_user "$alone/fendrix-capture-probe" --source helper --adapter 192.168.0.10 >"$FX_DIR/alone.out" 2>&1
grep -q "^error helper-missing the capture helper fendrix-capture is not installed (looked for .*$alone/fendrix-capture)" \
    "$FX_DIR/alone.out" || fx_fail "no missing-helper hint: $(cat "$FX_DIR/alone.out")"
no_cap=$(fx_copy no-cap)
fx_as_user "$no_cap/fendrix-capture-probe" --source helper --adapter 192.168.0.10 \
    >"$FX_DIR/nocap.out" 2>&1
grep -q "^error no-rights fendrix-capture lacks the cap_net_raw capability: .*sudo setcap cap_net_raw=ep $no_cap/fendrix-capture" \
    "$FX_DIR/nocap.out" || fx_fail "no capability hint: $(cat "$FX_DIR/nocap.out")"
denied=$(fx_copy denied)
chmod 700 "$denied/fendrix-capture"
fx_as_user "$denied/fendrix-capture-probe" --source helper --adapter 192.168.0.10 \
    >"$FX_DIR/denied.out" 2>&1
grep -q "^error helper-not-allowed you are not in the group fendrix .*sudo adduser \$USER fendrix" \
    "$FX_DIR/denied.out" || fx_fail "no group hint: $(cat "$FX_DIR/denied.out")"

# 4. The link is deleted under a running helper: one loss, naming the device.
# It is set down first, and deleted once the helper has met the down state
# (the pause is for that order, not for readiness): the socket wakes the
# helper for the first of the two only, as it does when a deletion's two
# steps reach the helper one by one.
out=$FX_DIR/lost.out
fx_as_user "$with_cap/fendrix-capture-probe" --source helper --adapter 192.168.0.10 --no-scan \
    --wait 30000 >"$out" 2>"$FX_DIR/lost.err" &
starter=$!
fx_wait_line "$out" '^ready' 15 "the probe did not get ready"
ip -n "$FX_PC" link set dev "${FX_PC_IF[1]}" down
sleep 0.3
ip -n "$FX_PC" link del "${FX_PC_IF[1]}"
wait "$starter"
[ "$(grep -c '^lost ' "$out")" = 1 ] && grep -q "^lost The capture stopped: .*device ${FX_PC_IF[1]}" "$out" ||
    fx_fail "the lost link was not reported once with its device: $(cat "$out")"
echo "PASS"
