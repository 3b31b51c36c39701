# Namespace harness for the end-to-end tests, the demo and the benchmarks.
# A test opens with one call:
#   . "$(dirname "$0")/netns.sh"
#   fx_begin --links 1 --needs sim,cli,window
# (skips with 77 without root or a needed program, fails instead under
# CI=true; makes the PC and segment namespaces joined by 1 or 2 veth links).
# Then:
#   fx_sim LINK ARGS...          kestrel-sim on that link's segment end, in the background
#   fx_sim_stop LINK             ends it and answers its exit status
#   fx_pc CMD...                 CMD in the PC namespace
#   fx_window ARGS...            fendrix-e2e-window (offscreen) in the PC namespace
#   fx_window_bg ARGS...         the same in the background; FX_WINDOW_PID is its process
#   fx_probe LINK ARGS...        fxprobe.py on that link (one request, the replies as JSON)
#   fx_check CHECK ARGS...       a check of fxcheck.py (fxcheck.py --help lists them)
#   fx_dumps OUT                 the row dumps of a window's output as OUT.N.json; prints N
#   fx_x_window TITLE S          id of the first visible window so titled (a regular
#                                expression) on the test's display, within S seconds
#   fx_x_copy_all WID SEGMENT S  Ctrl+A in that main window until the clipboard holds
#                                exactly the MACs of SEGMENT (a simulator's JSON)
#   fx_wait_for S FAILURE CMD... polls CMD until it succeeds; after S seconds fails saying FAILURE
#   fx_wait_line FILE RE S FAILURE  the same for a line matching RE in FILE
#   fx_wait_requests LINK N [S]  the simulator of LINK has logged N requests
#   fx_log_file LINK             that simulator's request log (JSON lines)
#   fx_log_requests LINK         the log as one JSON array
#   fx_requests_in_order LINK EXPECTED...  the log holds exactly these requests
#   fx_as_user CMD...            CMD in the PC namespace as the unprivileged user (--needs user)
#   fx_public PROGRAM            a copy of a built program that that user can run
#   fx_public_dir NAME           a folder under $FX_DIR that that user may run programs from
# FX_DIR is the run's own temporary folder, FX_DATA the tests' data folder;
# FX_SIM, FX_CLI, FX_WINDOW, FX_PROBE and FX_HELPER the programs.
# With FX_WINE=npcap or FX_WINE=none, FX_CLI and FX_WINDOW are the Windows
# builds under Wine (tests/wine/wine.sh), with or without a wpcap.dll in
# Npcap's folder; a test that needs the window gets an Xvfb in the PC
# namespace for Wine's windows (DISPLAY).
# Nothing here touches the machine's own interfaces: every link is created
# inside the two namespaces, which are deleted on exit, also on failure.

FENDRIX_SRC_DIR=${FENDRIX_SRC_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
FENDRIX_BIN_DIR=${FENDRIX_BIN_DIR:-$FENDRIX_SRC_DIR/build}
FX_SIM=${FX_SIM:-$FENDRIX_BIN_DIR/tools/kestrel-sim/kestrel-sim}
FX_CLI=${FX_CLI:-$FENDRIX_BIN_DIR/cli/fendrix-cli}
FX_WINDOW=${FX_WINDOW:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-e2e-window}
FX_PROBE=${FX_PROBE:-$FENDRIX_BIN_DIR/tests/e2e/fendrix-capture-probe}
FX_HELPER=${FX_HELPER:-$FENDRIX_BIN_DIR/capture/fendrix-capture}
FX_E2E=$FENDRIX_SRC_DIR/tests/e2e
FX_DATA=$FX_E2E/data

if [ -n "${FX_WINE:-}" ]; then
    . "$FENDRIX_SRC_DIR/tests/wine/wine.sh"
    FX_CLI=$FENDRIX_SRC_DIR/tests/wine/fendrix-cli-wine
    FX_WINDOW=$FENDRIX_SRC_DIR/tests/wine/fendrix-e2e-window-wine
fi

FX_PC_ADDR=(192.168.0.10 10.77.0.10)
FX_PIDS=()

fx_fail() {
    echo "FAIL: $*" >&2
    [ -n "${FX_DIR:-}" ] && fx_sim_stderr
    exit 1
}
fx_note() { echo "--- $*" >&2; }

# Skips the test; where CI=true a missing prerequisite is a failure, so that
# the tier never passes there by skipping.
fx_skip() {
    echo "$(basename "$0"): $*" >&2
    [ "${CI:-}" = "true" ] && exit 1
    exit 77
}

fx_require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        fx_skip "needs root to create network namespaces"
    elif ! command -v ip >/dev/null; then
        fx_skip "needs the ip command (iproute2)"
    elif ! ip netns add "fxprobe-$$" 2>/dev/null; then
        fx_skip "cannot create network namespaces here"
    fi
    ip netns del "fxprobe-$$"
}

