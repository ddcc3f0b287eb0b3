#!/usr/bin/env bash
# Checks the packages a user installs, built beforehand with
#   cmake --build --preset package --target package     (.deb and .tar.gz)
#   cmake --build --preset mingw --target package       (the Windows zip)
# The .deb: its dependencies and its files (unpacked with dpkg -x). The tarball: unpacked
# into a temporary prefix and run on a scripted session from a folder outside the
# checkout, on a fresh per-user folder, so that the console must find its engine and the
# demo script in the install. The zip: unpacked into a fresh folder, its files and
# imports, and vantro.exe run from there under Wine by the end-to-end harness (Logon
# dialog, demo database, a query).
#   check_packages.sh NATIVE_BUILD_DIR MINGW_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=$(cd "$1" && pwd) mingw=$(cd "$2" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$native/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passes=0 failures=0
check() {   # check NAME CONDITION-EXIT-CODE
  if [ "$2" -eq 0 ]; then passes=$((passes + 1)); echo "ok: $1"; else failures=$((failures + 1)); echo "FAILED: $1"; fi
}
has_files() {   # has_files FOLDER FILE...
  local folder=$1 file; shift
  for file in "$@"; do [ -f "$folder/$file" ] || { echo "  missing: $file"; return 1; }; done
}
[ -n "$version" ]
check "the project version is known ($version)" $?

# ---- the Debian package ----------------------------------------------------------------
deb=$(ls "$native"/packages/vantro_"$version"_*.deb 2>/dev/null | head -1)
[ -n "$deb" ]
check "the .deb is named after the version" $?
if [ -n "$deb" ]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  [[ $depends == *libsqlite3-0* && $depends == *libstdc++6* ]]
  check "the .deb depends on libsqlite3 and the C++ runtime ($depends)" $?
  dpkg -x "$deb" "$work/deb"
  has_files "$work/deb/usr" bin/vantro lib/libvantro_oci.so share/vantro/demo.sql share/vantro/README.md \
    share/vantro/LICENSE.txt
  check "the .deb holds the console, the engine, the demo script, README and licence" $?
  [ "$("$work/deb/usr/bin/vantro" --version)" = "Vantro version $version" ]
  check "the packaged vantro --version names the project version" $?
fi

# ---- the tarball, installed into a prefix and run from elsewhere -----------------------
tarball=$native/packages/vantro-$version-Linux-$(uname -m).tar.gz
mkdir -p "$work/prefix" "$work/elsewhere" "$work/home"
tar -xzf "$tarball" -C "$work/prefix" --strip-components=1
check "the tarball unpacks into a prefix" $?
has_files "$work/prefix" bin/vantro lib/libvantro_oci.so share/vantro/demo.sql
check "the tarball's prefix has bin/, lib/ and share/vantro/" $?
session() {   # session OUTPUT: a scripted session on the demo database
  (cd "$work/elsewhere" &&
    printf 'select ename, job from emp where empno = 7839;\nexit\n' |
    env -u VANTRO_OCI_LIB VANTRO_HOME="$work/home" LD_DEBUG=files LD_DEBUG_OUTPUT="$1.ld" \
      "$work/prefix/bin/vantro" demo/demo@demo >"$1" 2>&1)
}
session "$work/first.txt"
grep -qx "Vantro version $version" "$work/first.txt" &&
  grep -q "^Vantro Embedded Database Release $version - SQLite " "$work/first.txt"
check "the console's and the engine's banners name the project version" $?
cat "$work"/first.txt.ld.* 2>/dev/null | grep -qF "file=$work/prefix/bin/../lib/libvantro_oci.so"
check "the installed console loads the engine from the install's lib folder" $?
grep -qF "@\"$work/prefix/bin/../share/vantro/demo.sql\"" "$work/first.txt" &&
  [ -e "$work/home/databases/demo.created" ]
check "the first session creates the demo database from the installed script" $?
grep -qE '^KING +PRESIDENT' "$work/first.txt"
check "a query on the demo database returns its row" $?
session "$work/second.txt"
! grep -q 'demo.sql' "$work/second.txt" && grep -qE '^KING +PRESIDENT' "$work/second.txt"
check "a second session uses the demo database without creating it again" $?
if [ $failures -gt 0 ]; then echo "---- first session ----"; cat "$work/first.txt"; fi

# ---- the Windows zip, unpacked into a fresh folder --------------------------------------
zip=$mingw/packages/vantro-$version-win64.zip
unzip -q "$zip" -d "$work/win"
unpacked=$?
check "the zip ${zip##*/} unpacks" $unpacked
folder=$work/win/vantro-$version-win64
has_files "$folder" vantro.exe vantro_oci.dll demo.sql README.md LICENSE.txt SQLITE-LICENSE.txt
check "the zip holds vantro.exe, the engine, the demo script, README and both licences" $?
# Every DLL the two binaries import is the system's or one of the zip's own.
imports=$(x86_64-w64-mingw32-objdump -p "$folder/vantro.exe" "$folder/vantro_oci.dll" |
  sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
foreign=$(echo "$imports" | grep -vE '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|winmm|advapi32|msvcrt|ucrtbase|api-ms-win-.*|ws2_32|shlwapi|oleaut32|uuid|vantro_oci)\.dll$')
[ -n "$imports" ] && [ -z "$foreign" ]
check "the binaries need no DLL outside Windows and the zip${foreign:+ (need: $foreign)}" $?
strings -el "$folder/vantro.exe" | grep -qx "$version"
check "vantro.exe's version resource names the project version" $?
# The harness keeps its Wine prefix in the build folder, so that a later run skips its
# creation; it starts vantro.exe from the unpacked folder.
[ $unpacked -eq 0 ] && bash "$here/../e2e/win32/run_e2e.sh" --package "$folder/vantro.exe" "$mingw/bin/vantro_probe.exe" \
  "$mingw/e2e-package"
check "vantro.exe from the unpacked zip logs on to the demo database and runs a query" $?

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
