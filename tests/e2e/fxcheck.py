#!/usr/bin/env python3
"""Checks for the end-to-end tests: what fendrix-cli or the window listed
against what the simulator was configured with, what the simulator logged
against the expected request bytes, and what the window said. Each check
prints what is wrong and exits 1; `fxcheck.py CHECK --help` describes one."""
import argparse, json, re, sys

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


def load(path):
    with open(path) as f:
        return json.load(f)


def log_lines(path):
    try:
        with open(path) as f:
            return [json.loads(line) for line in f if line.strip()]
    except FileNotFoundError:
        return []


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


def rows(listing, config, only):
    """Every configured controller has exactly one row, numbered in order;
    with --only PREFIX, exactly those whose IP starts with PREFIX."""
    got = load(listing)
    want = [controller(c) for c in load(config) if c["ip"].startswith(only)]
    check(isinstance(got, list), "the listing is a JSON array")
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


def distinct_rows(listing, count, foreign):
    """Exactly COUNT rows with distinct MACs, numbered 1..COUNT; with
    --foreign PREFIX, none whose MAC starts with it."""
    got = load(listing)
    macs = {r["mac_address"] for r in got}
    numbered = [r["no"] for r in got] == ["  %d" % i for i in range(1, len(got) + 1)]
    bad = [r for r in got if foreign and r["mac_address"].upper().startswith(foreign.upper())]
    check(len(got) == count and len(macs) == count and numbered and not bad,
          f"{count} distinct rows numbered 1..{count} expected, got {len(got)} rows, {len(macs)} distinct,"
          f" {'' if numbered else 'not '}numbered in order" + (f", {len(bad)} from {foreign}" if foreign else ""))


def row_of(listing, mac, cells):
    """The row of MAC has the given key=value cells (or record.key=value)."""
    found = [r for r in load(listing) if r.get("mac_address") == mac.upper()]
    check(len(found) == 1, f"one row for {mac}, found {len(found)}")
    for item in cells:
        key, value = item.split("=", 1)
        for r in found:
            got = r["record"].get(key[7:]) if key.startswith("record.") else r.get(key)
            check(str(got) == value, f"{mac}: {key} is {got!r}, expected {value!r}")


def absent(listing, mac):
    """No row shows MAC."""
    found = [r for r in load(listing) if r.get("mac_address") == mac.upper()]
    check(found == [], f"no row for {mac}: {found}")


def request_header(command, sender, target=""):
    b = bytearray(52)
    b[0:7] = b"kestrel"
    b[7:12] = bytes([1, 0, command, 52, 0])
    b[12:12 + len(sender)] = sender.encode()
    b[32:32 + len(target)] = target.encode()
    return b


def scan_requests(log, pc_mac, broadcast, count):
    """The log holds COUNT scan requests, each the exact 52 bytes."""
    lines = log_lines(log)
    check(len(lines) == count, f"{count} request(s) logged, found {len(lines)}: {lines}")
    want = request_header(1, pc_mac).hex()
    for l in lines:
        check((l["dst_ip"], l["dst_port"], l["length"]) == (broadcast, 8901, 52),
              f"scan to {broadcast}:8901, 52 bytes: {l['dst_ip']}:{l['dst_port']}, {l['length']}")
        check(l["hex"] == want, f"scan bytes\n      {l['hex']}\n    expected\n      {want}")
        check(l["dst_mac"] == "ff:ff:ff:ff:ff:ff", f"broadcast frame, got {l['dst_mac']}")


def no_requests(log):
    """Nothing reached the simulator of this log."""
    lines = log_lines(log)
    check(lines == [], f"no request reached this link: {lines}")


def same_request(l, want):
    """The logged request l is the one described by want (see expect_request)."""
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


