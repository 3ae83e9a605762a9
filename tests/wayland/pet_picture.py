#!/usr/bin/env python3
"""Judges a compositor's picture of the pet over a one-colour native window.

pet_picture.py SHOT.ppm AREA_X AREA_Y PET_X PET_Y PET_W PET_H COLOUR
The picture covers the screen from AREA_X,AREA_Y; the pet's X window was at PET_X,PET_Y, PET_W x
PET_H (read just before; a walking pet moves 3 pixels a tick, so 6 pixels of slack). COLOUR
(RRGGBB) is the native window's. Passes when the pet's pixels are there, inside its window's
rectangle and above the native window, and its window is cut to its shape: the native window
shows through inside the rectangle, around the creature. Prints the figures either way."""
import sys

path = sys.argv[1]
ax, ay, px, py, pw, ph = (int(v) for v in sys.argv[2:8])
colour = bytes.fromhex(sys.argv[8])
with open(path, "rb") as f:
    data = f.read()
parts = data.split(b"\n", 3)
width, height = (int(v) for v in parts[1].split())
pixels = parts[3]


def pixel(x, y):
    i = ((y - ay) * width + (x - ax)) * 3
    return pixels[i:i + 3]


def near(p, q, tolerance=24):
    return all(abs(a - b) <= tolerance for a, b in zip(p, q))


slack = 6
pet = []  # pixels that are not the native window's colour
for y in range(ay, ay + height):
    for x in range(ax, ax + width):
        if not near(pixel(x, y), colour):
            pet.append((x, y))
failures = []
if not pet:
    failures.append("no pet in the picture: the native window is drawn over it, or it is elsewhere")
else:
    left = min(x for x, _ in pet)
    right = max(x for x, _ in pet)
    top = min(y for _, y in pet)
    bottom = max(y for _, y in pet)
    box = (right - left + 1) * (bottom - top + 1)
    fill = len(pet) / box
    print(f"pet pixels {len(pet)} in {left},{top} .. {right},{bottom}; window {px},{py} "
          f"{pw}x{ph}; {fill:.0%} of their box")
    if left < px - slack or top < py - slack or right > px + pw + slack or bottom > py + ph + slack:
        failures.append("pet pixels outside the pet window's rectangle")
    if len(pet) < pw * ph // 3:
        failures.append("too few pet pixels: the pet is hidden in part")
    if fill > 0.92:
        failures.append("the pet fills its whole box: the window is not cut to its shape")
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
