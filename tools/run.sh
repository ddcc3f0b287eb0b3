#!/usr/bin/env bash
# Installs what is missing, builds the native release and starts the terminal console.
# Arguments are passed on to the console (the first one is a connect string).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
export CCACHE_DIR=${CCACHE_DIR:-$PWD/.deps/ccache}
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/bin/vantro "$@"