fx_require_bin() {
    local bin
    for bin in "$@"; do
        [ -x "$bin" ] || fx_skip "$(basename "$bin") is not built ($bin)"
    done
}

# fx_begin [--links 1|2] [--needs sim,cli,window,probe,helper,user,display]:
# user is the unprivileged user of fx_as_user, made when the machine has
# none; display an Xvfb for Wine's windows (FX_WINE; also with window).
fx_begin() {
    local links=1 needs="" need
    set -u
    while [ $# -gt 0 ]; do
        case $1 in
            --links) links=$2 ;;
            --needs) needs=$2 ;;
            *) fx_fail "fx_begin: unknown option $1" ;;
        esac
        shift 2
    done
    fx_require_root
    for need in ${needs//,/ }; do
        case $need in
            sim) fx_require_bin "$FX_SIM" ;;
            cli) fx_require_bin "$FX_CLI" ;;
            window)
                fx_require_bin "$FX_WINDOW"
                [ -z "${FX_WINE:-}" ] || fx_require_bin "$FX_WINDOW_EXE"
                FX_NEEDS_DISPLAY=${FX_WINE:+1}
                ;;
            probe) fx_require_bin "$FX_PROBE" ;;
            helper) fx_require_bin "$FX_HELPER" ;;
            user) fx_user ;;
            display) FX_NEEDS_DISPLAY=1 ;;
            *) fx_fail "fx_begin: unknown program $need" ;;
        esac
    done
    fx_setup "$links"
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
    [ -n "${FX_XVFB_PID:-}" ] && kill "$FX_XVFB_PID" 2>/dev/null && wait "$FX_XVFB_PID" 2>/dev/null
    [ -n "${FX_PC:-}" ] && ip netns del "$FX_PC" 2>/dev/null
    [ -n "${FX_SEG:-}" ] && ip netns del "$FX_SEG" 2>/dev/null
    [ -n "${FX_DIR:-}" ] && [ -z "${FX_KEEP:-}" ] && rm -rf "$FX_DIR"
    exit "$rc"
}

# fx_setup [1|2]: PC and segment namespaces joined by 1 or 2 veth links.
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
    for ((i = 1; i <= links; i++)); do
        fx_wait_for 10 "veth link $i did not come up" fx_link_is_up "$i"
    done
    if [ -n "${FX_WINE:-}" ]; then
        fx_wine_require
        fx_wine_prefix >&2 || fx_fail "no Wine prefix"
        fx_wine_npcap "$([ "$FX_WINE" = npcap ] && echo on || echo off)"
        if [ -n "${FX_NEEDS_DISPLAY:-}" ]; then
            fx_wine_display "$FX_PC" || fx_fail "no Xvfb in $FX_PC"
        fi
        fx_wine_start "$FX_PC" || fx_fail "no wineserver in $FX_PC"
    fi
}

fx_link_is_up() {
    [ "$(ip netns exec "$FX_PC" cat "/sys/class/net/${FX_PC_IF[$1]}/operstate")" = up ] &&
        [ "$(ip netns exec "$FX_SEG" cat "/sys/class/net/${FX_SEG_IF[$1]}/operstate")" = up ]
}

