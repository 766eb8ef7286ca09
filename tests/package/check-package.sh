#!/usr/bin/env bash
# Checks the Windows package of a Windows build folder:
#
#   tests/package/check-package.sh [--imports-only] <windows-build-dir>
#
# Tallowbridge.exe must run on every Windows since 7 with nothing installed:
# a 64-bit GUI program whose import table names only DLLs that Windows 7
# ships, and no function that came later (those are looked up at run time).
# Without --imports-only it also builds the zip with scripts/package and
# checks what is in it. Exit code 77 (skipped) when the build has no
# Tallowbridge.exe and the whole package is checked.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

imports_only=
[ "${1:-}" = --imports-only ] && { imports_only=yes; shift; }
build=${1:?usage: check-package.sh [--imports-only] <windows-build-dir>}
exe=$build/Tallowbridge.exe
if [ ! -f "$exe" ]; then
  echo "package: $exe is missing; build it with: cmake --preset windows && cmake --build --preset windows" >&2
  [ -n "$imports_only" ] && exit 1
  exit 77
fi

failed=0
check() {  # check <ok?> <what> [detail]
  if [ "$1" = 0 ]; then echo "PASS $2"; else echo "FAIL $2${3:+: $3}"; failed=1; fi
}

objdump=x86_64-w64-mingw32-objdump
headers=$($objdump -p "$exe" 2>&1)
check $? "$objdump reads Tallowbridge.exe" "$(echo "$headers" | head -n 3)"

# DLLs every Windows since 7 has, in its system folder.
allowed="kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll ole32.dll oleaut32.dll
advapi32.dll msvcrt.dll shlwapi.dll version.dll winmm.dll uxtheme.dll imm32.dll ws2_32.dll rpcrt4.dll"
# Functions of those DLLs that Windows 7 lacks.
later="GetDpiForSystem GetDpiForWindow AdjustWindowRectExForDpi SetProcessDpiAwarenessContext
SetThreadDpiAwarenessContext GetSystemMetricsForDpi SystemParametersInfoForDpi EnableNonClientDpiScaling
GetAwarenessFromDpiAwarenessContext GetSystemTimePreciseAsFileTime"

dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr -d '\r')
check "$([ -n "$dlls" ]; echo $?)" "the import table names DLLs"
for required in kernel32.dll user32.dll; do
  check "$(grep -qx "$required" <<<"$dlls"; echo $?)" "it imports $required"
done
for dll in $dlls; do
  case " $(echo $allowed) " in
    *" $dll "*) check 0 "$dll is part of every Windows since 7" ;;
    *) check 1 "$dll is part of every Windows since 7" "a runtime DLL or a later one: link it statically" ;;
  esac
done

imported=$(echo "$headers" | sed -n '/The Import Tables/,/^The .* Table\|^PE File Base Relocations/p' |
  awk 'NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }')
check "$([ -n "$imported" ]; echo $?)" "the imported functions are listed"
for name in $later; do
  check "$(grep -qx "$name" <<<"$imported"; [ $? -ne 0 ]; echo $?)" "$name is not imported (Windows 7 lacks it)"
done

check "$(grep -q '^Magic.*PE32+' <<<"$headers"; echo $?)" "a 64-bit program (PE32+)"
check "$(grep -q '^Subsystem.*(Windows GUI)' <<<"$headers"; echo $?)" "a Windows GUI program"
major=$(echo "$headers" | awk '$1 == "MajorSubsystemVersion" { print $2 }')
minor=$(echo "$headers" | awk '$1 == "MinorSubsystemVersion" { print $2 }')
check "$([ -n "$major" ] && { [ "$major" -lt 6 ] || { [ "$major" -eq 6 ] && [ "$minor" -le 1 ]; }; }; echo $?)" \
  "the subsystem version $major.$minor lets Windows 7 (6.1) start it"

if [ -z "$imports_only" ]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  TB_WINDOWS_BUILD=$build TB_PACKAGE_DIR=$out/zip bash "$root/scripts/package" >"$out/package.log" 2>&1
  check $? "scripts/package builds the zip" "$(tail -n 5 "$out/package.log")"
  version=$(sed -n 's/^project(Tallowbridge VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
  name=Tallowbridge-$version-win64
  zipfile=$out/zip/$name.zip
  listing=$(unzip -Z1 "$zipfile" 2>&1 | grep -v '/$' | sort)
  expected=$(printf '%s\n' "$name/LICENSE.txt" "$name/README-Windows.txt" "$name/Tallowbridge.exe")
  check "$([ "$listing" = "$expected" ]; echo $?)" "$name.zip holds Tallowbridge.exe, README-Windows.txt and LICENSE.txt" \
    "$(echo $listing)"
  mkdir -p "$out/unpacked"
  unzip -q "$zipfile" -d "$out/unpacked" 2>/dev/null
  check "$(cmp -s "$exe" "$out/unpacked/$name/Tallowbridge.exe"; echo $?)" "the zip's Tallowbridge.exe is the build's"
  for text in README-Windows.txt LICENSE.txt; do
    file=$out/unpacked/$name/$text
    lines=$(wc -l <"$file" 2>/dev/null || echo 0)
    crlf=$(grep -c $'\r$' "$file" 2>/dev/null || echo 0)
    check "$([ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ]; echo $?)" "$text ends every line with CR LF" \
      "$crlf of $lines lines"
  done
  check "$(grep -q '^MIT License' "$out/unpacked/$name/LICENSE.txt"; echo $?)" "LICENSE.txt is the MIT licence"
  check "$(grep -q 'lwsn.exe' "$out/unpacked/$name/README-Windows.txt"; echo $?)" "README-Windows.txt tells of lwsn.exe"
fi

[ $failed -eq 0 ] && echo "package: all checks passed"
exit $failed
