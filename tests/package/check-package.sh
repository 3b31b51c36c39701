#!/usr/bin/env bash
# Proves the Debian package the way an installer's PC takes it:
#   1. content: the exact file list (expected-files.txt), owners and modes,
#      dependencies computed from the binaries, desktop entry and AppStream
#      metainfo validated, icon sizes, man pages without warnings, one version;
#   2. a throwaway Debian 12 root (mmdebstrap, the machine's own registry;
#      never the machine's root) where apt installs the package's dependencies
#      and then the package;
#   3. there, in a PC network namespace against kestrel-sim (from the build
#      folder, in the segment namespace), with strict reverse-path filtering so
#      that only link-level capture sees controllers outside the PC's subnet:
#      root's fendrix-cli scan; a member of the group fendrix gets every
#      controller through the helper; a user outside it gets the hint and the
#      socket receiver's rows; the window started from the desktop entry's
#      Exec line under Xvfb lists every controller (its own Ctrl+A copy of all
#      MAC addresses, read from the clipboard); getcap finds cap_net_raw on the
#      helper only; a file system without capabilities gets a warning, never
#      set-uid; a group fendrix that is not a system group stops configure;
#   4. remove undoes the helper's override; purge leaves no file behind and
#      removes the group.
# Checks of features that are not built yet print PENDING; once the feature
# exists they must pass.
#
#   tests/package/check-package.sh out/fendrix_<version>_amd64.deb
# Environment: FENDRIX_BIN_DIR (a build folder with kestrel-sim, default
# build-package), PACKAGE_ROOT_CACHE (default out/package-root; the base root
# is kept a week), FENDRIX_FRESH_ROOT=1 makes it anew, FX_KEEP=1 keeps the
# work folder.
set -u
here=$(cd "$(dirname "$0")" && pwd)
export FENDRIX_SRC_DIR=${FENDRIX_SRC_DIR:-$(cd "$here/../.." && pwd)}
export FENDRIX_BIN_DIR=${FENDRIX_BIN_DIR:-$FENDRIX_SRC_DIR/build-package}
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb=$(realpath "$1")
. "$FENDRIX_SRC_DIR/tests/e2e/netns.sh"
. "$here/throwaway_root.sh"
[ "$(id -u)" -eq 0 ] || { echo "check-package: needs root (namespaces, chroot)" >&2; exit 1; }
[ -x "$FX_SIM" ] || { echo "check-package: no kestrel-sim at $FX_SIM" >&2; exit 1; }

passed=0
pending=()
timings=()
step_name=""
step_began=0
step() {
    local now
    now=$(date +%s.%N)
    [ -n "$step_name" ] && timings+=("$(awk -v a="$step_began" -v b="$now" -v n="$step_name" 'BEGIN { printf "%-36s %6.1f s", n, b - a }')")
    step_name=$1 step_began=$now
    [ -n "$1" ] && echo "=== $1"
}
ok() { echo "ok: $*"; passed=$((passed + 1)); }
pending() { echo "PENDING: $*"; pending+=("$*"); }

fx_setup 1
IF=${FX_PC_IF[1]}
PC_IP=${FX_PC_ADDR[0]}
version=$(dpkg-deb -f "$deb" Version)
helper=/usr/libexec/fendrix/fendrix-capture

step "package content"
dpkg-deb -c "$deb" >"$FX_DIR/contents" || fx_fail "dpkg-deb cannot read $deb"
has_helper=""
grep -q " \.$helper\$" "$FX_DIR/contents" && has_helper=1
if [ -f "$FENDRIX_SRC_DIR/capture/CMakeLists.txt" ] && [ -z "$has_helper" ]; then
    fx_fail "the sources have the capture helper but the package does not hold $helper"
fi
python3 - "$FX_DIR/contents" "$here/expected-files.txt" "$has_helper" <<'PY' || fx_fail "the package's files are not as expected"
import sys
contents, expected, has_helper = sys.argv[1:4]
want, problems = set(), []
for line in open(expected):
    line = line.strip()
    if not line or line.startswith("#"): continue
    if line.startswith("helper "):
        if not has_helper: continue
        line = line[7:]
    want.add(line)
