#!/usr/bin/env bash
# Checks that every program of programs.txt is there; names each missing one with its package.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

missing=()
while read -r program package _; do
    case "$program" in '' | '#'*) continue ;; esac
    command -v "$program" >/dev/null 2>&1 || missing+=("$program (package $package)")
done < "$top/scripts/programs.txt"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Missing programs, not installed by scripts/packages.txt:" >&2
    printf '    %s\n' "${missing[@]}" >&2
    exit 1
fi
