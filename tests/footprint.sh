#!/usr/bin/env bash
# The executable's footprint: at most 92 KiB, it imports only DLLs that Windows
# always loads from its system folder, carries its manifest as resource 1 of type
# 24, none of our own object files allocates on the heap (operator new, malloc and
# their kin), and it is
# reproducible (no link time stamp, no build folder inside). Also that each folder
# includes only from the folders below it.
set -u
exe=$1
root=$(cd "$(dirname "$0")/.." && pwd)
objects=$(dirname "$exe")/CMakeFiles
objdump=i686-w64-mingw32-objdump
nm=i686-w64-mingw32-nm
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$exe" ] || { echo "no executable at $exe"; exit 1; }

# Only "known DLLs": the ones Windows always maps from the system folder, listed
# under HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs on every
# Windows from Vista to 11. Any other import (COMCTL32 and VERSION among them) the
# loader may look for in the program's own folder first, and the program runs as
# administrator.
known_dlls='^(kernel32|user32|gdi32|advapi32|msvcrt|shell32|ole32|oleaut32|comdlg32|imm32)\.dll$'
imports=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
for dll in $imports; do
    echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$known_dlls" || fail "imports $dll, which is not a known DLL"
done
echo "imports: $(echo $imports)"

# Nothing that starts a program by a bare name, which Windows looks for in the
# program's own folder first: no help viewer (WinHelp), no shell execution.
starters=$($objdump -p "$exe" | grep -oE '\b(WinHelp[AW]?|ShellExecute[A-Za-z]*|WinExec|CreateProcess[AW]?)\b' | sort -u || true)
[ -z "$starters" ] || fail "imports what starts programs: $(echo $starters)"

# The resource directory names type 24 (RT_MANIFEST) with one entry of id 1.
manifest_type=$(i686-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null | grep -Ec '^1 24 ' || true)
[ "$manifest_type" -ge 1 ] || fail "no manifest resource (1, type 24)"

count=0
while IFS= read -r obj; do
    count=$((count + 1))
    hits=$($nm -u "$obj" | grep -E ' _+(imp__+)?(Zn[wa]|malloc$|calloc$|realloc$|_?strdup$|HeapAlloc|GlobalAlloc|LocalAlloc)' || true)
    [ -z "$hits" ] || fail "$(basename "$obj") allocates: $(echo $hits)"
done < <(find "$objects" -name '*.obj' -path '*/CMakeFiles/*.dir/*')
[ "$count" -gt 0 ] || fail "no object files under $objects"
size=$(stat -c %s "$exe")
echo "object files checked: $count; size: $size bytes"
# One throwing call of the standard library (a string's substr, say) links its
# formatted exceptions and doubles the program.
[ "$size" -le 94208 ] || fail "the executable is $size bytes, over its 92 KiB (94,208 bytes)"

# The PE header's TimeDateStamp: 4 bytes at 8 past the "PE\0\0" that e_lfanew points to.
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
stamp=$(od -An -tu4 -j$((pe + 8)) -N4 "$exe" | tr -d ' ')
[ "$stamp" = 0 ] || fail "the PE header carries a link time stamp ($stamp)"
# The oldest Windows it runs on, as its imports allow (XP, 5.1): what an older one refuses.
windows=$($objdump -p "$exe" | awk '$1 ~ /^M(aj|in)or(OSystem|Subsystem)Version$/ { printf "%s ", $2 }')
[ "$windows" = "5 1 5 1 " ] || fail "the PE header names Windows $windows, not XP (5 1 5 1)"
! grep -qaF "$root" "$exe" || fail "the executable holds the build's folder $root"
echo "PE time stamp: $stamp; sha256: $(sha256sum "$exe" | cut -c1-64)"

# Each folder includes only from itself and the folders its library links, as the
# build says: platform from none of ours, settings from platform, and so on up.
while read -r folder may; do
    upward=$(grep -nE '#include "[a-z]+/' "$root/$folder"/* | grep -vE "#include \"($may)/" || true)
    [ -z "$upward" ] || fail "$folder/ includes from a folder its library does not link: $upward"
done <<EOF
platform platform
settings settings|platform
dialog dialog|settings|platform|res
app app|dialog|platform
EOF

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "footprint: ok"
