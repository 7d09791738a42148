#!/usr/bin/python3
# What the tests do to the GNOME desktop of tests/support/waylandsession.sh, from outside our
# program:
#
#   gnomedesktop.py wait-name NAME SECONDS   waits for a name on the session bus
#   gnomedesktop.py escape                   presses Escape once (the shell starts in its overview)
#   gnomedesktop.py share SECONDS            answers every "Screen Share" dialog of the desktop's
#                                            portal with its first screen, printing "shared" for
#                                            each, until SECONDS pass or it is ended
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

KEY_ESCAPE = 0xFF1B


def call(bus, name, path, interface, method, arguments=None, reply=None):
    return bus.call_sync(name, path, interface, method, arguments,
                         GLib.VariantType(reply) if reply else None,
                         Gio.DBusCallFlags.NONE, 5000, None)


def wait_name(name, seconds):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        owned = call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                     "org.freedesktop.DBus", "NameHasOwner", GLib.Variant("(s)", (name,)), "(b)")
        if owned.unpack()[0]:
            return 0
        time.sleep(0.1)
    print(f"gnomedesktop: {name} did not come in {seconds} s", file=sys.stderr)
    return 1


# Mutter takes keys from a remote-desktop session, which starts only with a screen cast linked to
# it; both end at once.
def escape():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    mutter = "org.gnome.Mutter.RemoteDesktop"
    path = call(bus, mutter, "/org/gnome/Mutter/RemoteDesktop", mutter, "CreateSession",
                None, "(o)").unpack()[0]
    session = mutter + ".Session"
    session_id = call(bus, mutter, path, "org.freedesktop.DBus.Properties", "Get",
                      GLib.Variant("(ss)", (session, "SessionId")), "(v)").unpack()[0]
    call(bus, "org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast",
         "org.gnome.Mutter.ScreenCast", "CreateSession",
         GLib.Variant("(a{sv})", ({"remote-desktop-session-id": GLib.Variant("s", session_id)},)),
         "(o)")
    call(bus, mutter, path, session, "Start")
    for pressed in (True, False):
        call(bus, mutter, path, session, "NotifyKeyboardKeysym",
             GLib.Variant("(ub)", (KEY_ESCAPE, pressed)))
    time.sleep(0.5)
    call(bus, mutter, path, session, "Stop")
    return 0


def descendants(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    for i in range(node.get_child_count()):
        yield from descendants(node.get_child_at_index(i), depth + 1)


def share_dialog():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_name() != "xdg-desktop-portal-gnome":
            continue
        for child in range(app.get_child_count()):
            frame = app.get_child_at_index(child)
            if frame is not None and frame.get_name() == "Screen Share":
                return frame
    return None


# Selects the dialog's first screen and presses "Share"; false when the dialog is not ready yet.
def answer(dialog):
    nodes = list(descendants(dialog))
    lists = [n for n in nodes if n.get_role() in (Atspi.Role.LIST, Atspi.Role.LIST_BOX)
             and n.get_selection_iface() is not None and n.get_child_count() > 0]
    # The button's name holds its mnemonic too: "_Share Share".
    buttons = [n for n in nodes if n.get_role() == Atspi.Role.PUSH_BUTTON
               and "Share" in n.get_name().split()]
    if not lists or not buttons:
        return False
    lists[0].get_selection_iface().select_child(0)
    time.sleep(0.2)
    action = buttons[0].get_action_iface()
    for index in range(action.get_n_actions()):
        if action.get_action_name(index) == "click":
            return action.do_action(index)
    return False


def share(seconds):
    Atspi.init()
    deadline = time.monotonic() + seconds
    answered = None
    while time.monotonic() < deadline:
        try:
            dialog = share_dialog()
            if dialog is not None and dialog != answered and answer(dialog):
                answered = dialog
                print("shared", flush=True)
            elif dialog is None:
                answered = None
        except GLib.Error:
            pass  # the dialog went while it was read
        time.sleep(0.2)
    return 0


def main(argv):
    if len(argv) == 4 and argv[1] == "wait-name":
        return wait_name(argv[2], float(argv[3]))
    if len(argv) == 2 and argv[1] == "escape":
        return escape()
    if len(argv) == 3 and argv[1] == "share":
        return share(float(argv[2]))
    print("usage: see the head of " + argv[0], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
