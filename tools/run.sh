#!/usr/bin/env bash
# Installs what is missing, builds the native release and starts the terminal console.
# Without arguments it connects to the embedded demo database, creating it from
# demo/demo.sql on first use; arguments are passed on to the console instead (the first
# one is a connect string).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
export CCACHE_DIR=${CCACHE_DIR:-$PWD/.deps/ccache}
cmake --preset release >/dev/null
cmake --build --preset release
VANTRO=build/release/bin/vantro
if [ $# -gt 0 ]; then exec "$VANTRO" "$@"; fi

# The embedded engine keeps its databases here (VANTRO_HOME isolates them).
if [ -n "${VANTRO_HOME:-}" ]; then
    databases=$VANTRO_HOME/databases
else
    databases=${XDG_DATA_HOME:-$HOME/.local/share}/vantro/databases
fi
marker=$databases/demo.created
if [ ! -e "$marker" ]; then
    echo "Creating the demo database (first use)..."
    log=$(mktemp)
    if "$VANTRO" demo/demo@demo < demo/demo.sql > "$log" 2>&1; then
        mkdir -p "$databases"
        : > "$marker"
        rm -f "$log"
    else
        echo "Creating the demo database failed; its output is in $log" >&2
    fi
fi
exec "$VANTRO" demo/demo@demo
