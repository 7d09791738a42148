#!/usr/bin/env bash
# Installs what is missing, checks that every program the tests start is there, builds, and runs
# every test headless: once in a normal build, once with the address and undefined-behaviour
# sanitizers; then checks the include layers and the source format.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$top/scripts/install.sh"
"$top/scripts/checkprograms.sh"

# Every test keeps its temporary files below its build's tmp/ (CTest sets TMPDIR there), emptied
# here, so that what a killed run left behind goes with the next run; what goes to /tmp whatever
# TMPDIR says (the X server's lock and socket, the office's pipes) goes to a /tmp of the run's
# own. Tests, and the tools the build runs, have their own runtime folder, never the user's.
for dir in build build-asan; do
    rm -rf "${top:?}/$dir/tmp" "$top/$dir/screenshots"
    mkdir -p "$top/$dir/tmp/runtime"
    chmod 700 "$top/$dir/tmp/runtime"
done
export XDG_RUNTIME_DIR=$top/build/tmp/runtime
"$top/scripts/setup.sh" "$top/build"
"$top/scripts/setup.sh" "$top/build-asan" -DQB_SANITIZE=ON

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for dir in build build-asan; do
    echo "== tests in $dir"
    XDG_RUNTIME_DIR=$top/$dir/tmp/runtime TMPDIR=$top/$dir/tmp \
        bash "$top/tests/support/privatetmp.sh" xvfb-run -a -s "-screen 0 1920x1080x24" \
        ctest --test-dir "$top/$dir" --output-on-failure -j "$(nproc)" || status=1
done

echo "== include layers"
bash "$top/scripts/checklayers.sh" || status=1

echo "== format check"
mapfile -t sources < <(cd "$top" && git ls-files -- '*.cpp' '*.h')
if [ ${#sources[@]} -gt 0 ]; then
    (cd "$top" && clang-format --dry-run --Werror "${sources[@]}") || status=1
fi
exit $status
