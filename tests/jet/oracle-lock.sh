#!/usr/bin/env bash
# Writes oracle.lock: the exact registry tarballs of the npm package mdb-reader 3 and of its
# whole dependency tree, where each goes in node_modules, and its sha512; then fruit.mdb, taken
# from the tarball of the npm package mdb 0.1.0. Run it to move to a newer mdb-reader 3; the
# tests themselves never need npm (oracle-setup.cmake fetches what the lock names).
#   tests/jet/oracle-lock.sh > tests/jet/oracle.lock
set -euo pipefail
for tool in npm node; do
    command -v "$tool" >/dev/null || { echo "oracle-lock: '$tool' is not installed" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm install --package-lock-only --no-audit --no-fund --loglevel=error mdb-reader@3 >/dev/null)
mdb_integrity=$(npm view mdb@0.1.0 dist.integrity)

cat <<'HEAD'
# The oracles of tst_jet_oracles, written by oracle-lock.sh and fetched by oracle-setup.cmake.
# Each line: where it goes under the oracle folder, the registry tarball, its sha512 (hex), and
# for a single file the member of the tarball that becomes it. A tarball without a member
# becomes the folder (its package/ folder, as npm unpacks it).
HEAD
node - "$work/package-lock.json" "$mdb_integrity" <<'JS'
const [lockFile, mdbIntegrity] = process.argv.slice(2);
const hex = (integrity) => {
    if (!integrity.startsWith("sha512-")) throw new Error(`not a sha512 integrity: ${integrity}`);
    return Buffer.from(integrity.slice(7), "base64").toString("hex");
};
const lock = require(lockFile);
for (const [path, entry] of Object.entries(lock.packages)) {
    if (!path) continue;
    const name = path.replace(/^.*node_modules\//, "");
    const url = entry.resolved ||
        `https://registry.npmjs.org/${name}/-/${name.replace(/^@[^/]+\//, "")}-${entry.version}.tgz`;
    console.log(`${path} ${url} ${hex(entry.integrity)}`);
}
console.log(`fruit.mdb https://registry.npmjs.org/mdb/-/mdb-0.1.0.tgz ${hex(mdbIntegrity)} package/test/fruit.mdb`);
JS