got = {}
for line in open(contents):
    mode, owner, _size, _day, _time, path = line.split(None, 5)
    path = path.strip()
    if owner != "root/root": problems.append(f"{path} is owned by {owner}")
    if mode[3] in "sS" or mode[6] in "sS": problems.append(f"{path} has a set-id bit: {mode}")
    if mode.startswith("d"): continue
    got[path] = mode
    binary = path.startswith(("./usr/bin/", "./usr/libexec/"))
    if mode != ("-rwxr-xr-x" if binary else "-rw-r--r--"): problems.append(f"{path} has mode {mode}")
problems += [f"missing: {p}" for p in sorted(want - got.keys())]
problems += [f"not expected: {p}" for p in sorted(got.keys() - want)]
for p in problems: print("  -", p)
sys.exit(1 if problems else 0)
PY
ok "files, owners and modes as listed in expected-files.txt"

depends=$(dpkg-deb -f "$deb" Depends)
for want in 'libc6 (>=' 'libpcap0.8 (>=' 'libqt6widgets6 (>=' 'libstdc++6 (>=' adduser libcap2-bin qt6-qpa-plugins; do
    [[ ", $depends," == *", $want"* ]] || fx_fail "Depends lacks $want: $depends"
done
ok "Depends: $depends"

unpacked=$FX_DIR/unpacked
dpkg-deb -x "$deb" "$unpacked"
# Both programs start the helper: they carry its installed place.
for program in fendrix fendrix-cli; do
    grep -qF libexec/fendrix/fendrix-capture "$unpacked/usr/bin/$program" ||
        fx_fail "$program does not look for the helper at $helper"
done
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || fx_fail "desktop-file-validate"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.xml >"$FX_DIR/appstream" 2>&1 ||
    fx_fail "appstreamcli validate: $(cat "$FX_DIR/appstream")"
ok "desktop entry and AppStream metainfo validate"
python3 - "$unpacked/usr/share/icons/hicolor" <<'PY' || fx_fail "icon sizes"
import glob, struct, sys
bad = []
for path in glob.glob(sys.argv[1] + "/*/apps/*.png"):
    size = path.split("/")[-3]
    w, h = struct.unpack(">II", open(path, "rb").read()[16:24])
    if size != f"{w}x{h}": bad.append(f"{path}: {w}x{h}")
if bad: print("\n".join(bad))
sys.exit(1 if bad else 0)
PY
ok "icons: $(ls "$unpacked/usr/share/icons/hicolor" | tr '\n' ' ')"
for page in "$unpacked"/usr/share/man/man*/*.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fx_fail "man page $(basename "$page"): $warnings"
done
ok "man pages format without warnings"
changelog_version=$(zcat "$unpacked/usr/share/doc/fendrix/changelog.gz" | sed -n '1s/^fendrix (\([^)]*\)).*/\1/p')
metainfo_version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$unpacked"/usr/share/metainfo/*.xml)
[ "$changelog_version" = "$version" ] && [ "$metainfo_version" = "$version" ] ||
    fx_fail "versions differ: package $version, changelog $changelog_version, metainfo $metainfo_version"

step "throwaway root (mmdebstrap)"
root_make "$FX_DIR/root" || fx_fail "no throwaway root"
for user in alice bob; do
    in_root useradd --create-home --shell /bin/bash "$user" || fx_fail "useradd $user"
done
ok "a fresh Debian $(cat "$ROOT/etc/debian_version") root with the users alice and bob"

step "dependencies (apt)"
root_apt update >"$FX_DIR/apt-update.log" 2>&1 || fx_fail "apt-get update: $(tail -n 5 "$FX_DIR/apt-update.log")"
root_apt satisfy "$depends" >"$FX_DIR/apt-deps.log" 2>&1 ||
    fx_fail "apt cannot install the dependencies: $(tail -n 15 "$FX_DIR/apt-deps.log")"
