#!/usr/bin/env python3
"""Checks for the end-to-end tests: what fendrix-cli printed against what the
simulator was configured with, and what the simulator logged against the
expected request bytes. Each check prints what is wrong and exits 1."""
import json, sys

MODELS = {0: "MINI", 1: "1 Door", 2: "2 Door", 3: "3 Door", 4: "4 Door", 100: "Mini PC",
          200: "Rack Mount", 300: "Virtual Machine"}
EDITIONS = {1: "Keystone", 2: "Summit", 3: "Meridian", 5: "Satellite", 7: "Ascent", 11: "Meridian Plus"}
# What the simulator puts in a field that its configuration leaves out.
DEFAULTS = dict(ip_type=1, subnet_mask="255.255.255.0", gateway="192.168.0.1", dns1="", dns2="", server_ip="", https_enabled=0,
                http_port=80, https_port=443, hardware_model=2, edition=1, max_door=2,
                firmware_version="V2.10.3", status=99)
TEXTS = ("ip", "subnet_mask", "gateway", "dns1", "dns2", "server_ip")
NUMBERS = ("ip_type", "https_enabled", "http_port", "https_port", "hardware_model", "edition", "max_door",
           "status")

problems = []


def check(cond, what):
    if not cond:
        problems.append(what)


def done():
    for p in problems:
        print("  -", p)
    sys.exit(1 if problems else 0)


def load(path):
    with open(path) as f:
        return json.load(f)


def log_lines(path):
    with open(path) as f:
        return [json.loads(line) for line in f if line.strip()]


def controller(c):
    full = dict(DEFAULTS)
    full.update(c)
    return full


def same_text(got, want, width=20):
    # A text that fills its wire field arrives without a terminator; the
    # record may keep it whole or cut it to leave room for one.
    if len(want) >= width:
        return got in (want[:width], want[:width - 1])
    return got == want


def expect_cells(row, c):
    want = {
        "status": "OK" if c["status"] == 99 else "Failed",
        "mac_address": c["mac"].upper(),
        "ip_address": c["ip"],
        "ip_type": "DHCP" if c["ip_type"] == 0 else "Static",
        "model": EDITIONS.get(c["edition"], "Unknown"),
        "version": c["firmware_version"][:10],
        "product": MODELS.get(c["hardware_model"], "Unknown"),
        "max_door": "  %d" % c["max_door"],
        "server_ip": c["server_ip"],
    }
    for key, value in want.items():
        check(row.get(key) == value, f"{c['mac']}: cell {key} is {row.get(key)!r}, expected {value!r}")
    rec = row.get("record", {})
    check(rec.get("mac") == c["mac"], f"{c['mac']}: record mac {rec.get('mac')!r} keeps the sent case")
    for key in NUMBERS:
        check(rec.get(key) == c[key], f"{c['mac']}: record {key} is {rec.get(key)!r}, expected {c[key]!r}")
    for key in TEXTS:
        check(same_text(rec.get(key), c[key]), f"{c['mac']}: record {key} is {rec.get(key)!r}, expected {c[key]!r}")
    check(rec.get("firmware_version") == c["firmware_version"][:10], f"{c['mac']}: record firmware_version")


def rows(cli_json, config_json, *flags):
    """Every configured controller has exactly one row, numbered in order."""
    got = load(cli_json)
    want = [controller(c) for c in load(config_json)]
    check(isinstance(got, list), "the scan's JSON is an array")
    for i, row in enumerate(got):
        check(row.get("no") == "  %d" % (i + 1), f"row {i}: no is {row.get('no')!r}")
    keys = [(r.get("mac_address"), r.get("ip_address")) for r in got]
    check(len(keys) == len(set(keys)), f"no duplicate rows: {keys}")
    by_mac = {r.get("mac_address"): r for r in got}
    check(len(got) == len(want), f"{len(got)} rows for {len(want)} controllers")
    for c in want:
        row = by_mac.get(c["mac"].upper())
        check(row is not None, f"{c['mac']} ({c['ip']}) was not found")
        if row:
            expect_cells(row, c)


