#!/usr/bin/env bash
# Installs what is missing, builds Vantro natively (sanitized) and for Windows, and
# runs every test: the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# the threaded tests under ThreadSanitizer, the Windows build's tests under Wine, each
# fuzzer for a short time (tools/fuzz.sh runs them longer), and the packages a user
# installs (the Windows zip, the native tarball and .deb), each installed and run outside
# the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh test

export CCACHE_DIR=${CCACHE_DIR:-$PWD/.deps/ccache}
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/.deps/wineprefix}

status=0
step() { echo; echo "=== $*"; }

for preset in asan tsan mingw fuzz; do
  step "configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

step "tests: asan"
ctest --preset asan || status=1
step "tests: tsan (threaded tests)"
ctest --preset tsan || status=1
step "tests: mingw under Wine"
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot --init >/dev/null 2>&1 || true
fi
ctest --preset mingw || status=1

step "fuzzers, a short run each"
ctest --preset fuzz || status=1

step "packages: build, unpack or install, and run"
if cmake --preset package >/dev/null && cmake --build --preset package --target package &&
   cmake --build --preset mingw --target package; then
  tests/package/check_packages.sh build/package build/mingw || status=1
else
  echo "Building the packages FAILED."
  status=1
fi

echo
if [ $status -eq 0 ]; then echo "All test runs passed."; else echo "Some tests FAILED."; fi
exit $status
