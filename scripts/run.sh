#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with the given files.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/setup.sh" "$top/build"
exec "$top/build/quillboard" "$@"
