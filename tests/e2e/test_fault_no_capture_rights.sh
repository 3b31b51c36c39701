#!/usr/bin/env bash
# Without capture rights (an unprivileged user inside the PC namespace): the
# window says which adapter and what the capture library answered, once, and
# stays usable (Scan still broadcasts; the process is not ended); fendrix-cli
# exits 3 with the same kind of message.
set -u
. "$(dirname "$0")/netns.sh"
fx_require_root
FX_WINDOW=${FX_WINDOW:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-e2e-window}
fx_require_bin "$FX_SIM" "$FX_CLI" "$FX_WINDOW"
user=${FX_UNPRIVILEGED_USER:-nobody}
id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user" ||
    fx_fail "no unprivileged user $user"
group=$(id -gn "$user")
fx_setup 1
fx_sim 1 --count 3
if_name=${FX_PC_IF[1]}

# Every capability is dropped with the change of user.
as_user() {
    fx_pc setpriv --reuid="$user" --regid="$group" --clear-groups --inh-caps=-all -- "$@"
}
as_user test -x "$FX_WINDOW" || fx_fail "$user cannot run $FX_WINDOW (check the build folder's permissions)"

out=$FX_DIR/window.out
as_user env QT_QPA_PLATFORM=offscreen HOME=/tmp XDG_RUNTIME_DIR="$FX_DIR/xdg" "$FX_WINDOW" \
    --script "wait 1500; count; scan; wait 300; count; adapters; quit" >"$out" 2>"$FX_DIR/window.err"
rc=$?
[ $rc -eq 0 ] || fx_fail "the window driver ended with $rc: $(tail -n 5 "$FX_DIR/window.err")"
python3 - "$out" "$if_name" <<'PY' || fx_fail "window output not as expected:
$(cat "$out")"
import sys
lines = open(sys.argv[1]).read().splitlines()
iface = sys.argv[2]
prompts = [l for l in lines if l.startswith("PROMPT ")]
problems = []
if len(prompts) != 1:
    problems.append(f"one message expected, got {prompts}")
elif not (prompts[0].startswith("PROMPT warning: ") and iface in prompts[0]
          and ("ermission" in prompts[0] or "not permitted" in prompts[0])):
    problems.append(f"the message names neither the adapter nor the library's text: {prompts[0]}")
if any(l.startswith("EXIT") for l in lines):
    problems.append("the window ended the process")
if [l for l in lines if l.startswith("ROWS")] != ["ROWS 0", "ROWS 0"]:
    problems.append("rows without a capture")
for p in problems: print("  - " + p)
sys.exit(1 if problems else 0)
PY
# Usable: the start-up scan and the Scan button both reached the segment.
scans=$(fx_log_requests 1 | python3 -c 'import json,sys; print(sum(r["command"] == 1 for r in json.load(sys.stdin)))')
[ "$scans" -eq 2 ] || fx_fail "the simulator saw $scans scan requests from the window, 2 expected"

as_user "$FX_CLI" scan --adapter "${FX_PC_ADDR[0]}" --wait 500 --format json >"$FX_DIR/cli.out" 2>"$FX_DIR/cli.err"
rc=$?
[ $rc -eq 3 ] || fx_fail "fendrix-cli exited with $rc, 3 expected; stderr: $(cat "$FX_DIR/cli.err")"
grep -q "$if_name" "$FX_DIR/cli.err" && grep -Eq "ermission|not permitted" "$FX_DIR/cli.err" ||
    fx_fail "stderr does not name the adapter and the library's text: $(cat "$FX_DIR/cli.err")"
[ ! -s "$FX_DIR/cli.out" ] || fx_fail "something was listed without a capture"
echo "PASS"
