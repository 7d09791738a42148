#!/bin/bash
# Runs a command inside a headless Wayland session of its own: sway (output HEADLESS-1,
# 1920x1080, a solid red background), PipeWire, WirePlumber, pipewire-pulse and the desktop
# portals with the wlroots back end, all on a private session bus and a private runtime folder.
# Sway refuses to run as root: as root, the whole session runs as the unprivileged user
# "quillboardwl", made here when missing. Everything started here ends with the command.
#
#   waylandsession.sh COMMAND [ARGS...]
#
# The command finds WAYLAND_DISPLAY, XDG_RUNTIME_DIR, XDG_CURRENT_DESKTOP and
# DBUS_SESSION_BUS_ADDRESS set. When sway cannot start at all, the command still runs, with
# QB_WAYLAND_UNAVAILABLE holding the reason, so that a test can skip and say why.
# Its exit status is the command's.
set -u

user=quillboardwl
if [ "${1:-}" = "--inside" ]; then
    shift
    inside=1
else
    inside=0
fi

if [ "$inside" = 0 ]; then
    [ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
    base=$(mktemp -d /tmp/qbwayland.XXXXXX) || exit 1
    chmod 755 "$base"
    trap 'rm -rf "$base"' EXIT
    if [ "$(id -u)" = 0 ]; then
        id "$user" >/dev/null 2>&1 ||
            useradd --system --no-create-home --home-dir /nonexistent --shell /bin/false \
                "$user" 2>/dev/null || id "$user" >/dev/null 2>&1 || {
                echo "cannot make the user $user" >&2; exit 1; }
        chown "$user": "$base"
        # The command's own files stay where the caller put them: the caller hands over a
        # folder the session user may write (QB_WAYLAND_SHARE), made here.
        mkdir -p "$base/share" && chown "$user": "$base/share"
        runner=(setpriv --reuid="$user" --regid="$user" --init-groups --reset-env --)
        # The command and its build folder must be reachable by that user: folders on the way
        # without search permission for others (a home of 0700) get it for the run.
        opened=()
        dir=$(dirname "$(readlink -f "$(command -v "$1" || echo "$1")")")
        while [ "$dir" != / ]; do
            if [ -d "$dir" ] && [ "$(( 0$(stat -c %a "$dir") & 1 ))" = 0 ]; then
                chmod o+x "$dir" && opened+=("$dir")
            fi
            dir=$(dirname "$dir")
        done
        trap 'for d in "${opened[@]}"; do chmod o-x "$d"; done; rm -rf "$base"' EXIT
    else
        mkdir -p "$base/share"
        runner=(env -i "PATH=$PATH" "HOME=$base/home")
    fi
    "${runner[@]}" env "PATH=/usr/local/bin:/usr/bin:/bin" "QB_WAYLAND_BASE=$base" \
        "HOME=$base/home" "LANG=${LANG:-C.UTF-8}" "QB_WAYLAND_SHARE=$base/share" \
        ${ASAN_OPTIONS:+"ASAN_OPTIONS=$ASAN_OPTIONS"} \
        ${QB_WAYLAND_PASS:+"QB_WAYLAND_PASS=$QB_WAYLAND_PASS"} \
        dbus-run-session -- bash "$(readlink -f "$0")" --inside "$@"
    exit $?
fi

# Inside: the session user on the session's own bus.
base=$QB_WAYLAND_BASE
export XDG_RUNTIME_DIR=$base/run XDG_CONFIG_HOME=$base/config XDG_DATA_HOME=$base/data
export XDG_CACHE_HOME=$base/cache XDG_STATE_HOME=$base/state
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/sway" "$XDG_CONFIG_HOME/xdg-desktop-portal-wlr" \
    "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/sway/config" <<'EOF'
output HEADLESS-1 resolution 1920x1080 position 0 0 bg #ff0000 solid_color
default_border none
focus_follows_mouse no
for_window [title=".*"] floating enable
xwayland enable
EOF
printf '[screencast]\nchooser_type=none\noutput_name=HEADLESS-1\nmax_fps=60\n' \
    >"$XDG_CONFIG_HOME/xdg-desktop-portal-wlr/config"
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
# Any pass-through settings of the caller (NAME=VALUE pairs separated by spaces).
for pair in ${QB_WAYLAND_PASS:-}; do export "${pair?}"; done

pids=()
log=$base/session.log
finish() {
    local status=$?
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null; done
    sleep 0.3
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -9 "${pids[$i]}" 2>/dev/null; done
    exit $status
}
trap finish EXIT INT TERM

pipewire >>"$log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
wireplumber >>"$log" 2>&1 &
pids+=($!)
pipewire-pulse >>"$log" 2>&1 &
pids+=($!)

WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -d >>"$base/sway.log" 2>&1 &
pids+=($!)
display=
for _ in $(seq 100); do
    for s in "$XDG_RUNTIME_DIR"/wayland-*; do
        [ -S "$s" ] && display=$(basename "$s") && break 2
    done
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$display" ]; then
    export QB_WAYLAND_UNAVAILABLE="sway did not start: $(grep -m3 -i -e error -e fail "$base/sway.log" | tr '\n' ' ')"
    unset WAYLAND_DISPLAY
    "$@"
    exit $?
fi
export WAYLAND_DISPLAY=$display
# Sway's XWayland and its DISPLAY: the program runs on the xcb platform as it does on a desktop.
dbus-update-activation-environment WAYLAND_DISPLAY XDG_RUNTIME_DIR XDG_CURRENT_DESKTOP \
    XDG_SESSION_TYPE XDG_CONFIG_HOME XDG_DATA_HOME HOME >>"$log" 2>&1
# swaybg draws the background a moment after the output appears.
for _ in $(seq 50); do
    pgrep -u "$(id -u)" -x swaybg >/dev/null && break
    sleep 0.1
done
sleep 0.5
# Sway sets DISPLAY for its own children only: ask a child for it.
swaysock=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)
export SWAYSOCK=$swaysock
envfile=$base/display
swaymsg exec "echo \$DISPLAY > $envfile" >/dev/null 2>&1
for _ in $(seq 50); do [ -s "$envfile" ] && break; sleep 0.1; done
DISPLAY=$(cat "$envfile" 2>/dev/null)
export DISPLAY
unset QT_QPA_PLATFORM
"$@"
