#!/usr/bin/env bash
# Runs the editor's acceptance tests: the real cifrovex-editor and cifrovex on a private X server
# and D-Bus session, read over AT-SPI and driven with xdotool, set up as run.sh does for the
# program (the editor's window wants a larger screen).
#   editor_run.sh <path to cifrovex-editor> <path to cifrovex> <path to the shipped data.cvx> [tests...]
ACCEPTANCE_DRIVER=editor_acceptance.py ACCEPTANCE_FILES=3 ACCEPTANCE_SCREEN=1366x900x24 \
    exec "$(dirname "$0")/run.sh" "$@"