fx_now_ms() {
    local us=${EPOCHREALTIME//[.,]/}
    echo $((us / 1000))
}

# fx_wait_for SECONDS FAILURE CMD...: runs CMD every 50 ms until it succeeds;
# after SECONDS the test fails with "FAILURE (waited SECONDS s)".
fx_wait_for() {
    local seconds=$1 failure=$2 deadline
    shift 2
    deadline=$(($(fx_now_ms) + seconds * 1000))
    until "$@"; do
        [ "$(fx_now_ms)" -lt "$deadline" ] || fx_fail "$failure (waited $seconds s)"
        sleep 0.05
    done
}

# fx_wait_line FILE REGEX SECONDS FAILURE: a line of FILE matches the extended REGEX.
fx_wait_line() {
    fx_wait_for "$3" "$4" grep -Eqs -- "$2" "$1"
}

# fx_wait_ready PID FILE SECONDS FAILURE: the process PID, started in the
# background, has written FILE to say it is ready; fails at once if it ends
# first.
fx_wait_ready() {
    local pid=$1 file=$2 seconds=$3 failure=$4
    fx_wait_for "$seconds" "$failure" fx_ready_or_gone "$pid" "$file"
    [ -e "$file" ] || fx_fail "$failure: the process ended first"
}
fx_ready_or_gone() { [ -e "$2" ] || ! kill -0 "$1" 2>/dev/null; }

# MAC text (lower case) of the PC end of a link.
fx_pc_mac() {
    ip netns exec "$FX_PC" cat "/sys/class/net/${FX_PC_IF[$1]}/address"
}

fx_log_file() { echo "$FX_DIR/sim$1.jsonl"; }

# fx_sim LINK [kestrel-sim options...]: starts the simulator on that link,
# logging to fx_log_file LINK, and returns once it captures.
fx_sim() {
    local link=$1 ready
    shift
    ready="$FX_DIR/sim$link.ready"
    rm -f "$ready"
    ip netns exec "$FX_SEG" "$FX_SIM" --interface "${FX_SEG_IF[link]}" --log "$(fx_log_file "$link")" \
        --ready-file "$ready" "$@" 2>>"$FX_DIR/sim$link.err" &
    FX_PIDS+=($!)
    eval "FX_SIM_PID_$link=$!"
    fx_wait_ready "$!" "$ready" 10 "kestrel-sim on link $link did not start capturing"
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

fx_check() { python3 "$FX_E2E/fxcheck.py" "$@"; }

fx_log_requests() { fx_check log_requests "$(fx_log_file "$1")"; }

fx_log_count() {
    local n
    n=$(grep -c . "$(fx_log_file "$1")" 2>/dev/null)
    [ "${n:-0}" -ge "$2" ]
}

# fx_wait_requests LINK N [SECONDS]: the simulator of LINK has received (and
# logged) at least N requests; it logs each before it answers.
fx_wait_requests() {
    fx_wait_for "${3:-10}" "the simulator of link $1 did not receive $2 request(s)" fx_log_count "$1" "$2"
}

# fx_probe LINK ARGS...: fxprobe.py in the PC namespace on that link (sends
# one request, prints the replies it saw as JSON).
fx_probe() {
    local link=$1
    shift
    fx_pc python3 "$FX_E2E/fxprobe.py" --iface "${FX_PC_IF[link]}" --src "${FX_PC_ADDR[link - 1]}" "$@"
}

# fx_window ARGS...: the real main window, offscreen, in the PC namespace.
fx_window() {
    mkdir -p -m 700 "$FX_DIR/xdg"
    fx_pc env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$FX_DIR/xdg" "$FX_WINDOW" "$@"
}

# fx_window_bg ARGS...: fx_window in the background (redirect the call's
# output); FX_WINDOW_PID is the window's own process, ended on exit.
fx_window_bg() {
    mkdir -p -m 700 "$FX_DIR/xdg"
    ip netns exec "$FX_PC" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$FX_DIR/xdg" "$FX_WINDOW" "$@" &
    FX_WINDOW_PID=$!
    FX_PIDS+=($!)
}

# fx_dumps OUT: each row dump (a JSON array line) of the window output OUT
# as OUT.1.json, OUT.2.json, ...; prints how many there were.
fx_dumps() {
    local n=0 line
    while IFS= read -r line; do
        n=$((n + 1))
        printf '%s\n' "$line" >"$1.$n.json"
    done < <(grep -E '^\[(\{|\]$)' "$1")
    echo "$n"
}

# fx_requests_in_order LINK EXPECTED...: the simulator of LINK logged exactly
# these requests, in this order. An EXPECTED "scan" is the exact 52-byte
# broadcast from the link's PC adapter; any other is a JSON description of
# one request as fxcheck.py expect_request takes it.
fx_requests_in_order() {
    local link=$1
    shift
    fx_check requests_in_order "$(fx_log_file "$link")" "$(fx_pc_mac "$link")" \
        "${FX_PC_ADDR[link - 1]%.*}.255" "$@"
}

fx_x_window() {
    fx_pc timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

# fx_x_copy_all WID SEGMENT.json SECONDS: gives the device list of the main
# window WID the focus (a click in its lower half), selects its first row
# (Ctrl+Home) and presses Ctrl+A, which copies the MAC address of every row,
# each followed by a line end; again until the clipboard holds exactly the
# controllers of SEGMENT, as the rows come in. Fails after SECONDS.
fx_x_copy_all() {
    local wid=$1 segment=$2 deadline=$((SECONDS + $3)) clip=$FX_DIR/clipboard
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(fx_pc xdotool getwindowgeometry --shell "$wid")"
    while :; do
        fx_pc xdotool mousemove --window "$wid" $((WIDTH / 2)) $((HEIGHT * 6 / 10)) click 1 \
            key ctrl+Home key ctrl+a
        fx_pc timeout 5 xclip -selection clipboard -o >"$clip" 2>/dev/null
        python3 - "$clip" "$segment" <<'PY' && return 0
import json, sys
# Wine hands CR LF to X as LF (text on the X clipboard ends lines so).
got = open(sys.argv[1], "rb").read().decode(errors="replace").replace("\r\n", "\n").split("\n")
want = sorted(c["mac"].upper() for c in json.load(open(sys.argv[2])))
sys.exit(0 if got[-1] == "" and sorted(got[:-1]) == want else 1)
PY
        [ $SECONDS -lt "$deadline" ] ||
            fx_fail "Ctrl+A did not copy every controller's MAC; the clipboard held: $(tr '\r\n' '  ' <"$clip" | head -c 400)"
        sleep 0.2
    done
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

# The checkout and $FX_DIR may be private (mode 0700, as mktemp -d makes
# them): programs that the unprivileged user runs are copied into a folder it
# may enter. Others may pass through the run's folder to names they know,
# not list it. Prints the folder's path.
fx_public_dir() {
    chmod 711 "$FX_DIR"
    mkdir -p -m 755 "$FX_DIR/$1"
    echo "$FX_DIR/$1"
}

# fx_public PROGRAM: a copy of a built program (a path under
# $FENDRIX_BIN_DIR) in fx_public_dir public, wherever the checkout lies. The
# copy keeps its place relative to the build folder, and the capture helper
# (capture/fendrix-capture), when built, comes along with its attributes, so
# that a program finds it as in the build tree. Prints the copy's path.
fx_public() {
    local program=$1 rel public file
    case $program in
        "$FENDRIX_BIN_DIR"/*) rel=${program#"$FENDRIX_BIN_DIR"/} ;;
        *) fx_fail "fx_public: $program is not under $FENDRIX_BIN_DIR" ;;
    esac
    public=$(fx_public_dir public)
    for file in "$rel" capture/fendrix-capture; do
        [ -e "$FENDRIX_BIN_DIR/$file" ] || continue
        (
            umask 022
            mkdir -p "$(dirname "$public/$file")" &&
                cp -a "$FENDRIX_BIN_DIR/$file" "$public/$file" &&
                chmod go+rx "$public/$file"
        ) || fx_fail "cannot copy $file to $public"
    done
    echo "$public/$rel"
}
