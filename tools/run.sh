#!/usr/bin/env bash
# Installs what is missing, builds the console and its embedded engine (the native
# release; the test programs are built by tools/test.sh) and starts the terminal console.
# Without arguments it connects to the embedded demo database, which the console creates
# from the demo script on first use; arguments are passed on to the console instead (the
# first one is a connect string).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
export CCACHE_DIR=${CCACHE_DIR:-$PWD/.deps/ccache}
cmake --preset release >/dev/null
cmake --build --preset release --target vantro vantro_oci
VANTRO=build/release/bin/vantro
if [ $# -gt 0 ]; then exec "$VANTRO" "$@"; fi

# The embedded engine keeps its databases here (VANTRO_HOME isolates them); the console
# leaves demo.created there once it has run the demo script.
if [ -n "${VANTRO_HOME:-}" ]; then
    databases=$VANTRO_HOME/databases
else
    databases=${XDG_DATA_HOME:-$HOME/.local/share}/vantro/databases
fi
if [ ! -e "$databases/demo.created" ]; then
    # The first connect creates the demo database; its script's output goes to a log
    # rather than over the screen.
    echo "Creating the demo database (first use)..."
    log=$(mktemp)
    if "$VANTRO" demo/demo@demo < /dev/null > "$log" 2>&1 && [ -e "$databases/demo.created" ]; then
        rm -f "$log"
    else
        echo "Creating the demo database failed; its output is in $log" >&2
    fi
fi
exec "$VANTRO" demo/demo@demo
