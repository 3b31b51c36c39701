#!/usr/bin/env bash
# A burst of 2,000 scan replies with a tenth as many broken frames to the
# reply port injected among them (short frames, bad IPv4 header lengths,
# datagrams cut inside the header or the payload, lengths claiming more than
# the frame holds, other codes, IPv6) still lists every valid controller once
# and nothing else: in fendrix-cli's JSON and in the window.
set -u
. "$(dirname "$0")/netns.sh"
fx_require_root
FX_WINDOW=${FX_WINDOW:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-e2e-window}
fx_require_bin "$FX_SIM" "$FX_CLI" "$FX_WINDOW"
n=${FX_BURST:-2000}
broken=$((n / 10))
fx_setup 1
fx_sim 1 --burst "$n"

# On every scan request seen on the segment end, sends the broken frames as
# fast as it can, so that they interleave with the simulator's burst.
cat >"$FX_DIR/breaker.py" <<'PY'
import socket, struct, sys
iface, count = sys.argv[1], int(sys.argv[2])
s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0003))
s.bind((iface, 0))
print("listening", file=sys.stderr, flush=True)

def frame(dst_mac, dst_ip, payload, ihl=5, udp_len=None, ethertype=0x0800):
    src_ip = socket.inet_aton("192.168.0.250")
    udp = struct.pack("!HHHH", 8901, 8911, udp_len if udp_len is not None else 8 + len(payload), 0)
    ip = struct.pack("!BBHHHBBH4s4s", 0x40 | ihl, 0, 20 + len(udp) + len(payload), 0, 0, 64, 17, 0,
                     src_ip, dst_ip)
    return dst_mac + bytes.fromhex("02feedbeef01") + struct.pack("!H", ethertype) + ip + udp + payload

def scan_reply(i):
    p = bytearray(216)
    p[0:7] = b"kestrel"; p[7] = 1; p[9] = 17; p[10] = 52
    mac = b"de:ad:00:00:%02x:%02x" % (i // 256 % 256, i % 256)
    p[12:12 + len(mac)] = mac
    p[52:52 + 13] = b"192.168.0.250"
    return bytes(p)

def broken(i, dst_mac, dst_ip):
    good = scan_reply(i)
    kind = i % 9
    if kind == 0: return frame(dst_mac, dst_ip, good)[:30]                 # cut inside the IPv4 header
    if kind == 1: return frame(dst_mac, dst_ip, good, ihl=3)               # header length below 20
    if kind == 2: return frame(dst_mac, dst_ip, good, ihl=15)[:14 + 60 + 4]  # options past the end
    if kind == 3: return frame(dst_mac, dst_ip, good[:60])                 # payload cut, honest lengths
    if kind == 4: return frame(dst_mac, dst_ip, good[:215])                # one byte short of a scan reply
    if kind == 5: return frame(dst_mac, dst_ip, good[:100], udp_len=8 + 216)  # claims more than it holds
    if kind == 6: return frame(dst_mac, dst_ip, good[:9] + bytes([99]) + good[10:])  # unknown code
    if kind == 7: return frame(dst_mac, dst_ip, good, ethertype=0x86DD)    # not IPv4
    return frame(dst_mac, dst_ip, good[:40])                               # shorter than a header

while True:
    f = s.recv(65535)
    if len(f) < 14 + 20 + 8 + 52 or f[12:14] != b"\x08\x00" or f[23] != 17:
        continue
    udp = 14 + (f[14] & 0x0F) * 4
    if struct.unpack_from("!H", f, udp + 2)[0] != 8901 or f[udp + 8 + 9] != 1:
        continue
    frames = [broken(i, f[6:12], f[26:30]) for i in range(count)]
    for b in frames:
        s.send(b)
    print(f"sent {count} broken frames", file=sys.stderr, flush=True)
PY
ip netns exec "$FX_SEG" python3 "$FX_DIR/breaker.py" "${FX_SEG_IF[1]}" "$broken" 2>"$FX_DIR/breaker.err" &
FX_PIDS+=($!)
# The scan must not go out before the breaker sees the link.
for ((i = 0; i < 200; i++)); do
    grep -q listening "$FX_DIR/breaker.err" 2>/dev/null && break
    sleep 0.05
done
grep -q listening "$FX_DIR/breaker.err" || fx_fail "the breaker did not start listening within 10 s"

# Distinct MACs, n of them, numbered 1..n, none of the broken frames' de:ad:...
check_rows() {
    python3 - "$1" "$n" <<'PY'
import json, sys
rows, n = json.load(open(sys.argv[1])), int(sys.argv[2])
macs = {r["mac_address"] for r in rows}
bad = [r for r in rows if r["mac_address"].upper().startswith("DE:AD")]
ok = len(rows) == n and len(macs) == n and not bad and rows[-1]["no"].strip() == str(n)
if not ok: print(f"  - {n} distinct valid rows expected, got {len(rows)} rows, {len(macs)} distinct, {len(bad)} from broken frames")
sys.exit(0 if ok else 1)
PY
}

fx_pc "$FX_CLI" scan --adapter 192.168.0.10 --wait 4000 --format json >"$FX_DIR/rows.json" ||
    fx_fail "fendrix-cli scan exited with $?"
grep -q "sent $broken broken frames" "$FX_DIR/breaker.err" || fx_fail "the broken frames were not sent"
check_rows "$FX_DIR/rows.json" || fx_fail "fendrix-cli: rows lost, doubled or made up"

out=$FX_DIR/window.out
fx_pc env QT_QPA_PLATFORM=offscreen "$FX_WINDOW" --script "wait-rows $n 15000; wait 500; count; dump; quit" \
    >"$out" 2>"$FX_DIR/window.err" || fx_fail "the window driver ended with $?"
grep -qx "ROWS $n" "$out" || fx_fail "the window does not list $n rows: $(grep ROWS "$out")"
grep '^\[{' "$out" | tail -n 1 >"$FX_DIR/window.json"
check_rows "$FX_DIR/window.json" || fx_fail "window: rows lost, doubled or made up"
[ "$(grep -c "sent $broken broken frames" "$FX_DIR/breaker.err")" -eq 2 ] ||
    fx_fail "the window's scan did not meet the broken frames"
echo "PASS"
