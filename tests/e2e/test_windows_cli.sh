#!/usr/bin/env bash
# fendrix-cli.exe, the Windows build, under Wine in the PC namespace against
# kestrel-sim. Wine maps GetAdaptersInfo and Winsock onto the namespace's
# interfaces, so the program meets the segment as on a Windows PC:
#  - adapters: the namespace's adapter with the MAC and address that the
#    Linux build lists;
#  - without Npcap (a fresh prefix has none): one line says that Npcap is
#    missing, where to get it and what is missed; the socket receiver lists
#    every controller after the exact 52-byte scan request; reading a capture
#    file needs Npcap (exit 3);
#  - with a wpcap.dll in Npcap's folder (Wine's own, over the build machine's
#    libpcap, standing in for Npcap): the library is loaded at run time and
#    the scan lists exactly the rows of the Linux build, every controller in
#    and outside the PC's subnet, after the exact 52-byte scan request.
# The device commands run through the existing netcfg, reset and apply tests
# with FX_WINE=npcap (tests/e2e/CMakeLists.txt).
FX_WINE=none
. "$(dirname "$0")/netns.sh"
linux_cli=$FENDRIX_BIN_DIR/cli/fendrix-cli
fx_require_bin "$linux_cli"
fx_begin --links 1 --needs sim
config=$FX_DATA/segment_mixed.json
log=$(fx_log_file 1)
pc_mac=$(fx_pc_mac 1)
fx_sim 1 --config "$config"
win() { fx_pc "$FX_CLI" "$@"; }
lin() { fx_pc "$linux_cli" "$@"; }

# The adapter table.
win adapters --format json >"$FX_DIR/win-adapters.json" || fx_fail "adapters exited with $?"
lin adapters --format json >"$FX_DIR/lin-adapters.json"
python3 - "$FX_DIR/win-adapters.json" "$FX_DIR/lin-adapters.json" <<'PY' || fx_fail "the Windows adapter table differs"
import json, sys
win, lin = (json.load(open(p)) for p in sys.argv[1:])
strip = lambda rows: [(r["ip"], r["mac"]) for r in rows]
ok = strip(win) == strip(lin) == [("192.168.0.10", lin[0]["mac"])]
if not ok: print("  - Windows:", win, "\n  - Linux:  ", lin)
sys.exit(0 if ok else 1)
PY

# Without Npcap.
fx_wine_npcap off
win scan --from-pcap "$FENDRIX_SRC_DIR/tests/data/recorded/scan.pcap" >/dev/null 2>"$FX_DIR/err"
rc=$?
[ $rc -eq 3 ] || fx_fail "--from-pcap without Npcap exited with $rc, expected 3"
grep -q '^fendrix-cli: reading capture files needs Npcap (https://npcap.com): Npcap is not installed (.*\\Npcap\\wpcap.dll: ' \
    "$FX_DIR/err" || fx_fail "--from-pcap without Npcap said: $(cat "$FX_DIR/err")"
# The socket receiver takes the replies instead; with reverse-path filtering
# off, the stack accepts every controller's, in and outside the subnet.
: >"$log"
win scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/sock-rows.json" 2>"$FX_DIR/err" ||
    fx_fail "a scan without Npcap exited with $?: $(cat "$FX_DIR/err")"
[ "$(cat "$FX_DIR/err")" = "fendrix-cli: Npcap is missing (get it from https://npcap.com); replies come through a plain socket on port 8911, so replies from controllers outside this PC's subnet that Windows drops are missed" ] ||
    fx_fail "a scan without Npcap said: $(cat "$FX_DIR/err")"
fx_check rows "$FX_DIR/sock-rows.json" "$config" || fx_fail "socket receiver rows differ from the segment"
fx_check scan_requests "$log" "$pc_mac" 192.168.0.255 1 ||
    fx_fail "the scan request without Npcap is not as expected"

# With a wpcap.dll in Npcap's folder.
fx_wine_npcap on
: >"$log"
win scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/win-rows.json" ||
    fx_fail "fendrix-cli.exe scan exited with $?: $(cat "$FX_DIR/win-rows.json")"
fx_check rows "$FX_DIR/win-rows.json" "$config" || fx_fail "rows differ from the segment"
fx_check scan_requests "$log" "$pc_mac" 192.168.0.255 1 ||
    fx_fail "the Windows build's scan request is not as expected"
: >"$log"
lin scan --adapter 192.168.0.10 --wait 1500 --format json >"$FX_DIR/lin-rows.json" || fx_fail "Linux scan exited with $?"
python3 - "$FX_DIR/win-rows.json" "$FX_DIR/lin-rows.json" <<'PY' || fx_fail "the two builds list different rows"
import json, sys
# Rows are numbered in arrival order, which may differ between two scans.
win, lin = ({r["mac_address"]: {k: v for k, v in r.items() if k != "no"} for r in json.load(open(p))}
            for p in sys.argv[1:])
for mac in sorted(set(win) | set(lin)):
    if win.get(mac) != lin.get(mac): print("  -", mac, "Windows:", win.get(mac), "Linux:", lin.get(mac))
sys.exit(0 if win == lin else 1)
PY
echo "PASS"
