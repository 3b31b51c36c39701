#!/usr/bin/env bash
# run.sh [PROGRAM.exe ARGS...]: makes the cached Wine prefix if needed and
# runs the Windows program under Wine, in a network namespace of its own that
# has only loopback; answers the program's exit code. Without a program it
# only makes the prefix (the end-to-end tier's fixture). Needs root for the
# namespace; without it (or without wine) it fails under CI=true and skips
# (77) otherwise.
set -u
. "$(dirname "$0")/wine.sh"
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
    ip netns del "$ns" 2>/dev/null
}
trap cleanup EXIT
ip netns add "$ns" || exit 1
ip -n "$ns" link set lo up
fx_wine_npcap off  # a fresh Windows has no Npcap
fx_wine_start "$ns" || exit 1
ip netns exec "$ns" wine "$@"
