# Namespace harness for the end-to-end tests and the demo. Source it, then:
#   fx_require_root            skip (77) without root, fail under CI=true
#   fx_setup [1|2]             PC and segment namespaces joined by 1 or 2 veth links
#   fx_sim LINK ARGS...        kestrel-sim on that link's segment end, in the background
#   fx_pc CMD...               run CMD in the PC namespace
#   fx_log_requests LINK       the sim's request log as a JSON array
#   fx_window ARGS...          fendrix-e2e-window (offscreen) in the PC namespace
#   fx_requests_in_order LINK SPEC...  the sim's log holds exactly these requests
#   fx_user                    the unprivileged user of the tests ($FX_USER)
#   fx_as_user CMD...          run CMD in the PC namespace as that user, no capabilities
#   fx_public_dir NAME         a folder under $FX_DIR that user may run programs from
#   fx_wait_for SECONDS WHAT CMD...  until CMD succeeds, or fail naming WHAT
# With FX_WINE=npcap or FX_WINE=none, FX_CLI is the Windows build under Wine
# (tests/wine/wine.sh), with or without a wpcap.dll in Npcap's folder.
# Nothing here touches the machine's own interfaces: every link is created
# inside the two namespaces, which are deleted on exit, also on failure.

FENDRIX_SRC_DIR=${FENDRIX_SRC_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
FENDRIX_BIN_DIR=${FENDRIX_BIN_DIR:-$FENDRIX_SRC_DIR/build}
FX_SIM=${FX_SIM:-$FENDRIX_BIN_DIR/tools/kestrel-sim/kestrel-sim}
FX_CLI=${FX_CLI:-$FENDRIX_BIN_DIR/cli/fendrix-cli}
FX_WINDOW=${FX_WINDOW:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-e2e-window}

if [ -n "${FX_WINE:-}" ]; then
    . "$FENDRIX_SRC_DIR/tests/wine/wine.sh"
    FX_CLI=$FENDRIX_SRC_DIR/tests/wine/fendrix-cli-wine
fi

FX_PC_ADDR=(192.168.0.10 10.77.0.10)
FX_PIDS=()

fx_fail() {
    echo "FAIL: $*" >&2
    [ -n "${FX_DIR:-}" ] && fx_sim_stderr
    exit 1
}
fx_skip() { echo "SKIP: $*" >&2; exit 77; }
fx_note() { echo "--- $*" >&2; }

fx_require_root() {
    local why=""
    if [ "$(id -u)" -ne 0 ]; then
        why="needs root to create network namespaces"
    elif ! command -v ip >/dev/null; then
        why="needs the ip command (iproute2)"
    elif ! ip netns add "fxprobe-$$" 2>/dev/null; then
        why="cannot create network namespaces here"
    else
        ip netns del "fxprobe-$$"
    fi
    if [ -n "$why" ]; then
        echo "$(basename "$0"): $why" >&2
        if [ "${CI:-}" = "true" ]; then exit 1; fi
        exit 77
    fi
}

fx_require_bin() {
    local bin
    for bin in "$@"; do
        [ -x "$bin" ] || fx_skip "$(basename "$bin") is not built ($bin)"
    done
}

fx_cleanup() {
    local rc=$? pid
    trap - EXIT INT TERM
    # Every step must run, also when a process has ended already.
    set +e
    for pid in "${FX_PIDS[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    for pid in "${FX_PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    [ -n "${FX_WINE:-}" ] && fx_wine_stop && fx_wine_npcap off
    [ -n "${FX_PC:-}" ] && ip netns del "$FX_PC" 2>/dev/null
    [ -n "${FX_SEG:-}" ] && ip netns del "$FX_SEG" 2>/dev/null
    [ -n "${FX_DIR:-}" ] && [ -z "${FX_KEEP:-}" ] && rm -rf "$FX_DIR"
    exit "$rc"
}

fx_setup() {
    local links=${1:-1} id i
    id="$$$((RANDOM % 1000))"
    FX_PC="fxpc-$id"
    FX_SEG="fxseg-$id"
    FX_DIR=$(mktemp -d "/tmp/fx-$id.XXXX")
    trap fx_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    ip netns add "$FX_PC" || fx_fail "cannot add namespace $FX_PC"
    ip netns add "$FX_SEG" || fx_fail "cannot add namespace $FX_SEG"
    ip -n "$FX_PC" link set lo up
    ip -n "$FX_SEG" link set lo up
    FX_PC_IF=()
    FX_SEG_IF=()
    for ((i = 1; i <= links; i++)); do
        # Interface names stay under the 15-character limit and exist only
        # inside the two namespaces.
        FX_PC_IF[i]="fxp${i}-$id"
        FX_SEG_IF[i]="fxs${i}-$id"
        FX_PC_IF[i]=${FX_PC_IF[i]:0:15}
        FX_SEG_IF[i]=${FX_SEG_IF[i]:0:15}
        ip link add "${FX_PC_IF[i]}" netns "$FX_PC" type veth peer name "${FX_SEG_IF[i]}" netns "$FX_SEG" ||
            fx_fail "cannot create veth link $i"
        ip -n "$FX_PC" addr add "${FX_PC_ADDR[i - 1]}/24" dev "${FX_PC_IF[i]}"
        ip -n "$FX_PC" link set "${FX_PC_IF[i]}" up
        ip -n "$FX_SEG" link set "${FX_SEG_IF[i]}" up
    done
    # Replies from controllers outside the PC's subnets must not be dropped
    # by reverse-path filtering before anything in the PC sees them.
    ip netns exec "$FX_PC" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0 2>/dev/null
    for ((i = 1; i <= links; i++)); do
        ip netns exec "$FX_PC" sysctl -qw "net.ipv4.conf.${FX_PC_IF[i]}.rp_filter=0" 2>/dev/null
    done
    fx_wait_link_up "$links"
    if [ -n "${FX_WINE:-}" ]; then
        fx_wine_require
        fx_wine_prefix >&2 || fx_fail "no Wine prefix"
        fx_wine_npcap "$([ "$FX_WINE" = npcap ] && echo on || echo off)"
        fx_wine_start "$FX_PC" || fx_fail "no wineserver in $FX_PC"
    fi
}

fx_wait_link_up() {
    local links=$1 i n
    for ((i = 1; i <= links; i++)); do
        for ((n = 0; n < 50; n++)); do
            ip -n "$FX_PC" -br link show "${FX_PC_IF[i]}" | grep -q 'UP' && break
            sleep 0.1
        done
    done
}

# MAC text (lower case) of the PC end of a link.
fx_pc_mac() {
    ip netns exec "$FX_PC" cat "/sys/class/net/${FX_PC_IF[$1]}/address"
}

fx_log_file() { echo "$FX_DIR/sim$1.jsonl"; }

# fx_sim LINK [kestrel-sim options...]: starts the simulator on that link,
# logging to fx_log_file LINK, and returns once it captures.
fx_sim() {
    local link=$1 ready n
    shift
    ready="$FX_DIR/sim$link.ready"
    rm -f "$ready"
    ip netns exec "$FX_SEG" "$FX_SIM" --interface "${FX_SEG_IF[link]}" --log "$(fx_log_file "$link")" \
        --ready-file "$ready" "$@" 2>>"$FX_DIR/sim$link.err" &
    FX_PIDS+=($!)
    eval "FX_SIM_PID_$link=$!"
    for ((n = 0; n < 100; n++)); do
        [ -e "$ready" ] && return 0
        kill -0 "$!" 2>/dev/null || break
        sleep 0.05
    done
    cat "$FX_DIR/sim$link.err" >&2
    fx_fail "kestrel-sim on link $link did not start"
}

# Stops the simulator of a link and answers its exit status; its stderr
# stays in $FX_DIR/simLINK.err.
fx_sim_stop() {
    local var="FX_SIM_PID_$1"
    kill -TERM "${!var}" 2>/dev/null
    wait "${!var}" 2>/dev/null
}

# On failure, what the simulators said helps more than the bare verdict.
fx_sim_stderr() {
    local f
    for f in "$FX_DIR"/sim*.err; do
        [ -s "$f" ] && { echo "--- $(basename "$f"):"; tail -n 20 "$f"; } >&2
    done
}

fx_pc() { ip netns exec "$FX_PC" "$@"; }

# The requests that the simulator of a link received, as one JSON array.
fx_log_requests() {
    python3 - "$(fx_log_file "$1")" <<'PY'
import json, sys, os
path = sys.argv[1]
rows = []
if os.path.exists(path):
    with open(path) as f:
        rows = [json.loads(line) for line in f if line.strip()]
print(json.dumps(rows))
PY
}

# fx_probe LINK ARGS...: fxprobe.py in the PC namespace on that link (sends
# one request, prints the replies it saw as JSON).
fx_probe() {
    local link=$1
    shift
    fx_pc python3 "$FENDRIX_SRC_DIR/tests/e2e/fxprobe.py" --iface "${FX_PC_IF[link]}" \
        --src "${FX_PC_ADDR[link - 1]}" "$@"
}

# fx_window ARGS...: the real main window, offscreen, in the PC namespace.
fx_window() {
    mkdir -p -m 700 "$FX_DIR/xdg"
    fx_pc env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$FX_DIR/xdg" "$FX_WINDOW" "$@"
}

# fx_requests_in_order LINK SPEC...: the simulator of LINK logged exactly
# these requests, in this order. A SPEC "scan" is the exact 52-byte broadcast
# from the link's PC adapter; any other is a JSON description for fxcheck.py
# expect_request for one request.
fx_requests_in_order() {
    local link=$1
    shift
    python3 - "$FENDRIX_SRC_DIR/tests/e2e/fxcheck.py" "$(fx_log_file "$link")" "$FX_DIR" "$(fx_pc_mac "$link")" \
        "${FX_PC_ADDR[link - 1]%.*}.255" "$@" <<'PY'
import json, subprocess, sys
fxcheck, log, tmp, pc_mac, broadcast, specs = *sys.argv[1:6], sys.argv[6:]
lines = [l for l in open(log) if l.strip()]
scan = json.dumps({"command": 1, "length": 52, "dst_ip": broadcast, "dst_mac": "ff:ff:ff:ff:ff:ff",
                   "sender": pc_mac, "target": ""})
specs = [scan if s == "scan" else s for s in specs]
got = [json.loads(l)["command"] for l in lines]
want = [json.loads(s)["command"] for s in specs]
ok = got == want
if not ok:
    print(f"  - request codes in order {got}, expected {want}")
for i, (line, want) in enumerate(zip(lines, specs)):
    one = f"{tmp}/request{i}.jsonl"
    with open(one, "w") as f:
        f.write(line)
    if subprocess.run([sys.executable, fxcheck, "expect_request", one, want]).returncode:
        print(f"  - request {i + 1} differs")
        ok = False
sys.exit(0 if ok else 1)
PY
}

# The unprivileged user (FX_UNPRIVILEGED_USER, default nobody), created when
# the machine has none; sets FX_USER and FX_USER_GROUP.
fx_user() {
    FX_USER=${FX_UNPRIVILEGED_USER:-nobody}
    id "$FX_USER" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$FX_USER" ||
        fx_fail "no unprivileged user $FX_USER"
    FX_USER_GROUP=$(id -gn "$FX_USER")
}

# Every capability is dropped with the change of user.
fx_as_user() {
    fx_pc setpriv --reuid="$FX_USER" --regid="$FX_USER_GROUP" --clear-groups --inh-caps=-all -- "$@"
}

# The checkout and $FX_DIR may be private (mode 0700); programs that the
# unprivileged user runs are copied into a folder it may enter.
fx_public_dir() {
    chmod 711 "$FX_DIR"
    mkdir -p -m 755 "$FX_DIR/$1"
    echo "$FX_DIR/$1"
}

# fx_wait_for SECONDS WHAT CMD...: polls CMD until it succeeds; fails naming
# WHAT after SECONDS.
fx_wait_for() {
    local seconds=$1 what=$2 n
    shift 2
    for ((n = 0; n < seconds * 20; n++)); do
        "$@" && return 0
        sleep 0.05
    done
    fx_fail "$what (waited ${seconds} s)"
}
