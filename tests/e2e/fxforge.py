#!/usr/bin/env python3
"""An attacker on the segment: watches the PC's requests on the segment end of
a link and answers them with forged replies to UDP port 8911, as fast as it
can (or, for a held answer, when the next request comes). Run it only inside
the test's segment namespace.

  --result-on-scan MAC     on every scan request, a result reply 0 "from" MAC:
                           an answer that comes before any request
  --result-on-request      on every reset or network change, a result reply 0
                           from another host (this forger's own MAC text)
  --controller MAC IP      answers scans as a controller MAC at IP and holds
                           its apply answer (OK) to an OEM/MAC request until
                           the next OEM/MAC request for another controller
  --scan-reply MAC IP GATEWAY DNS1
                           on every scan request, a scan reply for MAC at IP
                           with these gateway and DNS values
  --made-up-units PREFIX   on every scan request, a scan reply of a new unit
                           that exists nowhere: PREFIX (four pairs) and a
                           count, at 10.66.0.COUNT; it answers nothing else

Writes --ready once it listens, and one line on stderr per forged reply."""
import argparse, os, socket, struct, sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fxprobe import header as request_header, put as text  # noqa: E402  the same 52-byte header

OWN_MAC = "02:fe:ed:be:ef:01"


def header(code, size, sender, target):
    return request_header(code, sender, target) + bytearray(size - 52)


def result_reply(sender, requester, result=0):
    d = header(18, 93, sender, requester)
    d[92] = result
    return bytes(d)


def apply_reply(sender, requester, new_mac):
    d = header(19, 115, sender, requester)
    text(d, 92, 20, new_mac)
    d[112], d[113], d[114] = 2, 2, 4  # applied, brand QEL
    return bytes(d)


def scan_reply(sender, requester, ip, gateway="192.168.0.1", dns1="192.168.0.1"):
    d = header(17, 216, sender, requester)
    text(d, 52, 20, ip)
    d[92] = 1
    text(d, 93, 20, "255.255.255.0")
    text(d, 113, 20, gateway)
    text(d, 133, 20, dns1)
    d[174:178] = struct.pack("<HH", 80, 443)
    d[198:204] = struct.pack("<HHH", 2, 1, 2)
    text(d, 204, 10, "3.1.7")
    d[215] = 99
    return bytes(d)


def frame(request, src_ip, datagram):
    udp = struct.pack("!HHHH", 8901, 8911, 8 + len(datagram), 0) + datagram
    ip = bytearray(struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 0, 0, 64, 17, 0,
                               socket.inet_aton(src_ip), request["src_ip"]))
    s = sum(struct.unpack("!10H", ip))
    s = (s & 0xFFFF) + (s >> 16)
    ip[10:12] = struct.pack("!H", ~s & 0xFFFF)
    return request["src_mac"] + bytes.fromhex(OWN_MAC.replace(":", "")) + b"\x08\x00" + bytes(ip) + udp


def request_of(f):
    """The PC's request in an Ethernet frame to UDP port 8901, or None."""
    if len(f) < 14 + 20 + 8 + 52 or f[12:14] != b"\x08\x00" or f[23] != 17:
        return None
    udp = 14 + (f[14] & 0x0F) * 4
    if len(f) < udp + 8 + 52 or struct.unpack_from("!H", f, udp + 2)[0] != 8901:
        return None
    d = f[udp + 8:]
    field = lambda off: d[off:off + 20].split(b"\0", 1)[0].decode("latin-1")
    return {"code": d[9], "sender": field(12), "target": field(32), "src_mac": f[6:12],
            "src_ip": f[26:30], "datagram": d}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--iface", required=True)
    ap.add_argument("--ready", required=True)
    ap.add_argument("--result-on-scan", metavar="MAC")
    ap.add_argument("--result-on-request", action="store_true")
    ap.add_argument("--controller", nargs=2, metavar=("MAC", "IP"))
    ap.add_argument("--scan-reply", nargs=4, metavar=("MAC", "IP", "GATEWAY", "DNS1"))
    ap.add_argument("--made-up-units", metavar="PREFIX")
    args = ap.parse_args()

    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0003))
    s.bind((args.iface, 0))
    open(args.ready, "w").close()
    held = None  # (request, datagram) of the controller's answer not sent yet
    made_up = 0

    def send(req, src_ip, datagram, what):
        s.send(frame(req, src_ip, datagram))
        print(f"forged {what}", file=sys.stderr, flush=True)

    while True:
        f, addr = s.recvfrom(65535)
        if addr[2] == socket.PACKET_OUTGOING:
            continue
        req = request_of(f)
        if not req:
            continue
        if req["code"] == 1:
            if args.result_on_scan:
                send(req, "192.168.0.250", result_reply(args.result_on_scan, req["sender"]),
                     "result before the request")
            if args.controller:
                mac, ip = args.controller
                send(req, ip, scan_reply(mac, req["sender"], ip), "controller scan reply")
            if args.scan_reply:
                mac, ip, gateway, dns1 = args.scan_reply
                send(req, ip, scan_reply(mac, req["sender"], ip, gateway, dns1), "scan reply")
            if args.made_up_units:
                made_up = made_up % 250 + 1
                mac, ip = f"{args.made_up_units}:00:{made_up:02x}", f"10.66.0.{made_up}"
                send(req, ip, scan_reply(mac, req["sender"], ip), "made-up unit")
        elif req["code"] in (2, 3) and args.result_on_request:
            send(req, "192.168.0.250", result_reply(OWN_MAC, req["sender"]),
                 "result from another host")
        elif req["code"] == 5 and args.controller:
            mac, ip = args.controller
            if req["target"].lower() == mac.lower():
                new_mac = req["datagram"][142:162].split(b"\0", 1)[0].decode("latin-1")
                held = (req, apply_reply(mac, req["sender"], new_mac or mac))
            elif held:
                send(held[0], ip, held[1], "late apply answer")
                held = None


if __name__ == "__main__":
    main()
