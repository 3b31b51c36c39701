#!/usr/bin/env bash
# With no capture at all: an unprivileged user's fendrix-cli takes the
# replies through a plain socket on the reply port of the adapter, framed so
# that the frame handler reads them as captured ones. Which replies the IP
# stack lets through depends on the PC's reverse-path filtering and routes:
# each row of the table below is one case (the README's table of when the
# capture helper is needed). "on" means only the controllers in the PC's
# subnet, "all" also those outside it.
. "$(dirname "$0")/netns.sh"
fx_begin --links 2 --needs sim,cli,user
config=$FX_DATA/segment_mixed.json
fx_sim 1 --config "$config"
cli=$(fx_public "$FX_CLI") || exit 1
here=${FX_PC_IF[1]}

# rp_filter  default route              rows
cases=(
    "0 none all"
    "0 here all"
    "0 elsewhere all"
    "1 none on"
    "1 here all"
    "1 elsewhere on"
    "2 none on"
    "2 here all"
    "2 elsewhere all"
)
for case in "${cases[@]}"; do
    read -r rp route want <<<"$case"
    for conf in all default "$here"; do
        fx_pc sysctl -qw "net.ipv4.conf.$conf.rp_filter=$rp" || fx_fail "cannot set rp_filter"
    done
    fx_pc ip route del default 2>/dev/null
    case $route in
        here) fx_pc ip route add default via 192.168.0.1 dev "$here" ;;
        elsewhere) fx_pc ip route add default via 10.77.0.1 dev "${FX_PC_IF[2]}" ;;
    esac
    out=$FX_DIR/rp$rp-$route
    fx_as_user "$cli" scan --adapter "${FX_PC_ADDR[0]}" --receiver socket --wait 1000 \
        --format json --stats >"$out.json" 2>"$out.err" ||
        fx_fail "rp_filter=$rp, default route $route: fendrix-cli exited with $?: $(cat "$out.err")"
    grep -q ' receiver=socket' "$out.err" || fx_fail "--stats does not name the socket receiver: $(cat "$out.err")"
    only=$([ "$want" = on ] && echo 192.168.0.)
    fx_check rows "$out.json" "$config" --only "$only" ||
        fx_fail "rp_filter=$rp, default route $route: not the rows of '$want' controllers"
    echo "rp_filter=$rp default route $route: $want ($(grep -o '"ip_address"' "$out.json" | wc -l) rows)"
done
echo "PASS"
