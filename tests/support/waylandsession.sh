#!/bin/bash
# Runs a command inside a headless Wayland session of its own: sway (output HEADLESS-1,
# 1920x1080, a solid red background), PipeWire, WirePlumber, pipewire-pulse and the desktop
# portals with the wlroots back end, all on a private session bus and a private runtime folder.
# With --desktop=gnome (or QB_WAYLAND_DESKTOP=gnome) the desktop is GNOME instead: gnome-shell
# headless on a virtual 1920x1080 monitor with its XWayland, the GNOME portal, the
# accessibility bus and a private, empty system bus; the shell has left its overview.
#
#   waylandsession.sh [--desktop=sway|gnome] COMMAND [ARGS...]
#
# Sway refuses to run as root: as root, the session runs as the unprivileged user
# "quillboardwl" in namespaces of its own, and nothing of it outlives the run, even when the
# run is killed: its processes are in a PID namespace that ends with it, the user exists only
# in that namespace's view of /etc/passwd, its /tmp is private, and folders on the way to the
# command that others cannot search (a home of 0700) are passed through searchable copies
# mounted over them there, never changed on disk.
#
# The command finds WAYLAND_DISPLAY, XDG_RUNTIME_DIR, XDG_CURRENT_DESKTOP and
# DBUS_SESSION_BUS_ADDRESS set, and outside root's namespaces the caller's TMPDIR;
# QB_SCREENSHOT_DIR, when the caller sets it, is a folder the
# session may write whose files are copied there at the end. When sway cannot start at all, the
# command still runs, with QB_WAYLAND_UNAVAILABLE holding the reason. Its exit status is the
# command's.
set -u

user=quillboardwl
step=outside
desktop=${QB_WAYLAND_DESKTOP:-sway}
case "${1:-}" in
--desktop=sway | --desktop=gnome)
    desktop=${1#--desktop=}
    shift
    ;;
--desktop=*)
    echo "$0: no such desktop: ${1#--desktop=}" >&2
    exit 2
    ;;
