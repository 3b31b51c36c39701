#!/usr/bin/env python3
"""Writes a capture file of N scan replies from N distinct controllers, for
replaying a flood through fendrix-cli (scan --from-pcap) without a network.

Usage: make_flood_pcap.py N OUT.pcap

Controller i has the MAC text 02:b6:xx:xx:xx:xx and the IP 10.a.b.c made of
the bits of i; the other fields are those of an ordinary controller. The
file is about 270 bytes per reply (a million replies: 290 MB)."""
import struct
import sys


def text(buf, off, width, value):
    assert len(value) <= width, value
    buf[off:off + len(value)] = value


def template():
    d = bytearray(216)
    d[0:7] = b"kestrel"
    d[7:9] = struct.pack("<H", 1)
    d[9] = 17
    d[10:12] = struct.pack("<H", 52)
    d[92] = 1
    text(d, 93, 20, b"255.0.0.0")
    text(d, 113, 20, b"10.0.0.1")
    d[174:176] = struct.pack("<H", 80)
    d[176:178] = struct.pack("<H", 443)
    d[198:200] = struct.pack("<H", 2)
    d[200:202] = struct.pack("<H", 3)
    d[202:204] = struct.pack("<H", 2)
    text(d, 204, 10, b"V3.0.1")
    d[215] = 99
    return d


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    count, path = int(sys.argv[1]), sys.argv[2]
    reply = template()
    udp_len = 8 + len(reply)
    ether = bytes.fromhex("ffffffffffff" "02b600000000") + b"\x08\x00"
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        for i in range(count):
            a, b, c = 100 + ((i >> 16) & 0x7F), (i >> 8) & 0xFF, i & 0xFF
            mac = b"02:b6:%02x:%02x:%02x:%02x" % ((i >> 24) & 0xFF, (i >> 16) & 0xFF, b, c)
            ip = b"%d.%d.%d.%d" % (10, a, b, c)
            reply[12:32] = mac.ljust(20, b"\0")
            reply[52:72] = ip.ljust(20, b"\0")
            # Controllers beyond 2^23 would repeat an address: the MAC keeps them apart.
            header = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + udp_len, 0, 0, 64, 17, 0,
                                 bytes([10, a, b, c]), bytes([192, 168, 0, 10]))
            frame = (ether + header + struct.pack("!HHHH", 8901, 8911, udp_len, 0) +
                     bytes(reply))
            f.write(struct.pack("<IIII", 1700000000 + i // 1000000, i % 1000000, len(frame),
                                len(frame)))
            f.write(frame)


main()
