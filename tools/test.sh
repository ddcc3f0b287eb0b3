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

for preset in asan tsan mingw; do
  step "configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# The Windows build's tests spend most of their time waiting for Wine and for windows
# to answer, so they run in the background beside the remaining builds and tests; their
# output is shown when they end.
step "tests: mingw under Wine (in the background)"
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot --init >/dev/null 2>&1 || true
fi
mingw_log=build/mingw/wine-tests.log
ctest --preset mingw >"$mingw_log" 2>&1 &
mingw_tests=$!
trap 'kill "$mingw_tests" 2>/dev/null || true' EXIT

step "configure and build: fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

step "tests: asan"
ctest --preset asan || status=1
step "tests: tsan (threaded tests)"
ctest --preset tsan || status=1

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

step "tests: mingw under Wine (their output)"
wait "$mingw_tests" || status=1
cat "$mingw_log"

echo
if [ $status -eq 0 ]; then echo "All test runs passed."; else echo "Some tests FAILED."; fi
exit $status