esac
export QB_WAYLAND_DESKTOP=$desktop
case "${1:-}" in
--namespace | --inside)
    step=${1#--}
    shift
    ;;
esac
[ $# -ge 1 ] || {
    echo "usage: $0 [--desktop=sway|gnome] COMMAND [ARGS...]" >&2
    exit 2
}
self=$(readlink -f "$0")

# The session's own environment; everything else of the caller's is left behind.
session() {
    "$@" env "PATH=/usr/local/bin:/usr/bin:/bin" "QB_WAYLAND_BASE=$base" \
        "HOME=$base/home" "LANG=${LANG:-C.UTF-8}" "QB_WAYLAND_SHARE=$base/share" \
        "QB_WAYLAND_DESKTOP=$desktop" \
        ${QB_SCREENSHOT_DIR:+"QB_SCREENSHOT_DIR=$base/share"} \
        ${ASAN_OPTIONS:+"ASAN_OPTIONS=$ASAN_OPTIONS"} \
        ${UBSAN_OPTIONS:+"UBSAN_OPTIONS=$UBSAN_OPTIONS"} \
        ${QB_WAYLAND_PASS:+"QB_WAYLAND_PASS=$QB_WAYLAND_PASS"} ${CI:+"CI=$CI"} \
        dbus-run-session -- bash "$self" --inside "${command[@]}"
}

# What the session left in the screenshots' folder it was given goes to the caller's.
keep_screenshots() {
    [ -z "${QB_SCREENSHOT_DIR:-}" ] ||
        { mkdir -p "$QB_SCREENSHOT_DIR" && cp -r "$base/share/." "$QB_SCREENSHOT_DIR/"; }
}

# Programs missing on the way in fail the run at once, named.
need() {
    local missing=()
    for program in "$@"; do
        command -v "$program" >/dev/null 2>&1 || missing+=("$program")
    done
    [ ${#missing[@]} = 0 ] && return 0
    echo "waylandsession: missing programs: ${missing[*]} (scripts/programs.txt names their packages)" >&2
    return 1
}

if [ "$step" = outside ]; then
    command=("$@")
    need dbus-run-session setpriv unshare mountpoint || exit 127
    if [ "$(id -u)" = 0 ]; then
        mountpoint -q / || {
            echo "waylandsession: / is no mount point (a chroot?), so no mount of the session could be kept to it: mount the root folder on itself first" >&2
            exit 1
        }
        # --kill-child: when this process is killed, the namespace's first process is too, and
        # the kernel ends every other process in it.
        exec unshare --mount --propagation private --pid --fork --kill-child --mount-proc \
            bash "$self" --namespace "$@"
    fi
    base=$(mktemp -d "${TMPDIR:-/tmp}/qbwayland.XXXXXX") || exit 1
    trap 'rm -rf "$base"' EXIT
    mkdir -p "$base/share"
    session env -i "PATH=$PATH" ${TMPDIR:+"TMPDIR=$TMPDIR"}
    status=$?
    keep_screenshots
    exit $status
fi

if [ "$step" = namespace ]; then
    # Root in a mount namespace of its own: whatever is mounted here goes with the run.
    command=("$@")
    # Folders on the way to the command, to this script and to the screenshots' folder that
    # others cannot search, and
    # /tmp, are each covered by a searchable copy holding just the entries on the way, the
    # originals' entries mounted in. A copy is made aside (in /dev/shm, for a moment) and
    # moved over its folder, as the folder itself hides the original once covered.
    declare -A entries
    plan() {
        local folder=/ rest=${1#/} part
        while [ -n "$rest" ]; do
            part=${rest%%/*}
            if [ "$part" = "$rest" ]; then rest=; else rest=${rest#*/}; fi
            if [ "$folder" = /tmp ] || [ $((0$(stat -c %a "$folder") & 1)) = 0 ]; then
                case $'\n'"${entries[$folder]:-}" in
                *$'\n'"$part"$'\n'*) ;;
                *) entries[$folder]+="$part"$'\n' ;;
                esac
            fi
            folder=${folder%/}/$part
        done
    }
    cover() {
        local folder=$1 copy mode owner size entry
        mode=$(stat -c %a "$folder")
        owner=$(stat -c 'uid=%u,gid=%g' "$folder")
        # The session's /tmp takes what the tests record; the others only hold mount points.
        [ "$folder" = /tmp ] && size=50% || size=1m
        copy=$(mktemp -d /dev/shm/qbwayland.XXXXXX) || return 1
        mount -t tmpfs -o "mode=$(printf '%o' $((0$mode | 011))),$owner,size=$size" qbwayland \
            "$copy" || { rmdir "$copy"; return 1; }
        while IFS= read -r entry; do
            [ -n "$entry" ] || continue
            mkdir "$copy/$entry" && mount --rbind "$folder/$entry" "$copy/$entry" || return 1
        done <<<"${entries[$folder]}"
        mount --move "$copy" "$folder" && rmdir "$copy"
    }
    program=$(command -v "$1" || echo "$1")
    plan "$(dirname "$(readlink -f "$program")")"
    plan "$(dirname "$self")"
    # The screenshots' folder, for the copy at the end.
    if [ -n "${QB_SCREENSHOT_DIR:-}" ]; then
        mkdir -p "$QB_SCREENSHOT_DIR" && plan "$(readlink -f "$QB_SCREENSHOT_DIR")" || exit 1
    fi
    entries[/tmp]+=
    # Outer folders first: an inner one is then reached through its outer copy.
    while IFS= read -r folder; do
        cover "$folder" || {
            echo "waylandsession: cannot pass $folder through to the session" >&2
            exit 1
        }
    done < <(for f in "${!entries[@]}"; do
        n=${f//[^\/]/}
        echo "${#n} $f"
    done | sort -n | cut -d' ' -f2-)
    # X servers' sockets, as a system has them (mutter will not make the folder).
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix || exit 1
    base=$(mktemp -d /tmp/qbwayland.XXXXXX) && chmod 755 "$base" || exit 1
    # The session user, for this namespace only.
    if ! id "$user" >/dev/null 2>&1; then
        uid=64000
        while getent passwd "$uid" >/dev/null || getent group "$uid" >/dev/null; do
            uid=$((uid + 1))
        done
        cp /etc/passwd "$base/passwd" && cp /etc/group "$base/group" &&
            echo "$user:x:$uid:$uid:Quillboard test session:/nonexistent:/bin/false" \
                >>"$base/passwd" &&
            echo "$user:x:$uid:" >>"$base/group" &&
            mount --bind "$base/passwd" /etc/passwd && mount --bind "$base/group" /etc/group || {
            echo "waylandsession: cannot make the user $user" >&2
            exit 1
        }
    fi
    mkdir -p "$base/share" && chown "$user": "$base" "$base/share" || exit 1
    session setpriv --reuid="$user" --regid="$user" --init-groups --reset-env --
    status=$?
    keep_screenshots
    exit $status
fi

# Inside: the session user on the session's own bus.
base=$QB_WAYLAND_BASE
export XDG_RUNTIME_DIR=$base/run XDG_CONFIG_HOME=$base/config XDG_DATA_HOME=$base/data
export XDG_CACHE_HOME=$base/cache XDG_STATE_HOME=$base/state
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" \
    "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_SESSION_TYPE=wayland
# Any pass-through settings of the caller (NAME=VALUE pairs separated by spaces).
for pair in ${QB_WAYLAND_PASS:-}; do export "${pair?}"; done
helper=$(dirname "$self")/gnomedesktop.py

if [ "$desktop" = gnome ]; then
    programs=(gnome-shell dbus-daemon python3 /usr/libexec/at-spi-bus-launcher
        /usr/libexec/xdg-desktop-portal-gnome
        /usr/libexec/xdg-desktop-portal)
else
    programs=(sway swaybg swaymsg Xwayland pgrep)
fi
if ! missing=$(need pipewire wireplumber pipewire-pulse dbus-update-activation-environment \
    "${programs[@]}" 2>&1); then
    export QB_WAYLAND_UNAVAILABLE=${missing#waylandsession: }
    "$@"
    exit $?
fi

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

# Waits up to tenths tenths of a second for a condition; false when it did not come.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# The command without its desktop, told why.
unavailable() {
    export QB_WAYLAND_UNAVAILABLE=$1
    unset WAYLAND_DISPLAY DISPLAY
    "${command[@]}"
    exit $?
}
command=("$@")

# The first Wayland socket of the session's runtime folder, while process pid lives.
wayland_socket() {
    local pid=$1 s
    for _ in $(seq 100); do
        for s in "$XDG_RUNTIME_DIR"/wayland-*; do
            [ -S "$s" ] && basename "$s" && return 0
        done
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

start_sway() {
    mkdir -p "$XDG_CONFIG_HOME/sway" "$XDG_CONFIG_HOME/xdg-desktop-portal-wlr"
    cat >"$XDG_CONFIG_HOME/sway/config" <<'CONFIG'
output HEADLESS-1 resolution 1920x1080 position 0 0 bg #ff0000 solid_color
default_border none
focus_follows_mouse no
for_window [title=".*"] floating enable
xwayland enable
CONFIG
    printf '[screencast]\nchooser_type=none\noutput_name=HEADLESS-1\nmax_fps=60\n' \
        >"$XDG_CONFIG_HOME/xdg-desktop-portal-wlr/config"
    export XDG_CURRENT_DESKTOP=sway
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -d \
        >>"$base/sway.log" 2>&1 &
    pids+=($!)
    local display
    display=$(wayland_socket "${pids[-1]}") || unavailable \
        "sway did not start in 10 s: $(grep -m3 -i -e error -e fail "$base/sway.log" | tr '\n' ' ')"
    export WAYLAND_DISPLAY=$display
    # Sway's XWayland and its DISPLAY: the program runs on the xcb platform as it does on a
    # desktop.
    dbus-update-activation-environment WAYLAND_DISPLAY XDG_RUNTIME_DIR XDG_CURRENT_DESKTOP \
        XDG_SESSION_TYPE XDG_CONFIG_HOME XDG_DATA_HOME HOME >>"$log" 2>&1
    # swaybg draws the background a moment after the output appears.
    wait_for 50 pgrep -u "$(id -u)" -x swaybg >/dev/null ||
        echo "waylandsession: swaybg did not start in 5 s" >&2
    sleep 0.5
    # Sway sets DISPLAY for its own children only: ask a child for it.
    swaysock=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)
    export SWAYSOCK=$swaysock
    local envfile=$base/display
    swaymsg exec "echo \$DISPLAY > $envfile" >/dev/null 2>&1
    wait_for 50 test -s "$envfile" ||
        echo "waylandsession: sway's XWayland display did not come in 5 s" >&2
    DISPLAY=$(cat "$envfile" 2>/dev/null)
    export DISPLAY
}

start_gnome() {
    # gnome-shell dies at its start without a system bus where the machine has seats: a private,
    # empty one.
    cat >"$base/system-bus.conf" <<CONFIG
<busconfig>
  <type>system</type>
  <listen>unix:path=$base/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONFIG
    dbus-daemon --config-file="$base/system-bus.conf" --nofork --nopidfile >>"$log" 2>&1 &
    pids+=($!)
    wait_for 50 test -S "$base/system-bus" || unavailable "the private system bus did not start"
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$base/system-bus
    export XDG_CURRENT_DESKTOP=GNOME
    gnome-shell --headless --virtual-monitor 1920x1080 >>"$base/gnome-shell.log" 2>&1 &
    pids+=($!)
    local display auth xdisplay
    display=$(wayland_socket "${pids[-1]}") || unavailable "gnome-shell did not start in 10 s: \
$(grep -m3 -i -e error -e fail "$base/gnome-shell.log" | tr '\n' ' ')"
    export WAYLAND_DISPLAY=$display
    # Mutter's XWayland: its cookie in the runtime folder, its display the one whose lock names
    # the shell.
    local shell=${pids[-1]}
    xwayland() {
        auth=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
        xdisplay=$(grep -l -x " *$shell" /tmp/.X*-lock 2>/dev/null |
            sed -n 's/^.*X\([0-9]*\)-lock$/\1/p' | head -1)
        [ -n "$auth" ] && [ -n "$xdisplay" ]
    }
    wait_for 50 xwayland || unavailable "gnome-shell made no XWayland in 5 s"
    export XAUTHORITY=$auth DISPLAY=:$xdisplay
    # The portal restarted by D-Bus must find the display too.
    dbus-update-activation-environment XDG_RUNTIME_DIR WAYLAND_DISPLAY DISPLAY XAUTHORITY \
        XDG_CURRENT_DESKTOP XDG_SESSION_TYPE XDG_CONFIG_HOME XDG_DATA_HOME HOME \
        DBUS_SYSTEM_BUS_ADDRESS >>"$log" 2>&1
    /usr/libexec/xdg-desktop-portal-gnome >>"$base/portal.log" 2>&1 &
    pids+=($!)
    python3 "$helper" wait-name org.freedesktop.impl.portal.desktop.gnome 10 >>"$log" 2>&1 ||
        unavailable "xdg-desktop-portal-gnome did not start in 10 s"
    /usr/libexec/xdg-desktop-portal >>"$base/portal.log" 2>&1 &
    pids+=($!)
    python3 "$helper" wait-name org.freedesktop.portal.Desktop 10 >>"$log" 2>&1 ||
        unavailable "xdg-desktop-portal did not start in 10 s"
    python3 "$helper" escape >>"$log" 2>&1 || unavailable "the shell did not leave its overview"
}

pipewire >>"$log" 2>&1 &
pids+=($!)
wait_for 50 test -S "$XDG_RUNTIME_DIR/pipewire-0" ||
    echo "waylandsession: pipewire did not make its socket in 5 s" >&2
wireplumber >>"$log" 2>&1 &
pids+=($!)
pipewire-pulse >>"$log" 2>&1 &
pids+=($!)

"start_$desktop"
unset QT_QPA_PLATFORM
"$@"