def request_header(command, sender, target=""):
    b = bytearray(52)
    b[0:7] = b"kestrel"
    b[7:12] = bytes([1, 0, command, 52, 0])
    b[12:12 + len(sender)] = sender.encode()
    b[32:32 + len(target)] = target.encode()
    return b


def scan_requests(log_path, pc_mac, broadcast, count="1"):
    """The log holds `count` scan requests, each the exact 52 bytes."""
    lines = log_lines(log_path)
    check(len(lines) == int(count), f"{count} request(s) logged, found {len(lines)}: {lines}")
    want = request_header(1, pc_mac).hex()
    for l in lines:
        check((l["dst_ip"], l["dst_port"], l["length"]) == (broadcast, 8901, 52),
              f"scan to {broadcast}:8901, 52 bytes: {l['dst_ip']}:{l['dst_port']}, {l['length']}")
        check(l["hex"] == want, f"scan bytes\n      {l['hex']}\n    expected\n      {want}")
        check(l["dst_mac"] == "ff:ff:ff:ff:ff:ff", f"broadcast frame, got {l['dst_mac']}")


def no_requests(log_path):
    lines = log_lines(log_path)
    check(lines == [], f"no request reached this link: {lines}")


def expect_request(log_path, want_json):
    """Exactly one logged request of the wanted command, byte for byte.

    want: {"command", "length", "dst_ip", "dst_mac"?, "sender", "target",
           "texts": {offset: text}, "u8": {offset: n}, "u16": {offset: n}}"""
    want = json.loads(want_json)
    lines = [l for l in log_lines(log_path) if l.get("command") == want["command"]]
    check(len(lines) == 1, f"one request of code {want['command']} logged, found {len(lines)}")
    if not lines:
        return
    l = lines[0]
    b = request_header(want["command"], want["sender"], want["target"]) + bytearray(want["length"] - 52)
    for off, text in want.get("texts", {}).items():
        raw = text.encode()
        b[int(off):int(off) + len(raw)] = raw
    for off, n in want.get("u8", {}).items():
        b[int(off)] = n
    for off, n in want.get("u16", {}).items():
        b[int(off):int(off) + 2] = n.to_bytes(2, "little")
    check((l["dst_ip"], l["dst_port"], l["length"]) == (want["dst_ip"], 8901, want["length"]),
          f"request to {want['dst_ip']}:8901 of {want['length']} bytes, got {l['dst_ip']}:{l['dst_port']}, {l['length']}")
    if "dst_mac" in want:
        check(l["dst_mac"] == want["dst_mac"], f"frame to {want['dst_mac']}, got {l['dst_mac']}")
    got = bytes.fromhex(l["hex"])
    if got != bytes(b):
        diff = [i for i in range(max(len(got), len(b))) if i >= len(got) or i >= len(b) or got[i] != b[i]]
        check(False, f"request bytes differ at offsets {diff[:12]}\n      got      {got.hex()}\n      expected {bytes(b).hex()}")


def row_of(cli_json, mac, *want):
    """The row of `mac` has the given key=value cells (or record.key=value)."""
    rows = [r for r in load(cli_json) if r.get("mac_address") == mac.upper()]
    check(len(rows) == 1, f"one row for {mac}, found {len(rows)}")
    for item in want:
        key, value = item.split("=", 1)
        for r in rows:
            got = r["record"].get(key[7:]) if key.startswith("record.") else r.get(key)
            check(str(got) == value, f"{mac}: {key} is {got!r}, expected {value!r}")


def absent(cli_json, mac):
    rows = [r for r in load(cli_json) if r.get("mac_address") == mac.upper()]
    check(rows == [], f"no row for {mac}: {rows}")


if __name__ == "__main__":
    globals()[sys.argv[1]](*sys.argv[2:])
    done()
