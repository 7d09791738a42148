#!/usr/bin/env bash
# Every include of ours points down the rooms of src/README.md: a room includes only itself and
# rooms below it. Prints each include that points up or sideways; exits 1 if there is one.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
declare -A level=(
    [platform]=0 [base]=1 [drawing]=2 [items]=3 [board]=4 [canvas]=5 [pdf]=5
    [toolbar]=6 [slideshow]=6 [recording]=6 [camera]=6 [timer]=6 [online]=6
    [documents]=7 [mainwindow]=8 [app]=9 [slidebridge]=10
)
status=0
while IFS=: read -r file _ line; do
    from=${file#src/}; from=${from%%/*}
    to=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")
    [ "$to" = "$line" ] && continue
    [ "$from" = "$to" ] && continue
    if [ -z "${level[$from]+x}" ] || [ -z "${level[$to]+x}" ] ||
        [ "${level[$to]}" -ge "${level[$from]}" ]; then
        echo "$file: $line"
        status=1
    fi
done < <(cd "$top" && grep -rn --include='*.cpp' --include='*.h' '#include "' src)
exit $status
