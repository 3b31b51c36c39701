#!/usr/bin/env bash
# A PC on a trunk or a mirror port: the controllers' replies arrive with one
# 802.1Q tag, or with a service tag (0x88a8) outside it, while the scan
# request goes out untagged as always. fendrix-cli scan lists every
# controller through either capture (the helper's, and in-process where it
# finds no helper beside it: the kernel filter is compiled in each), and a
# recording of the tagged replies replays to the same rows.
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,cli,helper
config=$FX_DATA/segment_mixed.json
alone=$(fx_public_dir alone)/fendrix-cli
cp "$FX_CLI" "$alone"

for tags in 100 200,100; do
    fx_sim 1 --config "$config" --vlan "$tags"
    for cli in "$FX_CLI" "$alone"; do
        fx_pc "$cli" scan --adapter 192.168.0.10 --wait 1500 --format json --stats \
            --save-pcap "$FX_DIR/tagged.pcap" >"$FX_DIR/rows.json" 2>"$FX_DIR/scan.err" ||
            fx_fail "scan with tags $tags exited with $?: $(cat "$FX_DIR/scan.err")"
        receiver=$(sed -n 's/.* receiver=\([a-z-]*\).*/\1/p' "$FX_DIR/scan.err")
        [ "$receiver" = "$([ "$cli" = "$FX_CLI" ] && echo helper || echo in-process)" ] ||
            fx_fail "the scan ran through the receiver '$receiver'"
        fx_check rows "$FX_DIR/rows.json" "$config" ||
            fx_fail "replies tagged $tags, $receiver capture: rows differ from the segment"
        "$FX_CLI" scan --from-pcap "$FX_DIR/tagged.pcap" --format json >"$FX_DIR/replayed.json" &&
            cmp -s "$FX_DIR/rows.json" "$FX_DIR/replayed.json" ||
            fx_fail "the recording of replies tagged $tags does not replay to the same rows"
    done
    fx_sim_stop 1
done
echo "PASS"
