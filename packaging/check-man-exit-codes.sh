#!/usr/bin/env bash
# The exit codes in the man page are the ones the tool's --help gives, word for word:
#   check-man-exit-codes.sh path/to/cifrovex-bank packaging/cifrovex-bank.1
set -euo pipefail
tool="$1"
page="$2"

from_help="$("$tool" --help | sed -n '/^Коды завершения:/,$p' | sed -n 's/^  \([0-9]\)  /\1 /p')"
from_page="$(sed -n '/^\.SH КОДЫ ЗАВЕРШЕНИЯ/,/^\.SH /p' "$page" |
    awk '/^\.B [0-9]+$/ { code = $2; next } code != "" && !/^\./ { print code " " $0; code = "" }' |
    sed 's/\\(em/—/g')"

if [ -z "$from_help" ] || [ "$from_help" != "$from_page" ]; then
    echo "--help says:"
    echo "$from_help"
    echo "the man page says:"
    echo "$from_page"
    exit 1
fi
echo "exit codes agree: $(wc -l <<<"$from_help")"