ok "apt resolved the dependencies: $(grep -Eo '[0-9]+ newly installed' "$FX_DIR/apt-deps.log")"

# Every path of the root outside the package manager's state, caches, logs,
# temporary files and homes (which a purge never touches).
snapshot() {
    (cd "$ROOT" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./run \
        -o -path ./tmp -o -path ./var/tmp -o -path ./var/cache -o -path ./var/log \
        -o -path ./var/lib/apt -o -path ./var/lib/dpkg -o -path ./home -o -path ./root \) -prune \
        -o -printf '%y %p\n' | sort) >"$1"
}
snapshot "$FX_DIR/before-install"

step "install (apt)"
cp "$deb" "$ROOT/tmp/"
root_apt install "/tmp/$(basename "$deb")" >"$FX_DIR/apt-install.log" 2>&1 ||
    fx_fail "apt cannot install the package: $(tail -n 15 "$FX_DIR/apt-install.log")"
grep -Eq '^[0-9]+ upgraded, 1 newly installed' "$FX_DIR/apt-install.log" ||
    fx_fail "installing the package pulled more than its dependencies: $(grep newly "$FX_DIR/apt-install.log")"
cat "$FX_DIR/apt-install.log" | grep -i '^fendrix:' || true
gid=$(in_root getent group fendrix | cut -d: -f3)
[ -n "$gid" ] && [ "$gid" -lt 1000 ] || fx_fail "no system group fendrix (gid '$gid')"
ok "installed with apt; system group fendrix (gid $gid)"

