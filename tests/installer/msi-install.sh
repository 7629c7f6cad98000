#!/bin/sh
# The MSI of installer/build-msi under Wine's msiexec, in a Wine prefix of its
# own (BUILD-DIR/wine-msi-prefix, kept between runs while they leave it clean):
#
#     msi-install.sh BUILD-DIR        # the windows preset's build folder
#
# First its tables as msiinfo reads them back: per user, HKCU only. Then, each
# step checking the files, the Start menu shortcut, the Installed apps entry
# and the registry:
#   1. version N (not for all users): no context-menu entry; the installed vesk.exe hashes a file.
#      Then vesk.ini and the entry as the Tools menu writes them;
#   2. version N+1 over it: one Installed apps entry, at N+1; vesk.ini and the
#      context-menu entry kept; N over N+1 is refused;
#   3. a quiet uninstall: nothing left but vesk.ini;
#   4. N with SHELLMENU=1: the context-menu entry. The Tools menu removes it,
#      and N+1 over N does not bring it back;
#   5. keys of the cleanup list as the Tools menu writes them, and an uninstall
#      with REMOVESETTINGS=1: the files and the registry as before step 1.
set -eu
build=$(cd "$1" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
for tool in wixl msiinfo; do
    if ! command -v $tool >/dev/null; then
        echo "no $tool: scripts/install-deps installs it"
        exit 77
    fi
done

fail() {
    printf 'FAILED: %s\n' "$*" >&2
    exit 1
}

work=$(mktemp -d)
export WINEPREFIX="$build/wine-msi-prefix" WINEDEBUG=-all
# A prefix that a failed run left with Vesk in it is made anew.
if [ -e "$WINEPREFIX/.msi-test-unfinished" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
"$top/scripts/wine-prefix"
touch "$WINEPREFIX/.msi-test-unfinished"
# No menu entries for the desktop outside the prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
# Wine's background processes, started with their output elsewhere (see
# scripts/wine-ctest), and ended with the test.
wineserver -p >/dev/null 2>&1 </dev/null || true
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

version=$(sed -n 's/^#define VESK_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/app/BuildVersion.h")
next=$(echo "$version" | awk -F . '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')
export VESK_DOWNLOAD_URL=https://downloads.invalid/vesk
for v in "$version" "$next"; do
    "$top/installer/build-msi" --version "$v" "$build" "$work/dist"
done
msi_n="$work/dist/vesk-$version-x64.msi"
msi_next="$work/dist/vesk-$next-x64.msi"

# ---- The tables --------------------------------------------------------------

table() { msiinfo export "$msi_n" "$1" | tr -d '\r' | tail -n +4; }
property() { table Property | awk -F '\t' -v name="$1" '$1 == name { print $2 }'; }
[ -z "$(property ALLUSERS)" ] || fail "ALLUSERS is set"
[ "$(property MSIINSTALLPERUSER)" = 1 ] || fail "MSIINSTALLPERUSER is not 1"
[ "$(property ProductVersion)" = "$version" ] || fail "ProductVersion $(property ProductVersion), not $version"
publisher=$(property Manufacturer)
grep -qF "L\" $publisher. Provided as is" "$top/ui/AboutDialog.cpp" ||
    fail "the About box names another publisher than '$publisher'"
components=$(table Component | cut -f 1 | sort | tr '\n' ' ')
[ "$components" = "Cleanup Program ShellMenu " ] || fail "components: $components"
# Every folder is below one of the user's own.
roots=$(table Directory | awk -F '\t' '$2 == "TARGETDIR" { print $1 }' | sort | tr '\n' ' ')
[ "$roots" = "LocalAppDataFolder ProgramMenuFolder " ] || fail "folders below $roots"
# Registry roots: 1 is HKEY_CURRENT_USER.
[ -z "$(table Registry | awk -F '\t' '$2 != 1')" ] || fail "registry rows outside HKCU"
[ -z "$(table RegLocator | awk -F '\t' '$2 != 1')" ] || fail "registry searches outside HKCU"
# The summary's word count: 8 is "no elevated privileges needed".
source_flags=$(msiinfo suminfo "$msi_n" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
[ $((source_flags & 8)) -eq 8 ] || fail "the package asks for elevation (source flags $source_flags)"

# The winget manifest of N+1 names that MSI.
manifest="$work/dist/vesk-$next-winget/Vesk.Vesk.installer.yaml"
next_code=$(msiinfo export "$msi_next" Property | tr -d '\r' | awk -F '\t' '$1 == "ProductCode" { print $2 }')
[ "$next_code" != "$(property ProductCode)" ] || fail "both versions have one product code"
grep -qx "ProductCode: '$next_code'" "$manifest" || fail "the manifest has another product code than $next_code"
grep -qix "  InstallerSha256: $(sha256sum "$msi_next" | cut -d ' ' -f 1)" "$manifest" || fail "the manifest's SHA-256"
grep -qx "  InstallerUrl: $VESK_DOWNLOAD_URL/vesk-$next-x64.msi" "$manifest" || fail "the manifest's URL"
for file in Vesk.Vesk.yaml Vesk.Vesk.locale.en-US.yaml; do
    grep -qx "PackageVersion: $next" "$work/dist/vesk-$next-winget/$file" || fail "$file"
done

# ---- Under msiexec -----------------------------------------------------------

user=$(ls "$WINEPREFIX/drive_c/users" | grep -vx Public)
user_folder="$WINEPREFIX/drive_c/users/$user"
install="$user_folder/AppData/Local/Programs/Vesk"
install_win="C:\\users\\$user\\AppData\\Local\\Programs\\Vesk"
shortcut="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vesk.lnk"

# msiexec STATUS ARGUMENTS...: a quiet msiexec that must end with STATUS (of
# which a Linux process's status keeps the low 8 bits).
msiexec() {
    expected=$1
    shift
    status=0
    wine msiexec "$@" /qn /l*v "$work/msiexec.log" >/dev/null 2>&1 </dev/null || status=$?
    if [ $status -ne $((expected & 255)) ]; then
        tail -40 "$work/msiexec.log" >&2
        fail "msiexec $* ended with $status, not $expected"
    fi
}

# The files below the user's folder, and the registry keys that an install
# touches: all of HKCU\Software (Classes, the installer's own records and the
# per-user uninstall keys) and the machine's uninstall keys, where Wine puts
# the entry of a per-user install. Left out: Wine's own settings, and the empty
# keys and folder that Windows Installer keeps its records of every product in.
snapshot() {
    (cd "$user_folder" && find . | grep -vx './AppData/Roaming/Microsoft/Installer' | sort) >"$work/$1.files"
    {
        wine reg query 'HKCU\Software' /s
        wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s
    } 2>/dev/null | tr -d '\r' |
        awk '/^HKEY_/ { skip = index($0, "HKEY_CURRENT_USER\\Software\\Wine") == 1 ||
                               $0 ~ /^HKEY_CURRENT_USER\\Software\\Microsoft\\Installer(\\(Features|Products|UpgradeCodes))?$/ }
             NF && !skip' >"$work/$1.reg"
}

# Name, version and publisher of every Installed apps entry named Vesk, one line
# each, from a snapshot.
entries() {
    awk '/^HKEY_/ { if (name == "Vesk") print key, version, publisher; key = $0; name = version = publisher = "" }
         $1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" { version = $3 }
         $1 == "Publisher" { publisher = substr($0, index($0, "REG_SZ") + 10) }
         END { if (name == "Vesk") print key, version, publisher }' "$work/$1.reg"
}

# The values of one key of a snapshot, or nothing where the key is missing.
# (The key goes in through the environment: awk -v would take its backslashes
# for escapes.)
values() { key="$2" awk '$0 == ENVIRON["key"] { found = 1; next } /^HKEY_/ { found = 0 } found' "$work/$1.reg"; }

# Takes snapshot NAME, and checks the installed program and its entry at VERSION in it.
check_installed() { # VERSION NAME
    snapshot "$2"
    [ "$(ls "$install" | grep -v '^vesk\.ini$' | tr '\n' ' ')" = "vesk-help.html vesk.exe " ] ||
        fail "installed: $(ls "$install")"
    cmp -s "$install/vesk-help.html" "$build/vesk-help.html" || fail "vesk-help.html differs"
    grep -qaF "$install_win\\vesk.exe" "$shortcut" || fail "no Start menu shortcut to vesk.exe"
    [ "$(entries "$2" | wc -l)" -eq 1 ] || fail "Installed apps entries: $(entries "$2")"
    entries "$2" | grep -qF " $1 $publisher" || fail "the entry is not at $1 by $publisher: $(entries "$2")"
    icon=$(awk '$1 == "ProductIcon" { print $3 }' "$work/$2.reg" | sed 's|^C:|drive_c|; s|\\|/|g')
    cmp -s "$WINEPREFIX/$icon" "$top/resources/vesk.ico" || fail "the entry's icon is not vesk.ico"
}

# The context-menu entry as ui/ShellIntegration.cpp writes it from the Tools
# menu, under each key named (below HKCU\Software\Classes), and what a snapshot
# shows of it.
tools_add() {
    exe=$(printf '%s' "$install_win\\vesk.exe" | sed 's/\\/\\\\/g')
    {
        echo REGEDIT4
        for key; do
            printf '\n[HKEY_CURRENT_USER\\Software\\Classes\\%s]\n"Icon"="\\"%s\\",0"\n' "$key" "$exe"
            printf '\n[HKEY_CURRENT_USER\\Software\\Classes\\%s\\command]\n@="\\"%s\\" \\"%%1\\""\n' "$key" "$exe"
        done
    } >"$work/tools.reg"
    wine regedit /s "$work/tools.reg" >/dev/null 2>&1 </dev/null
}
verb_key='HKEY_CURRENT_USER\Software\Classes\*\shell\Vesk'
verb_values="    Icon    REG_SZ    \"$install_win\\vesk.exe\",0"
command_values="    (Default)    REG_SZ    \"$install_win\\vesk.exe\" \"%1\""
check_shell_entry() {
    [ "$(values "$1" "$verb_key")" = "$verb_values" ] || fail "the verb key holds: $(values "$1" "$verb_key")"
    [ "$(values "$1" "$verb_key\\command")" = "$command_values" ] ||
        fail "the command key holds: $(values "$1" "$verb_key\\command")"
}

snapshot before
[ -z "$(entries before)" ] || fail "Vesk is installed in the new prefix"
msiexec 1603 /i "$msi_n" ALLUSERS=1

# 1. N, then settings and the context-menu entry from the Tools menu.
msiexec 0 /i "$msi_n"
check_installed "$version" first
[ -z "$(values first "$verb_key")" ] || fail "the context-menu entry is there without SHELLMENU=1"
printf 'Vesk hashes this.\n' >"$work/sample.txt"
wine "$install/vesk.exe" "$work/sample.txt" >"$work/lines.txt" 2>/dev/null </dev/null || fail "vesk.exe failed"
grep -qx "SHA-256   : $(sha256sum "$work/sample.txt" | cut -d ' ' -f 1)" "$work/lines.txt" ||
    fail "the installed vesk.exe printed: $(cat "$work/lines.txt")"
cp "$top/tests/app/written-by-vesk-exe.ini" "$install/vesk.ini"
tools_add '*\shell\Vesk'

# 2. N+1 over N.
msiexec 0 /i "$msi_next"
check_installed "$next" second
entries second | grep -qF "$next_code" || fail "the entry is not N+1's $next_code"
cmp -s "$install/vesk.ini" "$top/tests/app/written-by-vesk-exe.ini" || fail "vesk.ini changed"
check_shell_entry second
msiexec 1603 /i "$msi_n"
snapshot refused
cmp -s "$work/second.reg" "$work/refused.reg" || fail "installing N over N+1 changed the registry"

# 3. A quiet uninstall keeps vesk.ini.
msiexec 0 /x "$msi_next"
snapshot third
[ "$(ls "$install")" = vesk.ini ] || fail "left in the install folder: $(ls "$install")"
cmp -s "$install/vesk.ini" "$top/tests/app/written-by-vesk-exe.ini" || fail "vesk.ini changed"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
diff "$work/before.reg" "$work/third.reg" || fail "the uninstall left the registry changed"

# 4. N with the optional feature, then N+1 after the Tools menu removed the entry.
msiexec 0 /i "$msi_n" SHELLMENU=1
check_installed "$version" fourth
check_shell_entry fourth
wine reg delete "$verb_key" /f >/dev/null 2>&1 </dev/null
msiexec 0 /i "$msi_next"
check_installed "$next" fifth
[ -z "$(values fifth "$verb_key")" ] || fail "the upgrade brought back the context-menu entry"

# 5. Keys of the cleanup list from the Tools menu, then an uninstall that
# removes the settings too.
tools_add '*\shell\Vesk' 'Directory\shell\Vesk' 'SystemFileAssociations\.sha256\shell\VeskVerify' \
          'SystemFileAssociations\.sfv\shell\VeskVerify'
msiexec 0 /x "$msi_next" REMOVESETTINGS=1
snapshot last
[ ! -e "$install" ] || fail "left: $(ls -A "$install")"
diff "$work/before.files" "$work/last.files" || fail "the files below the user's folder are not as before"
diff "$work/before.reg" "$work/last.reg" || fail "the registry is not as before"

rm "$WINEPREFIX/.msi-test-unfinished"
echo "installed, upgraded and removed Vesk $version and $next"
