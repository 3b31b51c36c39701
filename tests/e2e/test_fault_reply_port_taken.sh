#!/usr/bin/env bash
# Another local user binds the reply port on the adapter first, sharing it as
# SO_REUSEADDR allows and tied to the adapter's interface, so that the
# controllers' unicast replies would go to that socket. A user without
# capture rights, whose replies come through the socket receiver, is told:
# fendrix-cli exits 3 naming the taken port instead of listing nothing, and
# the window shows that one warning and stays usable.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli,window,user
fx_sim 1 --count 3
if_name=${FX_PC_IF[1]}
window=$(fx_public "$FX_WINDOW") && cli=$(fx_public "$FX_CLI") || exit 1
runtime=$FX_DIR/xdg-$FX_USER
install -d -m 700 -o "$FX_USER" -g "$FX_USER_GROUP" "$runtime"

# The squatter: root, as any other user of the PC might be.
ip netns exec "$FX_PC" python3 - "${FX_PC_ADDR[0]}" "$if_name" "$FX_DIR/squatter.ready" <<'PY' &
import socket, sys
address, interface, ready = sys.argv[1:4]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, interface.encode())
s.bind((address, 8911))
open(ready, "w").close()
while True:
    s.recv(65535)
PY
squatter=$!
FX_PIDS+=("$squatter")
fx_wait_ready "$squatter" "$FX_DIR/squatter.ready" 10 "the squatter did not bind the reply port"

taken="UDP port 8911 on adapter .* is taken by another program \(perhaps another user's\), which would receive the controllers' replies instead"
fx_as_user "$cli" scan --adapter "${FX_PC_ADDR[0]}" --wait 1000 --format json \
    >"$FX_DIR/cli.out" 2>"$FX_DIR/cli.err"
rc=$?
[ $rc -eq 3 ] || fx_fail "fendrix-cli exited with $rc, 3 expected: $(cat "$FX_DIR/cli.err")"
grep -Eq "^fendrix-cli: .*the socket receiver could not start either: $taken" "$FX_DIR/cli.err" ||
    fx_fail "fendrix-cli does not name the taken port: $(cat "$FX_DIR/cli.err")"
[ ! -s "$FX_DIR/cli.out" ] || fx_fail "fendrix-cli listed rows: $(cat "$FX_DIR/cli.out")"

# The start-up scan and the Scan button still leave the window.
out=$FX_DIR/window.out
fx_as_user env QT_QPA_PLATFORM=offscreen HOME="$runtime" XDG_RUNTIME_DIR="$runtime" "$window" \
    --script "wait-sent 1 5000; scan; wait-sent 2 3000; quit" >"$out" 2>"$FX_DIR/window.err" ||
    fx_fail "the window driver ended with $?: $(tail -n 5 "$FX_DIR/window.err")"
grep -q TIMEOUT "$out" && fx_fail "a scan request did not leave the window: $(cat "$out")"
fx_check capture_error_prompt "$out" "$if_name" "$taken" ||
    fx_fail "the window did not warn once of the taken port: $(cat "$out")"
echo "PASS"
