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

# Linux cooked captures: the Ethernet seeds' IPv4 packets behind SLL and SLL2 headers.
ip_of_scan = frame(scan)[14:]
write("fuzz_frame_handler", "scan_sll", bytes(14) + b"\x08\x00" + ip_of_scan)
write("fuzz_frame_handler", "scan_sll2", b"\x08\x00" + bytes(18) + ip_of_scan)
# 802.1Q: a service tag outside a customer tag, between the addresses and the protocol.
eth_of_scan = frame(scan)
write("fuzz_frame_handler", "scan_vlan2",
      eth_of_scan[:12] + b"\x88\xa8\x00\x64\x81\x00\x00\xc8" + eth_of_scan[12:])

for i, t in enumerate([b"target,brand,new MAC\n192.168.0.21,QEL,001a2b3c4d01\n",
                       b"\xef\xbb\xbftarget,brand,new MAC\r\n00:1a:2b:3c:4d:01,\"MARLO #1\",\r\n",
                       b"# comment\n\n10.0.0.1,ZANT,AB12-00:1A:2B:3C:4D:5E\n10.0.0.2,7,001A2B3C4D5E\n",
                       b"a,\"b,\"\"c\"\"\",d\n,,\n\"unterminated\n"]):
    write("fuzz_apply_csv", f"csv{i}", t)
for i, t in enumerate([b"5.00.01l", b"=cmd|'/c calc'!A1", b"\x1b]0;pw\x07\r\n", b"-1",
                       b"caf\xc3\xa9 \xff\x9b \\x1b", b"a,\"b\"\n"]):
    write("fuzz_safe_text", f"t{i}", t)
for i, t in enumerate([b"192.168.0.10", b"0.0.0.0", b"255.255.255.255", b"192.168.000.010",
                       b"1.2.3", b"1.2.3.4.", b"256.1.1.1", b"+1.2.3.4", b" 1.2.3.4"]):
    write("fuzz_ipv4_rule", f"ip{i}", t)
# Device list: an op byte (MAC length in the low 5 bits, IP length / 3 in the
# top 3), then the texts; 0xFF starts a new scan.
ops = b""
for i in range(60):
    mac = b"00:1a:2b:3c:4d:%02x" % (i % 50)
    ops += bytes([len(mac) | (4 << 5)]) + mac + b"10.0.0.%03d" % (i % 7) + b"xx"
write("fuzz_device_list", "many", ops)
write("fuzz_device_list", "case_and_clear", bytes([2 | (1 << 5)]) + b"ab1.1" + bytes([2 | (1 << 5)])
      + b"AB1.1" + b"\xff" + bytes([2 | (1 << 5)]) + b"ab1.1")
