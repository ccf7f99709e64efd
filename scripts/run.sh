#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the shipped question bank.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target cifrovex
cd build/default
exec ./cifrovex
