#!/usr/bin/env bash
# The installer, out/windows/fendrix-VERSION-x64.msi, under Wine's Windows
# Installer in a private copy of the harness's prefix:
#  - the product is per machine (ALLUSERS=1, read with msitools' msiinfo);
#  - msiexec /i installs both programs, the readme and the licences under
#    C:\Program Files\Fendrix, the window in the Start menu, and an uninstall
#    entry named Fendrix;
#  - the installed window starts (its main window shows on an Xvfb);
#  - msiexec /x leaves nothing behind: the same files as before in the
#    prefix's drive C, and no trace of Fendrix in the registry.
FX_WINE=npcap
. "$(dirname "$0")/netns.sh"
fx_begin --links 1 --needs display
msi=$(ls "$FENDRIX_SRC_DIR"/out/windows/fendrix-*-x64.msi 2>/dev/null | head -n 1)
[ -n "$msi" ] || fx_skip "needs out/windows/fendrix-VERSION-x64.msi (scripts/build-windows)"

# A copy of the prefix, so that a failed uninstall cannot spoil the shared one.
fx_wine_stop
cp -a "$WINEPREFIX" "$FX_DIR/prefix" || fx_fail "cannot copy the Wine prefix"
export WINEPREFIX=$FX_DIR/prefix
fx_wine_start "$FX_PC" || fx_fail "no wineserver in $FX_PC"
drive_c=$WINEPREFIX/drive_c
program_files="$drive_c/Program Files/Fendrix"
# Windows Installer puts a per-machine product's Start-menu entries into the
# common Start menu; Wine 8's takes the user's for the same product.
shortcuts=("$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Fendrix.lnk"
           "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Fendrix.lnk")

# What a run of Wine changes by itself (temporary files) is not counted, nor
# the folder where Windows Installer keeps the packages of installed products,
# which Windows always has (the packages in it are).
files() {
    (cd "$drive_c" && find . -path ./users/*/Temp -prune -o -path ./windows/temp -prune -o -print |
        grep -vx './windows/Installer' | sort)
}
registry_mentions() { cat "$WINEPREFIX"/*.reg | grep -ci fendrix; }
entries() { fx_pc wine uninstaller --list 2>/dev/null | tr -d '\r'; }

# Per machine: the product says so (Windows Installer then uses Program
# Files and the common Start menu).
msiinfo export "$msi" Property | grep -qP '^ALLUSERS\t1\r?$' || fx_fail "the installer is not per machine"
files >"$FX_DIR/files.before"
[ "$(registry_mentions)" -eq 0 ] || fx_fail "the prefix names Fendrix before the install"
msi_path=$(fx_pc winepath -w "$msi" | tr -d '\r')

fx_pc wine msiexec /i "$msi_path" /qn >"$FX_DIR/install.log" 2>&1 ||
    fx_fail "msiexec /i exited with $?: $(tail -n 5 "$FX_DIR/install.log")"
for f in fendrix.exe fendrix-cli.exe; do
    cmp -s "$program_files/$f" "$FENDRIX_SRC_DIR/out/windows/$f" ||
        fx_fail "Program Files\\Fendrix\\$f is not the build's"
done
for f in README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [ -s "$program_files/$f" ] || fx_fail "not installed: Program Files\\Fendrix\\$f"
done
shortcut=$(ls "${shortcuts[@]}" 2>/dev/null | head -n 1)
[ -n "$shortcut" ] || fx_fail "no Start-menu entry named Fendrix"
grep -qa 'fendrix\.exe' "$shortcut" || fx_fail "the Start-menu entry does not start fendrix.exe"
entries | grep -q '|||Fendrix$' || fx_fail "no uninstall entry named Fendrix: $(entries)"

fx_pc wine "C:\\Program Files\\Fendrix\\fendrix.exe" >"$FX_DIR/window.out" 2>&1 &
FX_PIDS+=($!)
[ -n "$(fx_x_window '^Fendrix$' 60)" ] ||
    fx_fail "the installed window did not show: $(tail -n 5 "$FX_DIR/window.out")"
# Every Wine process of the prefix ends, the window among them.
fx_wine_start "$FX_PC" || fx_fail "no wineserver in $FX_PC"

fx_pc wine msiexec /x "$msi_path" /qn >"$FX_DIR/uninstall.log" 2>&1 ||
    fx_fail "msiexec /x exited with $?: $(tail -n 5 "$FX_DIR/uninstall.log")"
fx_wine_stop  # the registry is written out when the server ends
files >"$FX_DIR/files.after"
diff "$FX_DIR/files.before" "$FX_DIR/files.after" >"$FX_DIR/files.diff" ||
    fx_fail "the uninstall left files behind or took some away: $(head -n 20 "$FX_DIR/files.diff")"
[ "$(registry_mentions)" -eq 0 ] ||
    fx_fail "the registry still names Fendrix: $(grep -i fendrix "$WINEPREFIX"/*.reg | head -n 5)"
echo "PASS"