for program in fendrix fendrix-cli ${has_helper:+$helper}; do
    out=$(in_root $(as root) "$program" --version 2>&1) || fx_fail "$program --version: $out"
    [ "$out" = "$(basename "$program") $version
Licensed under the Apache License, Version 2.0 (Apache-2.0)." ] || fx_fail "$program --version says: $out"
done
ok "every program says version $version and the licence"
[ -n "$has_helper" ] || pending "the capture helper's --version (the package holds no helper)"

caps=$(in_root sh -c 'dpkg -L fendrix | while read -r f; do [ -f "$f" ] && getcap "$f"; done')
setid=$(in_root sh -c 'dpkg -L fendrix | while read -r f; do [ -f "$f" ] && find "$f" -perm /6000; done')
[ -z "$setid" ] || fx_fail "set-id files: $setid"
if [ -n "$has_helper" ]; then
    [ "$caps" = "$helper cap_net_raw=ep" ] || fx_fail "getcap over the package's files: '$caps'"
    owner=$(in_root stat -c '%U:%G %a' "$helper")
    [ "$owner" = "root:fendrix 750" ] || fx_fail "the helper is $owner, not root:fendrix 750"
    [ "$(in_root dpkg-statoverride --list "$helper")" = "root fendrix 750 $helper" ] ||
        fx_fail "no statoverride for the helper"
    ok "getcap: cap_net_raw=ep on the helper only; root:fendrix 0750 by dpkg-statoverride; no set-id file"
    # Unpacking a new version drops the file's capability: configure sets it again.
    root_apt install --reinstall "/tmp/$(basename "$deb")" >"$FX_DIR/apt-reinstall.log" 2>&1 ||
        fx_fail "apt cannot reinstall the package: $(tail -n 15 "$FX_DIR/apt-reinstall.log")"
    [ "$(in_root getcap "$helper")" = "$helper cap_net_raw=ep" ] &&
        [ "$(in_root stat -c '%U:%G %a' "$helper")" = "root:fendrix 750" ] ||
        fx_fail "after a reinstall the helper is $(in_root stat -c '%U:%G %a' "$helper") with '$(in_root getcap "$helper")'"
    ok "a reinstall (unpacked anew, as an upgrade is) keeps root:fendrix 0750 and cap_net_raw"
else
    [ -z "$caps" ] || fx_fail "capabilities without a helper: $caps"
    ok "no file of the package carries a capability or a set-id bit"
    pending "cap_net_raw on the helper, root:fendrix 0750 (the package holds no helper)"
fi
# A group of that name outside the system range (a user's own, say) would let
# its members capture: configure stops and says so.
out=$(in_root sh -c 'gid=$(getent group fendrix | cut -d: -f3); groupmod -g 1500 fendrix &&
    /var/lib/dpkg/info/fendrix.postinst configure 2>&1; echo "rc=$?"; groupmod -g "$gid" fendrix')
grep -q '^rc=1$' <<<"$out" && grep -q 'the group fendrix exists but is not a system group (gid 1500' <<<"$out" ||
    fx_fail "postinst with a group fendrix of gid 1500: $out"
[ "$(in_root getent group fendrix | cut -d: -f3)" = "$gid" ] || fx_fail "the group's gid was not restored"
ok "configure refuses a group fendrix that is not a system group"
in_root adduser --quiet alice fendrix || fx_fail "adduser alice fendrix"

step "scans in the namespaces"
# Strict reverse-path filtering: the PC's IP stack drops replies from
# controllers outside its subnet, so only link-level capture sees them.
fx_pc sysctl -qw net.ipv4.conf.all.rp_filter=1 "net.ipv4.conf.$IF.rp_filter=1"
segment=$FX_DIR/segment.json
python3 - "$segment" "$FX_DIR/segment-subnet.json" <<'PY'
import json, sys
inside = [{"mac": f"00:1a:2b:60:00:{i:02x}", "ip": f"192.168.0.{100 + i}"} for i in range(1, 17)]
outside = [{"mac": f"00:1a:2b:61:00:{i:02x}", "ip": ip} for i, ip in enumerate(
    [f"10.9.0.{n}" for n in range(1, 9)] + [f"172.16.9.{n}" for n in range(1, 9)], 1)]
json.dump(inside + outside, open(sys.argv[1], "w"))
json.dump(inside, open(sys.argv[2], "w"))
PY
fx_sim 1 --config "$segment"
scan() {  # scan USER NAME: the installed fendrix-cli as USER; rows in NAME.json, stderr in NAME.err
    in_root_pc $(as "$1") fendrix-cli scan --adapter "$PC_IP" --wait 1500 --format json \
        >"$FX_DIR/$2.json" 2>"$FX_DIR/$2.err"
}
scan root root || fx_fail "root's scan exited $?: $(cat "$FX_DIR/root.err")"
python3 "$FENDRIX_SRC_DIR/tests/e2e/fxcheck.py" rows "$FX_DIR/root.json" "$segment" ||
    fx_fail "root's scan does not list every controller"
ok "root (in-process capture): all 32 controllers, 16 outside the subnet"

if [ -n "$has_helper" ]; then
    # The group's right, used by hand: alice starts the helper, which opens
    # the capture (the pcap stream's header, then "ready") and ends once its
    # reader has gone; bob may not run it at all.
    out=$(in_root_pc $(as alice) sh -c 'timeout 20 "$0" --interface "$1" 2>/tmp/helper.err |
        head -c 24 | od -An -tx1 | head -n 1; cat /tmp/helper.err' "$helper" "$IF")
    grep -q '^ d4 c3 b2 a1' <<<"$out" && grep -q "^fendrix-capture: ready $IF\$" <<<"$out" ||
        fx_fail "alice (group fendrix) cannot capture with the helper: $out"
    in_root_pc $(as bob) "$helper" --version >/dev/null 2>&1 &&
        fx_fail "bob (not in the group) may run the helper"
    ok "the helper captures for alice (group fendrix); bob may not run it"
fi
scan alice alice || fx_fail "alice's scan exited $?: $(cat "$FX_DIR/alice.err")"
python3 "$FENDRIX_SRC_DIR/tests/e2e/fxcheck.py" rows "$FX_DIR/alice.json" "$segment" ||
    fx_fail "alice (group fendrix) does not get every controller: $(cat "$FX_DIR/alice.err")"
grep -q 'replies through the capture helper' "$FX_DIR/alice.err" ||
    fx_fail "alice's scan does not say it ran through the helper: $(cat "$FX_DIR/alice.err")"
ok "alice (group fendrix): all 32 controllers through the helper"

scan bob bob || fx_fail "bob's scan exited $?: $(cat "$FX_DIR/bob.err")"
grep -q "not in the group fendrix .*sudo adduser .* fendrix" "$FX_DIR/bob.err" ||
    fx_fail "bob (not in the group) gets no hint naming the group and the command: $(cat "$FX_DIR/bob.err")"
python3 "$FENDRIX_SRC_DIR/tests/e2e/fxcheck.py" rows "$FX_DIR/bob.json" "$FX_DIR/segment-subnet.json" ||
    fx_fail "bob's socket receiver does not list the controllers of the PC's subnet"
ok "bob (outside the group): the hint and the 16 controllers of the subnet"

step "window under Xvfb"
. "$here/window_check.sh"
window_lists_every_controller alice "$segment"
ok "the window (alice, from the desktop entry) lists all 32 controllers through the helper"
fx_sim_stop 1

if [ -n "$has_helper" ]; then
    step "no capabilities on the file system"
    # The helper's folder on ramfs, which refuses the capability's attribute:
    # configure warns, exits 0 and never sets a set-id bit.
    out=$(in_root sh -c 'h=/usr/libexec/fendrix/fendrix-capture; cp -a "$h" /tmp/helper &&
        mount -t ramfs ramfs "${h%/*}" && cp -a /tmp/helper "$h" &&
        /var/lib/dpkg/info/fendrix.postinst configure 2>&1; echo "rc=$?"; stat -c "%A %U:%G" "$h"; getcap "$h"')
    grep -q '^rc=0$' <<<"$out" && grep -q 'could not give .* cap_net_raw' <<<"$out" &&
        grep -q '^-rwxr-x--- root:fendrix$' <<<"$out" || fx_fail "postinst on a file system without capabilities: $out"
    ok "a file system without capabilities: a clear warning, no capability, no set-id bit"
fi

step "remove and purge (apt)"
in_root dpkg -L fendrix | sort >"$FX_DIR/package-files"
root_apt remove fendrix >"$FX_DIR/apt-remove.log" 2>&1 || fx_fail "apt-get remove: $(tail -n 5 "$FX_DIR/apt-remove.log")"
[ -z "$(in_root dpkg-statoverride --list "$helper")" ] || fx_fail "remove left the helper's override"
in_root getent group fendrix >/dev/null || fx_fail "remove took the group (only purge does)"
ok "remove: no override left, the group kept"
root_apt purge fendrix >"$FX_DIR/apt-purge.log" 2>&1 || fx_fail "apt-get purge: $(tail -n 5 "$FX_DIR/apt-purge.log")"
! in_root getent group fendrix >/dev/null || fx_fail "purge left the group fendrix"
snapshot "$FX_DIR/after-purge"
diff "$FX_DIR/before-install" "$FX_DIR/after-purge" >"$FX_DIR/purge.diff" ||
    fx_fail "purge does not give back the root as it was before the install:
$(head -n 30 "$FX_DIR/purge.diff")"
left=$(cd "$ROOT" && while read -r f; do [ "$f" = / ] || [ ! -e ".$f" ] || [ -d ".$f" ] || echo "$f"; done <"$FX_DIR/package-files")
[ -z "$left" ] || fx_fail "purge left files of the package: $left"
ls "$ROOT"/var/lib/dpkg/info/fendrix.* >/dev/null 2>&1 && fx_fail "purge left dpkg's records of the package"
ok "purge: the root's files as before the install, the group removed"
step ""

echo "check-package: step times"
printf '  %s\n' "${timings[@]}"
[ ${#pending[@]} -eq 0 ] || { echo "check-package: pending until the feature exists:"; printf '  - %s\n' "${pending[@]}"; }
echo "check-package: all $passed checks passed, ${#pending[@]} pending"
