#!/usr/bin/env bash
# Installs the Debian packages Vantro needs, only those that are missing.
#   tools/install-deps.sh run    what building and running the terminal console needs
#   tools/install-deps.sh test   everything: native and Windows builds, Wine, tests
set -euo pipefail

what=${1:-test}
run_pkgs=(g++ cmake ninja-build ccache libsqlite3-dev libboost-dev)
test_pkgs=("${run_pkgs[@]}" libgtest-dev googletest mingw-w64 wine wine64 xvfb xdotool tmux sqlite3 time
           xauth imagemagick dpkg-dev unzip clang)

case $what in
  run) pkgs=("${run_pkgs[@]}") ;;
  test) pkgs=("${test_pkgs[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
# The Windows build takes the SQLite amalgamation from the npm registry.
if [ "$what" = test ] && ! command -v npm >/dev/null 2>&1; then
  pkgs+=(npm)
fi

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
