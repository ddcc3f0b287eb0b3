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
# ccache's depend mode hashes the headers the compiler lists (-MD) instead of running the
# preprocessor once more before each compile, which a miss (every compile on a fresh
# machine) would only pay for. The test programs' precompiled header needs the
# sloppiness ccache asks for to cache them.
export CCACHE_DEPEND=${CCACHE_DEPEND:-true}
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/.deps/wineprefix}

status=0
step() { echo; echo "=== $*"; }

# The ci-* presets are the developers' presets, in folders of their own, with the engine
# compiled in batches (faster from scratch, see engine/CMakeLists.txt) and the Windows
# build's SQLite compiled with less optimisation.
build() {
  step "configure and build: $1"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

# The Windows build's tests spend most of their time waiting for Wine and for windows
# to answer, so the Windows build comes first and its tests run in the background
# beside the remaining builds and tests; their output is shown when they end.
build ci-mingw
step "tests: mingw under Wine (in the background)"
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot --init >/dev/null 2>&1 || true
fi
mingw_log=build/ci-mingw/wine-tests.log
ctest --preset ci-mingw >"$mingw_log" 2>&1 &
mingw_tests=$!
trap 'kill "$mingw_tests" 2>/dev/null || true' EXIT

build ci-asan
build ci-tsan
build ci-fuzz

step "tests: asan"
ctest --preset ci-asan || status=1
step "tests: tsan (threaded tests)"
ctest --preset ci-tsan || status=1

step "fuzzers, a short run each"
ctest --preset ci-fuzz || status=1

step "packages: build, unpack or install, and run"
if cmake --preset ci-package >/dev/null && cmake --build --preset ci-package --target package &&
   cmake --build --preset ci-mingw --target package; then
  tests/package/check_packages.sh build/ci-package build/ci-mingw || status=1
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