def expect_request(log, expected):
    """Exactly one logged request of the expected command, byte for byte.

    EXPECTED: {"command", "length", "dst_ip", "dst_mac"?, "sender", "target",
               "texts": {offset: text}, "u8": {offset: n}, "u16": {offset: n}}"""
    want = json.loads(expected)
    lines = [l for l in log_lines(log) if l.get("command") == want["command"]]
    check(len(lines) == 1, f"one request of code {want['command']} logged, found {len(lines)}")
    if lines:
        same_request(lines[0], want)


def requests_in_order(log, pc_mac, broadcast, expected):
    """The log holds exactly the EXPECTED requests in this order: "scan" is the
    exact 52-byte broadcast from PC_MAC to BROADCAST, any other a JSON
    description as expect_request takes it."""
    scan = {"command": 1, "length": 52, "dst_ip": broadcast, "dst_mac": "ff:ff:ff:ff:ff:ff",
            "sender": pc_mac, "target": ""}
    wants = [scan if e == "scan" else json.loads(e) for e in expected]
    lines = log_lines(log)
    got, want = [l["command"] for l in lines], [w["command"] for w in wants]
    check(got == want, f"request codes in order {got}, expected {want}")
    for i, (line, w) in enumerate(zip(lines, wants)):
        before = len(problems)
        same_request(line, w)
        if len(problems) > before:
            problems.append(f"request {i + 1} differs")


def codes(log, code):
    """The logged requests have exactly these codes, in this order."""
    got = [l["command"] for l in log_lines(log)]
    check(got == code, f"request codes {got}, expected {code}")


FIELD_AT = re.compile(r"text@(\d+):(\d+)$")
BYTE_AT = re.compile(r"u8@(\d+)$")


def requests(log, code, count, nth, fields):
    """The log holds COUNT requests of CODE; with NTH, the NTHth of them has
    the FIELD=VALUE pairs: a logged field (dst_ip, dst_mac, target, ...),
    text@OFFSET:WIDTH, those bytes of the datagram holding VALUE padded with
    zeros, or u8@OFFSET, that byte holding the number VALUE."""
    found = [l for l in log_lines(log) if l.get("command") == code]
    check(len(found) == count, f"{count} request(s) of code {code} expected, found {len(found)}: {found}")
    if nth is None:
        return
    if not 1 <= nth <= len(found):
        check(False, f"no request {nth} of code {code}")
        return
    l = found[nth - 1]
    for item in fields:
        key, value = item.split("=", 1)
        at, byte = FIELD_AT.match(key), BYTE_AT.match(key)
        if byte:
            got = bytes.fromhex(l["hex"])[int(byte.group(1)):int(byte.group(1)) + 1]
            check(got == bytes([int(value)]), f"request {nth} of code {code}: {key} is {got!r}")
        elif at:
            off, width = int(at.group(1)), int(at.group(2))
            got = bytes.fromhex(l["hex"])[off:off + width]
            check(got == value.encode().ljust(width, b"\0"), f"request {nth} of code {code}: {key} is {got!r}")
        else:
            check(str(l.get(key)) == value, f"request {nth} of code {code}: {key} is {l.get(key)!r}, expected {value!r}")


def capture_error_prompt(output, interface, text):
    """The window output holds one message, a warning that names the
    INTERFACE and the capture library's answer (matching the regular
    expression TEXT), and the window did not end the process."""
    lines = open(output).read().splitlines()
    prompts = [l for l in lines if l.startswith("PROMPT ")]
    if len(prompts) != 1:
        check(False, f"one message expected, got {prompts}")
    else:
        check(prompts[0].startswith("PROMPT warning: ") and interface in prompts[0]
              and re.search(text, prompts[0]),
              f"the message names neither the adapter nor the library's text: {prompts[0]}")
    check(not any(l.startswith("EXIT") for l in lines), "the window ended the process")


