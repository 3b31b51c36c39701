#!/usr/bin/env bash
# run.sh [--display] [--qtest] [PROGRAM.exe ARGS...]: makes the cached Wine
# prefix if needed and runs the Windows program under Wine, in a network
# namespace of its own that has only loopback; answers the program's exit
# code. With --display the program's windows go to an Xvfb of that namespace.
# --qtest is for a Qt Test program: its log is written to a file and shown
# afterwards (under Wine, Qt Test's own output to the standard output of the
# static Windows build is lost). Without a
# program it only makes the prefix (the end-to-end tier's fixture). Needs root
# for the namespace; without it (or without wine) it fails under CI=true and
# skips (77) otherwise.
set -u
. "$(dirname "$0")/wine.sh"
display="" qtest=""
while [ $# -gt 0 ]; do
    case $1 in
        --display) display=1 ;;
        --qtest) qtest=1 ;;
        *) break ;;
    esac
    shift
done
if [ $# -gt 0 ]; then FX_EXE=$1; fi
if [ "$(id -u)" -ne 0 ]; then
    echo "$(basename "$0"): needs root to create a network namespace" >&2
    [ "${CI:-}" = "true" ] && exit 1
    exit 77
fi
fx_wine_require
fx_wine_prefix || exit 1
[ $# -eq 0 ] && exit 0

ns="fxwinerun-$$"
cleanup() {
    fx_wine_stop
    [ -n "${FX_XVFB_PID:-}" ] && kill "$FX_XVFB_PID" 2>/dev/null && wait "$FX_XVFB_PID" 2>/dev/null
    ip netns del "$ns" 2>/dev/null
}
trap cleanup EXIT
ip netns add "$ns" || exit 1
ip -n "$ns" link set lo up
fx_wine_npcap off  # a fresh Windows has no Npcap
if [ -n "$display" ]; then
    fx_wine_display "$ns" || exit 1
fi
fx_wine_start "$ns" || exit 1
if [ -z "$qtest" ]; then
    ip netns exec "$ns" wine "$@"
    exit
fi
log=$(mktemp --suffix=.txt)
ip netns exec "$ns" wine "$@" -o "$(ip netns exec "$ns" winepath -w "$log" | tr -d '\r'),txt"
rc=$?
tr -d '\r' <"$log"
rm -f "$log"
exit $rc
