#!/usr/bin/env python3
"""Moves GNOME Shell's pointer through mutter's RemoteDesktop API, for the Wayland tier.

One session on one connection for the whole run (a session is lost with its connection).
Commands on standard input, one a line; each answers one line:
  move X Y    the pointer to X,Y: a relative jump far to the bottom right (clamped to the
              screen's corner), then a relative move from there ("moved X Y")
  escape      the Escape key (closes the overview the shell opens at start)
  dblclick    a double-click of the left button where the pointer is
  button B S  presses (S "down") or releases (S "up") the button B ("left" or "right")
Absolute motion would need a screen cast stream and PipeWire; relative motion needs neither."""
import sys
import time

import dbus

bus = dbus.SessionBus()
desktop = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop",
                                        "/org/gnome/Mutter/RemoteDesktop"),
                         "org.gnome.Mutter.RemoteDesktop")
path = desktop.CreateSession()
session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                         "org.gnome.Mutter.RemoteDesktop.Session")
session.Start()
width, height = int(sys.argv[1]), int(sys.argv[2])
print("ready", flush=True)
for line in sys.stdin:
    words = line.split()
    if not words:
        continue
    if words[0] == "move":
        x, y = float(words[1]), float(words[2])
        session.NotifyPointerMotionRelative(dbus.Double(4 * width), dbus.Double(4 * height))
        session.NotifyPointerMotionRelative(dbus.Double(x - (width - 1)),
                                            dbus.Double(y - (height - 1)))
        time.sleep(0.05)
        print("moved", words[1], words[2], flush=True)
    elif words[0] == "escape":
        session.NotifyKeyboardKeysym(dbus.UInt32(0xff1b), True)
        session.NotifyKeyboardKeysym(dbus.UInt32(0xff1b), False)
        print("escaped", flush=True)
    elif words[0] == "dblclick":
        for pressed in (True, False, True, False):
            session.NotifyPointerButton(dbus.Int32(0x110), pressed)
            time.sleep(0.03)
        print("clicked", flush=True)
    elif words[0] == "button":
        session.NotifyPointerButton(dbus.Int32(0x110 if words[1] == "left" else 0x111),
                                    words[2] == "down")
        print("button", words[1], words[2], flush=True)
    elif words[0] == "quit":
        break
session.Stop()
