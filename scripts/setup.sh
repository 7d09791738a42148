#!/usr/bin/env bash
# Installs the Debian packages that are missing and builds into build/ (or $1 with extra CMake args).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$top/scripts/install.sh"
build_dir=${1:-$top/build}
shift || true
cmake -S "$top" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