def journal_units(export, log, units):
    """The production journal (fendrix-cli journal --format json) holds, for
    each OLD=STATE,... of UNITS, exactly these allocations of the unit OLD in
    this order and none of any other unit; its new MACs are distinct and rise
    with the allocations; the simulator's log holds one OEM/MAC request per
    allocation that the journal records as sent, addressed to its unit and
    carrying its new MAC, and no other (no MAC went out twice)."""
    allocations = load(export)["allocations"]
    news = [a["new_mac"] for a in allocations]
    check(news == sorted(set(news)), f"new MACs distinct and rising: {news}")
    want = {}
    for item in units:
        old, states = item.split("=", 1)
        want[old.lower()] = states.split(",") if states else []
    got = {}
    for a in allocations:
        got.setdefault(a["old_mac"].lower(), []).append(a["state"])
    for old in set(want) | set(got):
        check(got.get(old, []) == want.get(old, []),
              f"{old}: allocations {got.get(old, [])}, expected {want.get(old, [])}")
    sent = sorted((a["old_mac"].lower(), a["new_mac"]) for a in allocations if a["sent_at"])
    requested = sorted((l["target"].lower(), bytes.fromhex(l["hex"])[142:162].rstrip(b"\0").decode())
                       for l in log_lines(log) if l.get("command") == 5)
    check(requested == sent, f"OEM/MAC requests {requested}, journal sent {sent}")


def log_requests(log):
    """Prints the logged requests as one JSON array (not a check)."""
    print(json.dumps(log_lines(log)))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    sub = ap.add_subparsers(dest="check", required=True, metavar="CHECK")

    def command(fn):
        summary = " ".join(fn.__doc__.split()).split(". ")[0].split(": ")[0].rstrip(".")
        p = sub.add_parser(fn.__name__, help=summary, description=fn.__doc__)
        p.set_defaults(run=fn)
        return p

    p = command(rows)
    p.add_argument("listing", help="rows as JSON (fendrix-cli --format json, or a window dump)")
    p.add_argument("config", help="the simulator's --config file")
    p.add_argument("--only", default="", metavar="PREFIX")
    p = command(distinct_rows)
    p.add_argument("listing")
    p.add_argument("count", type=int)
    p.add_argument("--foreign", default="", metavar="PREFIX")
    p = command(row_of)
    p.add_argument("listing")
    p.add_argument("mac")
    p.add_argument("cells", nargs="*", metavar="KEY=VALUE")
    p = command(absent)
    p.add_argument("listing")
    p.add_argument("mac")
    p = command(scan_requests)
    p.add_argument("log")
    p.add_argument("pc_mac")
    p.add_argument("broadcast")
    p.add_argument("count", type=int, nargs="?", default=1)
    p = command(no_requests)
    p.add_argument("log")
    p = command(expect_request)
    p.add_argument("log")
    p.add_argument("expected", help="JSON description of the request")
    p = command(requests_in_order)
    p.add_argument("log")
    p.add_argument("pc_mac")
    p.add_argument("broadcast")
    p.add_argument("expected", nargs="*")
    p = command(codes)
    p.add_argument("log")
    p.add_argument("code", type=int, nargs="*")
    p = command(requests)
    p.add_argument("log")
    p.add_argument("code", type=int)
    p.add_argument("count", type=int)
    p.add_argument("nth", type=int, nargs="?")
    p.add_argument("fields", nargs="*", metavar="FIELD=VALUE")
    p = command(capture_error_prompt)
    p.add_argument("output", help="the window driver's standard output")
    p.add_argument("interface")
    p.add_argument("text", help="regular expression for the library's text")
    p = command(journal_units)
    p.add_argument("export", help="fendrix-cli journal FILE --format json")
    p.add_argument("log", help="the simulator's request log")
    p.add_argument("units", nargs="*", metavar="OLD_MAC=STATE,...")
    p = command(log_requests)
    p.add_argument("log")

    args = vars(ap.parse_args())
    del args["check"]
    args.pop("run")(**args)
    for p in problems:
        print("  -", p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
