#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (run once; the seeds are committed)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def header(cmd, sender=b"00:1a:2b:3c:4d:5e", target=b""):
    h = bytearray(52)
    h[0:7] = b"kestrel"
    h[7:9] = struct.pack("<H", 1)
    h[9] = cmd
    h[10:12] = struct.pack("<H", 52)
    h[12:12 + len(sender)] = sender
    h[32:32 + len(target)] = target
    return h


def text(buf, off, width, value):
    buf[off:off + min(width, len(value))] = value[:width]


def scan_payload():
    p = bytearray(164)
    text(p, 0, 20, b"192.168.0.77")
    p[40] = 1
    text(p, 41, 20, b"255.255.255.0")
    text(p, 61, 20, b"192.168.0.1")
    text(p, 81, 20, b"8.8.8.8")
    p[121] = 1
    p[122:124] = struct.pack("<H", 80)
    p[124:126] = struct.pack("<H", 443)
    text(p, 126, 20, b"192.168.0.5")
    p[146:148] = struct.pack("<H", 2)
    p[148:150] = struct.pack("<H", 11)
    p[150:152] = struct.pack("<H", 4)
    text(p, 152, 10, b"5.00.01l")
    p[163] = 99
    return p


def frame(datagram, ihl=5, dport=8911):
    eth = bytes(6) + bytes.fromhex("001a2b3c4d5e") + b"\x08\x00"
    options = bytes((ihl - 5) * 4)
    udp_len = 8 + len(datagram)
    ip = bytearray(20)
    ip[0] = 0x40 | ihl
    ip[2:4] = struct.pack(">H", ihl * 4 + udp_len)
    ip[8] = 64
    ip[9] = 17
    ip[12:16] = bytes([192, 168, 0, 77])
    ip[16:20] = bytes([192, 168, 0, 10])
    udp = struct.pack(">HHHH", 8901, dport, udp_len, 0)
    return eth + bytes(ip) + options + udp + bytes(datagram)


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


scan = header(17) + scan_payload()
result = header(18) + bytes(40) + bytes([0])
apply_p = bytearray(63)
text(apply_p, 40, 20, b"00:1a:2b:3c:4d:5e")
apply_p[60], apply_p[61], apply_p[62] = 2, 2, 2
apply = header(19) + apply_p

write("fuzz_frame_handler", "scan", frame(scan))
write("fuzz_frame_handler", "scan_ip_options", frame(scan, ihl=6))
write("fuzz_frame_handler", "result", frame(result))
write("fuzz_frame_handler", "apply", frame(apply))
write("fuzz_frame_handler", "truncated", frame(scan)[:100])
write("fuzz_frame_handler", "other_port", frame(scan, dport=8912))
write("fuzz_reply_decoders", "scan", bytes(scan))
write("fuzz_reply_decoders", "result", bytes(result))
write("fuzz_reply_decoders", "apply", bytes(apply))
for i, mac in enumerate([b"00:1A:2B:3C:4D:5E", b"001a2b3c4d5e", b"AB12-001A2B3C4D5E",
                         b"AB12-00:1A:2B:3C:4D:5E", b" 00 1a 2b 3c 4d 5e ", b""]):
    write("fuzz_mac_text", f"mac{i}", mac)
for i, t in enumerate([b"5.00.01l", b"5.00.02a", b"192.168.0.10", b"..\\..\\x", b"1.2.3.4 & del"]):
    write("fuzz_upgrade_rules", f"t{i}", t)
