#!/usr/bin/env bash
# Installs what building and testing need if it is missing (scripts/install-deps.sh test),
# configures, builds and runs every test.
#   scripts/test.sh          the default (RelWithDebInfo) build
#   scripts/test.sh asan     the same under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

scripts/install-deps.sh test
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
ctest --preset "$preset" -j"$(nproc)"
