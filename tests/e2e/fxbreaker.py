#!/usr/bin/env python3
"""Runs on the segment end of a link: on every scan request it sees, sends
COUNT broken frames to the reply port as fast as it can, so that they
interleave with the simulator's burst, and says so on standard error. The
broken frames: short frames, bad IPv4 header lengths, datagrams cut inside
the header or the payload, lengths claiming more than the frame holds, an
unknown code, IPv6.

Usage: fxbreaker.py INTERFACE COUNT READY_FILE (written once it listens)"""
import socket, struct, sys


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


def main():
    iface, count, ready = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0003))
    s.bind((iface, 0))
    # Bound: every frame from now on is queued for us.
    open(ready, "w").close()
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


if __name__ == "__main__":
    main()
