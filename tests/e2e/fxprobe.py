#!/usr/bin/env python3
"""Sends one controller request from the PC namespace and prints, as JSON,
every reply frame to UDP port 8911 seen on the interface meanwhile.

A third reading of the wire layouts, independent of both the tool and the
simulator, used to check the simulator on its own."""
import argparse, json, socket, struct, time

ETH_P_ALL = 0x0003


def header(command, sender, target=""):
    b = bytearray(52)
    b[0:7] = b"kestrel"
    b[7:9] = struct.pack("<H", 1)
    b[9] = command
    b[10:12] = struct.pack("<H", 52)
    put(b, 12, 20, sender)
    put(b, 32, 20, target)
    return b


def put(b, off, width, text):
    raw = text.encode("latin-1")[:width]
    b[off:off + len(raw)] = raw


def text(b, off, width):
    return b[off:off + width].split(b"\0", 1)[0].decode("latin-1")


def u16(b, off):
    return struct.unpack_from("<H", b, off)[0]


def build(args, mac):
    if args.kind == "scan":
        return bytes(header(1, mac))
    if args.kind == "netcfg":
        b = header(2, mac, args.target) + bytearray(318 - 52)
        put(b, 52, 20, args.src)
        put(b, 72, 20, args.current_ip)
        b[92] = 1 if args.static else 0
        for off, val in ((93, args.ip), (113, args.mask), (133, args.gateway), (153, args.dns1),
                         (173, args.dns2), (198, args.server_ip)):
            put(b, off, 20, val)
        b[193] = 1 if args.https else 0
        struct.pack_into("<HH", b, 194, args.http_port, args.https_port)
        put(b, 218, 50, args.user)
        put(b, 268, 50, args.password)
        return bytes(b)
    if args.kind == "reset":
        b = header(3, mac, args.target) + bytearray(192 - 52)
        put(b, 52, 20, args.src)
        put(b, 72, 20, args.current_ip)
        put(b, 92, 50, args.user)
        put(b, 142, 50, args.password)
        return bytes(b)
    if args.kind == "oem":
        b = header(5, mac, args.target) + bytearray(162 - 52)
        put(b, 72, 20, args.current_ip)
        put(b, 92, 50, args.oem)
        put(b, 142, 20, args.new_mac)
        return bytes(b)
    return bytes.fromhex(args.hex)


def decode(frame):
    if len(frame) < 34 or frame[12:14] != b"\x08\x00":
        return None
    ihl = (frame[14] & 0x0F) * 4
    if ihl < 20 or frame[23] != 17 or len(frame) < 14 + ihl + 8:
        return None
    udp = 14 + ihl
    sport, dport, ulen = struct.unpack_from("!HHH", frame, udp)
    if dport != 8911:
        return None
    p = frame[udp + 8:udp + max(ulen, 8)]
    r = {"src_mac": frame[6:12].hex(":"), "dst_mac": frame[0:6].hex(":"),
         "src_ip": socket.inet_ntoa(frame[26:30]), "dst_ip": socket.inet_ntoa(frame[30:34]),
         "src_port": sport, "dst_port": dport, "length": len(p), "hex": p.hex()}
    if len(p) < 52:
        return r
    r.update(magic=p[0:7].decode("latin-1"), version=u16(p, 7), command=p[9],
             header_length=u16(p, 10), sender=text(p, 12, 20), target=text(p, 32, 20))
    if p[9] == 17 and len(p) >= 216:
        r.update(ip=text(p, 52, 20), ip_type=p[92], subnet_mask=text(p, 93, 20),
                 gateway=text(p, 113, 20), dns1=text(p, 133, 20), dns2=text(p, 153, 20),
                 https_enabled=p[173], http_port=u16(p, 174), https_port=u16(p, 176),
                 server_ip=text(p, 178, 20), hardware_model=u16(p, 198), edition=u16(p, 200),
                 max_door=u16(p, 202), firmware_version=text(p, 204, 10), status=p[215])
    elif p[9] == 18 and len(p) >= 93:
        r.update(result=p[92])
    elif 19 <= p[9] <= 21 and len(p) >= 115:
        r.update(reply_text=text(p, 92, 20), result=p[112], apply_status=p[113], oem_index=p[114])
    return r


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--iface", required=True)
    ap.add_argument("--src", required=True)
    ap.add_argument("--dst", help="destination IP; the subnet's .255 when left out")
    ap.add_argument("--wait", type=int, default=500, help="milliseconds to collect replies")
    ap.add_argument("kind", choices=["scan", "netcfg", "reset", "oem", "raw"])
    ap.add_argument("--target", default="")
    ap.add_argument("--current-ip", default="")
    ap.add_argument("--static", action="store_true")
    ap.add_argument("--ip", default="0.0.0.0")
    ap.add_argument("--mask", default="255.255.255.0")
    ap.add_argument("--gateway", default="0.0.0.0")
    ap.add_argument("--dns1", default="0.0.0.0")
    ap.add_argument("--dns2", default="0.0.0.0")
    ap.add_argument("--server-ip", default="0.0.0.0")
    ap.add_argument("--https", action="store_true")
    ap.add_argument("--http-port", type=int, default=80)
    ap.add_argument("--https-port", type=int, default=443)
    ap.add_argument("--user", default="")
    ap.add_argument("--password", default="")
    ap.add_argument("--oem", default="")
    ap.add_argument("--new-mac", default="")
    ap.add_argument("--hex", default="")
    args = ap.parse_args()

    mac = open(f"/sys/class/net/{args.iface}/address").read().strip()
    cap = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
    # Room for a whole burst of replies while Python catches up.
    SO_RCVBUFFORCE = 33
    cap.setsockopt(socket.SOL_SOCKET, SO_RCVBUFFORCE, 16 << 20)
    cap.bind((args.iface, 0))
    cap.settimeout(0.05)
    out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    out.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    out.bind((args.src, 0))
    dst = args.dst or args.src.rsplit(".", 1)[0] + ".255"
    out.sendto(build(args, mac), (dst, 8901))
    sent = time.monotonic()

    # The capture was bound before the request went out. What follows is a
    # collection window, not a readiness wait: every reply seen within --wait
    # ms is printed, and some requests are meant to get none.
    replies = []
    end = time.monotonic() + args.wait / 1000
    while time.monotonic() < end:
        try:
            frame, addr = cap.recvfrom(65535)
        except socket.timeout:
            continue
        if addr[2] == socket.PACKET_OUTGOING:
            continue
        r = decode(frame)
        if r:
            r["t_ms"] = round((time.monotonic() - sent) * 1000)
            replies.append(r)
    print(json.dumps(replies))


if __name__ == "__main__":
    main()
