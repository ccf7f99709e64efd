#!/usr/bin/env bash
# Puts the oracles of tst_jet_oracles into DIR, as oracle.lock names them: the npm package
# mdb-reader 3 with its dependency tree in DIR/node_modules, and fruit.mdb, a Jet 4 file made by
# Access that the npm package mdb 0.1.0 ships as test/fruit.mdb.
#   oracle-setup.sh DIR
# Each registry tarball is fetched once into ${XDG_CACHE_HOME:-~/.cache}/cifrovex/npm, checked
# against its sha512 in the lock, and reused from there: once the cache holds them all, no
# network is needed. Fetching goes through CMake's libcurl (oracle-fetch.cmake), which honours
# https_proxy and no_proxy and the system's certificates; npm is not needed.
# On any fault one line says what failed and what to do; the oracle test then fails too.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
lock="$here/oracle.lock"
dir="${1:?usage: oracle-setup.sh DIR}"
cmake="${CMAKE_COMMAND:-cmake}"

die() { echo "oracle-setup: $*" >&2; exit 1; }

for tool in node mdb-export mdb-tables "$cmake" tar sha512sum; do
    command -v "$tool" >/dev/null ||
        die "'$tool' is not installed; scripts/install-deps.sh test installs what the tests need"
done
[ -n "${XDG_CACHE_HOME:-}" ] || [ -n "${HOME:-}" ] || die "neither XDG_CACHE_HOME nor HOME is set: no place for the cache"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/cifrovex/npm"

if cmp -s "$lock" "$dir/oracle.lock" 2>/dev/null; then
    echo "oracle-setup: $dir is up to date with oracle.lock"
    exit 0
fi
mkdir -p "$cache" || die "cannot make the cache folder $cache"

# The first fetch of a run gets a short time to show that the registry answers at all.
timeout=15
hint() {
    case "$1" in
        5|6) echo "the name does not resolve: connect this machine to the network, or export https_proxy if it reaches the internet through a proxy" ;;
        7|28) echo "no answer: check the network, and https_proxy / no_proxy if a proxy is in the way" ;;
        35|51|53|54|58|59|60|64|66|77|80|82|83|90|91)
            echo "the server's certificate is not trusted: if a proxy inspects HTTPS, put its CA certificate in /usr/local/share/ca-certificates and run update-ca-certificates" ;;
        22) echo "the registry or a proxy refused it: check https_proxy, or whether the registry still has it" ;;
        *) echo "check the network, https_proxy and the system's certificates" ;;
    esac
}
fetch() { # URL SHA512: into the cache, checked
    local url="$1" sha="$2" part="$cache/.$2.part.$$" status code
    status="$("$cmake" -DURL="$url" -DOUT="$part" -DTIMEOUT="$timeout" -P "$here/oracle-fetch.cmake" 2>&1 | tail -n 1)"
    timeout=120
    code="${status%% *}"
    if [ "$code" != 0 ]; then
        rm -f "$part"
        die "could not fetch $url (${status#* }): $(hint "$code"); once fetched, the files are kept in $cache and the tests run offline"
    fi
    if [ "$(sha512sum "$part" | cut -d' ' -f1)" != "$sha" ]; then
        rm -f "$part"
        die "$url differs from its sha512 in tests/jet/oracle.lock: a proxy changed it, or the registry's copy changed (tests/jet/oracle-lock.sh writes a new lock)"
    fi
    mv -f "$part" "$cache/$sha.tgz"
}

new="$dir.new.$$"
trap 'rm -rf "$new"' EXIT
mkdir -p "$new"
fetched=0
while read -r dest url sha member; do
    case "$dest" in ''|'#'*) continue ;; esac
    tarball="$cache/$sha.tgz"
    if [ ! -f "$tarball" ] || [ "$(sha512sum "$tarball" | cut -d' ' -f1)" != "$sha" ]; then
        fetch "$url" "$sha"
        fetched=$((fetched + 1))
    fi
    if [ -n "$member" ]; then
        mkdir -p "$(dirname "$new/$dest")"
        tar -xzf "$tarball" -O "$member" >"$new/$dest" || die "$tarball lacks $member"
    else
        mkdir -p "$new/$dest"
        tar -xzf "$tarball" -C "$new/$dest" --strip-components=1 --no-same-owner ||
            die "cannot unpack $tarball (from $url)"
    fi
done <"$lock"
cp "$lock" "$new/oracle.lock"
rm -rf "$dir"
mv "$new" "$dir"
echo "oracle-setup: mdb-reader $(node -p "require('$dir/node_modules/mdb-reader/package.json').version") and fruit.mdb in $dir ($fetched tarballs fetched into $cache, the others were there)"
