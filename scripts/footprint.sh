#!/usr/bin/env bash
# Checks that the executable is small and imports system DLLs only.
set -euo pipefail
exe=${1:-build/win/Tessary.exe}
limit=$((400 * 1024))

stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
x86_64-w64-mingw32-strip -o "$stripped" "$exe"
size=$(stat -c %s "$stripped")
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr '\n' ' ')
echo "Tessary.exe: $size bytes stripped; imports: $imports"

status=0
if [ "$size" -ge "$limit" ]; then
    echo "FAIL: larger than $limit bytes" >&2
    status=1
fi
for dll in $imports; do
    case "${dll,,}" in
    kernel32.dll | user32.dll | advapi32.dll | comctl32.dll | gdi32.dll | msvcrt.dll) ;;
    *)
        echo "FAIL: imports $dll, which is not a system DLL" >&2
        status=1
        ;;
    esac
done
exit $status
