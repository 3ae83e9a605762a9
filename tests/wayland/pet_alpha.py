#!/usr/bin/env python3
"""How opaque a compositor shows the pet: pet_alpha.py OPAQUE.ppm SHOT.ppm COLOUR.

Both pictures are of the same area: OPAQUE with the pet fully shown, SHOT at some moment of a
fade, over a native window of one colour COLOUR (RRGGBB). Prints the pet's opacity in SHOT, 0.00
(gone) to 1.00 (as in OPAQUE): the median over the pet's pixels (those of OPAQUE far from the
native colour) of where SHOT's pixel lies between the native colour and OPAQUE's."""
import statistics
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        parts = f.read().split(b"\n", 3)
    width, height = (int(v) for v in parts[1].split())
    return width, height, parts[3]


opaque = read_ppm(sys.argv[1])
shot = read_ppm(sys.argv[2])
native = bytes.fromhex(sys.argv[3])
if opaque[:2] != shot[:2]:
    sys.exit("the pictures differ in size")
alphas = []
for i in range(0, opaque[0] * opaque[1] * 3, 3):
    # The channel in which the pet's pixel is farthest from the native colour.
    c = max(range(3), key=lambda k: abs(opaque[2][i + k] - native[k]))
    spread = opaque[2][i + c] - native[c]
    if abs(spread) >= 60:
        alphas.append((shot[2][i + c] - native[c]) / spread)
if not alphas:
    sys.exit("no pet in the opaque picture")
print(f"{min(max(statistics.median(alphas), 0.0), 1.0) + 0.0:.2f}")
