#!/usr/bin/env python3
"""Takes a picture of an area of KWin's screen through its ScreenShot2 interface and writes it
as a binary PPM: kwin_screenshot.py X Y W H OUT.ppm. KWin answers only a program named in a
.desktop file with X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2 (the tier writes
one for this Python)."""
import os
import sys
import threading

import dbus

x, y, w, h = (int(v) for v in sys.argv[1:5])
out = sys.argv[5]
bus = dbus.SessionBus()
shot = dbus.Interface(bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                      "org.kde.KWin.ScreenShot2")
read_end, write_end = os.pipe()
chunks = []


def drain():
    while True:
        data = os.read(read_end, 1 << 16)
        if not data:
            break
        chunks.append(data)


reader = threading.Thread(target=drain)
reader.start()
meta = shot.CaptureArea(x, y, w, h, {"native-resolution": False, "include-cursor": False},
                        dbus.types.UnixFd(write_end))
os.close(write_end)
reader.join()
os.close(read_end)
data = b"".join(chunks)
width, height, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
fmt = int(meta["format"])
# In logical pixels (not the output's device pixels), as the X screen is at scale 1 and 2.
# QImage formats 4 (RGB32), 5 (ARGB32) and 6 (ARGB32 premultiplied): 32-bit words B, G, R, A.
if fmt not in (4, 5, 6):
    sys.exit(f"kwin_screenshot: unexpected image format {fmt}")
rows = []
for row in range(height):
    line = data[row * stride:row * stride + width * 4]
    rgb = bytearray(width * 3)
    rgb[0::3] = line[2::4]
    rgb[1::3] = line[1::4]
    rgb[2::3] = line[0::4]
    rows.append(bytes(rgb))
with open(out, "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (width, height))
    f.write(b"".join(rows))
