#!/usr/bin/env bash
# Installs what building and running the program need if it is missing (scripts/install-deps.sh
# run), builds the program and its question bank, and starts the program in the build folder,
# where the shipped data.cvx lies (the program reads the bank from its current directory).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh run
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target cifrovex cifrovex_bank_data
cd build/default
exec ./cifrovex
