#!/bin/bash
# Runs a command with a /tmp of its own: an empty tmpfs in a mount namespace that the command
# and its children share. What they leave there (the office's pipes, which it makes in /tmp
# whatever TMPDIR says; an X server's lock and socket) goes with the namespace, also when the
# command is killed. X clients still reach servers outside through their abstract sockets.
#
#   privatetmp.sh COMMAND [ARGS...]
#
# As root the namespace is a plain mount namespace. Otherwise it lies in a user namespace where
# the machine allows one, and the command runs there under the caller's own user and group ids.
# Where neither works, or where the command, the working folder, TMPDIR, XDG_RUNTIME_DIR or
# XAUTHORITY (xvfb-run's cookie) lies below /tmp, which the new one would hide, the command runs
# with the machine's /tmp. The exit status is the command's.
set -u

if [ "${1:-}" = --inside ]; then
    ids=$2
    shift 2
    mount -t tmpfs -o mode=1777 qbtmp /tmp && mkdir -m 1777 /tmp/.X11-unix || {
        echo "privatetmp: cannot make a /tmp of its own for $1" >&2
        exit 125
    }
    [ "$ids" = root ] && exec "$@"
    # Back to the caller's ids for the command; the mount stays behind in the outer namespace.
    exec unshare --user --map-user="${ids%:*}" --map-group="${ids#*:}" "$@"
fi
[ $# -ge 1 ] || {
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
}

program=$(command -v "$1" || echo "$1")
for path in "$program" "$PWD" "${TMPDIR:-/}" "${XDG_RUNTIME_DIR:-/}" "${XAUTHORITY:-/}"; do
    case "$(readlink -m "$path")/" in /tmp/*) exec "$@" ;; esac
done
command -v unshare >/dev/null || exec "$@"
self=$(readlink -f "$0")
if [ "$(id -u)" = 0 ] && unshare --mount true 2>/dev/null; then
    exec unshare --mount --propagation private bash "$self" --inside root "$@"
fi
if unshare --user --map-root-user --mount true 2>/dev/null; then
    exec unshare --user --map-root-user --mount bash "$self" --inside "$(id -u):$(id -g)" "$@"
fi
exec "$@"
