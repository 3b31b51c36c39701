#!/usr/bin/env python3
"""Writes the hostile-text captures of this folder (run once; the files are committed).

Scan replies whose texts try to steer what shows them: terminal escapes, line
breaks that forge table rows, spreadsheet formulas, C1 controls, DEL and bytes
that are not UTF-8, every text at most its wire field's width. The same
replies are written as Ethernet (hostile.pcap), Linux cooked SLL (cooked.pcap)
and SLL2 (cooked2.pcap) captures, as an Ethernet capture from a trunk port
whose frames carry one 802.1Q tag or a service tag outside it (tagged.pcap),
and as a raw-IP capture (raw.pcap), a link type that fendrix-cli refuses."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# sender (MAC text), ip, server_ip, firmware_version (10 bytes at most), gateway
CONTROLLERS = [
    (b"00:1a:2b:70:00:01", b"192.168.0.71", b"=cmd|'/c calc'!A1", b"\x1b]0;pw\x07", b"192.168.0.1"),
    (b"00:1a:2b:70:00:02", b"1.2.3.4\r\n  9  OK", b"+1", b"\x1b[2J\x1b[H", b"@SUM(A1)"),
    (b"-2+3:00:70:00:03", b"192.168.0.73", b"-1", b"\x9b31m\x7f\xff\xfe", b"\t=1"),
    (b"00:1a:2b:70:00:04", b"192.168.0.74", b"a,\"b\"", b"C:\\x1b", b"\r=1"),
]


def text(buf, off, width, value):
    assert len(value) <= width, value
    buf[off:off + len(value)] = value


def scan_reply(sender, ip, server_ip, version, gateway):
    d = bytearray(216)
    d[0:7] = b"kestrel"
    d[7:9] = struct.pack("<H", 1)
    d[9] = 17
    d[10:12] = struct.pack("<H", 52)
    text(d, 12, 20, sender)
    text(d, 52, 20, ip)
    d[92] = 1
    text(d, 93, 20, b"255.255.255.0")
    text(d, 113, 20, gateway)
    d[174:176] = struct.pack("<H", 80)
    d[176:178] = struct.pack("<H", 443)
    text(d, 178, 20, server_ip)
    d[198:200] = struct.pack("<H", 2)
    d[200:202] = struct.pack("<H", 1)
    d[202:204] = struct.pack("<H", 2)
    text(d, 204, 10, version)
    d[215] = 99
    return bytes(d)


def ipv4_udp(datagram, src):
    udp = struct.pack("!HHHH", 8901, 8911, 8 + len(datagram), 0) + datagram
    ip = bytearray(struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 0, 0, 64, 17, 0,
                               bytes(src), bytes([192, 168, 0, 10])))
    total = sum(struct.unpack("!10H", ip))
    total = (total & 0xFFFF) + (total >> 16)
    ip[10:12] = struct.pack("!H", ~total & 0xFFFF)
    return bytes(ip) + udp


def link_header(kind, i=0):
    src = bytes.fromhex("021a2b700001")
    if kind == "ethernet":
        return bytes.fromhex("ffffffffffff") + src + b"\x08\x00"
    if kind == "tagged":  # VLAN 100; every other frame also inside service VLAN 200
        tags = (b"\x88\xa8\x00\xc8" if i % 2 else b"") + b"\x81\x00\x00\x64"
        return bytes.fromhex("ffffffffffff") + src + tags + b"\x08\x00"
    if kind == "sll":  # packet type, ARPHRD_ETHER, address length, address (8), protocol
        return struct.pack("!HHH", 1, 1, 6) + src + b"\0\0" + b"\x08\x00"
    if kind == "sll2":  # protocol, reserved, ifindex, ARPHRD_ETHER, packet type, length, address
        return struct.pack("!HHIHBB", 0x0800, 0, 2, 1, 1, 6) + src + b"\0\0"
    return b""


def write(name, dlt, kind):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, dlt))
        for i, c in enumerate(CONTROLLERS):
            frame = link_header(kind, i) + ipv4_udp(scan_reply(*c), [192, 168, 0, 71 + i])
            f.write(struct.pack("<IIII", 1700000000, i, len(frame), len(frame)) + frame)


write("hostile.pcap", 1, "ethernet")
write("cooked.pcap", 113, "sll")
write("cooked2.pcap", 276, "sll2")
write("tagged.pcap", 1, "tagged")
write("raw.pcap", 12, "raw")
