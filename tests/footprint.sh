#!/usr/bin/env bash
# The executable's footprint: it imports only DLLs that Windows ships, carries its
# manifest as resource 1 of type 24, and none of our own object files allocates on
# the heap (operator new, malloc and their kin).
set -u
exe=$1
objects=$(dirname "$exe")/CMakeFiles
objdump=i686-w64-mingw32-objdump
nm=i686-w64-mingw32-nm
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$exe" ] || { echo "no executable at $exe"; exit 1; }

windows_dlls='^(kernel32|user32|gdi32|comctl32|msvcrt|advapi32|version)\.dll$'
imports=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
for dll in $imports; do
    echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$windows_dlls" || fail "imports $dll, which Windows does not ship"
done
echo "imports: $(echo $imports)"

# The resource directory names type 24 (RT_MANIFEST) with one entry of id 1.
manifest_type=$(i686-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null | grep -Ec '^1 24 ' || true)
[ "$manifest_type" -ge 1 ] || fail "no manifest resource (1, type 24)"

count=0
while IFS= read -r obj; do
    count=$((count + 1))
    hits=$($nm -u "$obj" | grep -E ' _+(imp__+)?(Zn[wa]|malloc$|calloc$|realloc$|_?strdup$|HeapAlloc|GlobalAlloc|LocalAlloc)' || true)
    [ -z "$hits" ] || fail "$(basename "$obj") allocates: $(echo $hits)"
done < <(find "$objects" -name '*.obj' -path '*setup*' -o -name '*.obj' -path '*framework*' -o -name '*.obj' -path '*settings*')
[ "$count" -gt 0 ] || fail "no object files under $objects"
echo "object files checked: $count; size: $(stat -c %s "$exe") bytes"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "footprint: ok"
