#!/usr/bin/env bash
# Puts the oracles of tst_jet_oracles into DIR, once: the npm package mdb-reader 3 and fruit.mdb,
# a Jet 4 file made by Access that the npm package mdb 0.1.0 ships as test/fruit.mdb.
#   oracle-setup.sh DIR
# Fails with a message saying what is missing; the oracle test then fails too.
set -euo pipefail
dir="${1:?usage: oracle-setup.sh DIR}"

for tool in node npm mdb-export mdb-tables; do
    if ! command -v "$tool" >/dev/null; then
        echo "oracle-setup: '$tool' is not installed; the Jet oracle tests need Node.js with npm and mdbtools" >&2
        exit 1
    fi
done
mkdir -p "$dir"
if [ ! -f "$dir/node_modules/mdb-reader/package.json" ]; then
    npm install --prefix "$dir" --no-audit --no-fund --loglevel=error mdb-reader@3
fi
if [ ! -f "$dir/fruit.mdb" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && npm pack --silent mdb@0.1.0 >/dev/null && tar -xzf mdb-0.1.0.tgz package/test/fruit.mdb)
    mv "$work/package/test/fruit.mdb" "$dir/fruit.mdb"
fi
echo "oracle-setup: mdb-reader $(node -p "require('$dir/node_modules/mdb-reader/package.json').version") and fruit.mdb in $dir"
