#!/usr/bin/env bash
# fendrix.exe, the window's Windows build, under Wine in the PC namespace
# against kestrel-sim, its windows on an Xvfb, worked as a user works it
# (xdotool) and read from the X clipboard (xclip), which Wine's clipboard
# serves:
#  - with a wpcap.dll in Npcap's folder (Wine's own, over libpcap): the
#    start-up scan is the exact 52-byte request, and Ctrl+A on the list copies
#    every controller's MAC, those outside the PC's subnet included;
#  - the system menu (Alt+Space) ends with the entry that opens the About box;
#  - without Npcap: one warning, which says where to get Npcap (Ctrl+C copies
#    a Windows message box's text), then the controllers through the socket
#    receiver (with reverse-path filtering off, in and outside the subnet).
# The device commands of the window's Windows build run through the window
# driver's tests with FX_WINE=npcap (tests/e2e/CMakeLists.txt).
FX_WINE=npcap
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs sim,display
fx_require_bin "$FX_WINDOW_APP"
segment=$FX_DATA/segment_mixed.json
log=$(fx_log_file 1)
fx_sim 1 --config "$segment"

# start_window: fendrix.exe in the PC namespace, in the background.
start_window() {
    fx_pc wine "$FX_WINDOW_APP" >"$FX_DIR/window.out" 2>&1 &
    FX_PIDS+=($!)
}

# With Npcap.
start_window
wid=$(fx_x_window '^Fendrix$' 60)
[ -n "$wid" ] || fx_fail "no window titled Fendrix: $(tail -n 5 "$FX_DIR/window.out")"
fx_wait_requests 1 1 30
fx_x_copy_all "$wid" "$segment" 30
fx_check scan_requests "$log" "$(fx_pc_mac 1)" 192.168.0.255 1 ||
    fx_fail "the start-up scan is not the one exact 52-byte request"

# The system menu opens as a window without a title; its last entry is
# ours (Wine's own menu has an "About Wine" entry further up, hence Up, not
# the mnemonic).
untitled() { fx_pc xdotool search --onlyvisible --name '^$' 2>/dev/null | sort; }
menu_opened() { [ "$(untitled)" != "$before" ]; }
before=$(untitled)
fx_pc xdotool key alt+space
fx_wait_for 20 "Alt+Space opened no system menu" menu_opened
fx_pc xdotool key Up Return
[ -n "$(fx_x_window '^About Fendrix$' 20)" ] ||
    fx_fail "the system menu's last entry did not open the About box"

# Without Npcap: a fresh start (every Wine process of the prefix ends).
fx_wine_npcap off
fx_wine_start "$FX_PC" || fx_fail "no wineserver in $FX_PC"
: >"$log"
start_window
# The warning comes before the main window shows.
box=$(fx_x_window '^Fendrix$' 60)
[ -n "$box" ] || fx_fail "no warning box: $(tail -n 5 "$FX_DIR/window.out")"
fx_pc xdotool mousemove --window "$box" 10 10 click 1 key ctrl+c
fx_pc timeout 5 xclip -selection clipboard -o >"$FX_DIR/box" 2>/dev/null
want="Capture is unavailable: Npcap is missing (get it from https://npcap.com); replies come through a plain socket on port 8911, so replies from controllers outside this PC's subnet that Windows drops are missed"
grep -qxF "$want" <(tr -d '\r' <"$FX_DIR/box") || fx_fail "the warning box said: $(cat "$FX_DIR/box")"
fx_pc xdotool key Return
main_window_shown() {
    wid=$(fx_x_window '^Fendrix$' 1)
    [ -n "$wid" ] && [ "$wid" != "$box" ]
}
fx_wait_for 30 "the main window did not show after the warning" main_window_shown
fx_wait_requests 1 1 30
fx_x_copy_all "$wid" "$segment" 30
fx_check scan_requests "$log" "$(fx_pc_mac 1)" 192.168.0.255 1 ||
    fx_fail "the start-up scan without Npcap is not the one exact 52-byte request"
echo "PASS"
