# Wine harness for the Windows build. Source it, then:
#   fx_wine_require             fail under CI=true, skip (77) otherwise, without wine or the .exe
#   fx_wine_prefix              the cached Wine prefix, made once (see below)
#   fx_wine_start NETNS         a wineserver for the prefix inside that namespace
#   fx_wine_stop                ends that wineserver and every Wine process of the prefix
#   fx_wine_exe NETNS ARGS...   fendrix-cli.exe ARGS under Wine in that namespace
#   fx_wine_display NETNS       an Xvfb inside that namespace for Wine's windows
#                               (exports DISPLAY; FX_XVFB_PID is its process)
# Console programs need no display; windows get an Xvfb of their own. Wine's
# sockets belong to its
# wineserver, so the server is started inside the namespace that may send,
# and nothing of the prefix may run anywhere else meanwhile: a wineserver
# left over in another namespace would take the next program's sockets.

FENDRIX_SRC_DIR=${FENDRIX_SRC_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
FX_EXE=${FX_EXE:-$FENDRIX_SRC_DIR/out/windows/fendrix-cli.exe}
# The window, and the end-to-end window driver, which only the build folder holds.
FX_WINDOW_APP=${FX_WINDOW_APP:-$FENDRIX_SRC_DIR/out/windows/fendrix.exe}
FX_WINDOWS_BUILD=${WINDOWS_BUILD_DIR:-build-windows}
[[ $FX_WINDOWS_BUILD = /* ]] || FX_WINDOWS_BUILD=$FENDRIX_SRC_DIR/$FX_WINDOWS_BUILD
FX_WINDOW_EXE=${FX_WINDOW_EXE:-$FX_WINDOWS_BUILD/tests/e2e/fendrix-e2e-window.exe}
# Made once and kept beside the build outputs: it takes about 15 s and
# 700 MB, so every test and every later run reuses it.
export WINEPREFIX=${FX_WINE_PREFIX:-$FENDRIX_SRC_DIR/out/wine/prefix}
export WINEARCH=win64 WINEDEBUG=-all
# No Gecko or Mono install prompts, no menu entries on the build machine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

fx_wine_require() {
    local why=""
    if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
        why="needs wine (scripts/setup installs it)"
    elif [ ! -f "$FX_EXE" ]; then
        why="needs $FX_EXE (scripts/build-windows)"
    fi
    [ -z "$why" ] && return 0
    echo "$(basename "$0"): $why" >&2
    if [ "${CI:-}" = "true" ]; then exit 1; fi
    exit 77
}

# The prefix is made by wineboot in a network namespace of its own that has
# only loopback, with a bounded wait. A stamp names the Wine version that
# made it; another version makes it anew.
fx_wine_prefix() {
    local stamp="$WINEPREFIX.stamp" version began ns rc
    version=$(wine --version)
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock -w 600 9 || { echo "wine: the prefix lock is held elsewhere" >&2; return 1; }
    if [ "$(cat "$stamp" 2>/dev/null)" = "$version" ] && [ -f "$WINEPREFIX/system.reg" ]; then
        echo "wine: prefix $WINEPREFIX ($version) reused"
        exec 9>&-
        return 0
    fi
    rm -rf "$WINEPREFIX" "$stamp"
    began=$(date +%s%N)
    ns="fxwine-$$"
    ip netns add "$ns" || { echo "wine: cannot add namespace $ns" >&2; return 1; }
    ip -n "$ns" link set lo up
    ip netns exec "$ns" timeout 300 wineboot -i >/dev/null 2>&1
    rc=$?
    # wineboot returns before its server has written the registry out.
    ip netns exec "$ns" timeout 60 wineserver -w
    ip netns del "$ns"
    if [ $rc -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine: wineboot failed (exit $rc) for $WINEPREFIX" >&2
        exec 9>&-
        return 1
    fi
    echo "$version" >"$stamp"
    echo "wine: prefix $WINEPREFIX ($version) made in $((($(date +%s%N) - began) / 1000000)) ms"
    exec 9>&-
}

fx_wine_start() {
    local ns=$1
    fx_wine_stop
    ip netns exec "$ns" wineserver -p || { echo "wine: no wineserver in $ns" >&2; return 1; }
}

fx_wine_stop() {
    wineserver -k 2>/dev/null
    timeout 60 wineserver -w
}

fx_wine_display() {
    local ns=$1 file deadline
    file=$(mktemp)
    # The display's abstract socket belongs to the namespace, where Wine
    # connects to it.
    ip netns exec "$ns" Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$file" 2>/dev/null &
    FX_XVFB_PID=$!
    deadline=$((SECONDS + 20))
    until [ -s "$file" ]; do
        if [ $SECONDS -ge $deadline ] || ! kill -0 "$FX_XVFB_PID" 2>/dev/null; then
            echo "wine: Xvfb did not start in $ns" >&2
            rm -f "$file"
            return 1
        fi
        sleep 0.05
    done
    export DISPLAY=":$(cat "$file")"
    rm -f "$file"
}

fx_wine_exe() {
    local ns=$1
    shift
    ip netns exec "$ns" wine "$FX_EXE" "$@"
}

# fx_wine_npcap on|off: Wine's own wpcap.dll, a wrapper of the build
# machine's libpcap, stands in for Npcap in Npcap's folder (on), or the
# prefix has no Npcap, as a fresh Windows (off).
fx_wine_npcap() {
    local folder="$WINEPREFIX/drive_c/windows/system32/Npcap"
    rm -rf "$folder"
    [ "$1" = on ] || return 0
    mkdir -p "$folder" && cp "$WINEPREFIX/drive_c/windows/system32/wpcap.dll" "$folder/"
}
