#!/usr/bin/env python3
"""Draws the 40 built-in pendant pictures into assets/pendants/pendant_NN.png.

Every picture is a 120 x 92 palette PNG whose total file size is fixed: parts
written with a built-in pendant reserve exactly that many bytes for it, so the
sizes below must never change.  The script draws each picture, compresses it,
and pads the file to its size with a single tEXt "Comment" chunk.

Only the Python standard library is used, and all randomness comes from
random.Random seeded with the pendant id, so a run always draws the same
pictures.

Usage: make_pendants.py [--out DIR] [--check]
  --check  compare freshly drawn files with the ones in DIR instead of writing.
"""

import argparse
import math
import os
import random
import struct
import sys
import zlib

W, H = 120, 92

# File size of every built-in pendant, by id.
SIZES = {
    10: 10525, 11: 10536, 12: 10512, 13: 10307, 14: 10031,
    20: 10859, 21: 9820, 22: 10566, 23: 10598, 24: 9976,
    30: 9715, 31: 10126, 32: 9883, 33: 9918, 34: 10065,
    40: 10314, 41: 10584, 42: 9729, 43: 9399, 44: 10559,
    50: 10150, 51: 10675, 52: 10090, 53: 10358, 54: 9451,
    60: 8813, 61: 10193, 62: 10039, 63: 9510, 64: 10504,
    70: 9682, 71: 8408, 72: 10699, 73: 10325, 74: 9158,
    80: 10637, 81: 11087, 82: 10332, 83: 9892, 84: 10466,
}


# ---------------------------------------------------------------------------
# Drawing
# ---------------------------------------------------------------------------

def lerp(c0, c1, t):
    t = min(1.0, max(0.0, t))
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c0, c1))


def ramp(stops, t):
    """Colour at t in [0, 1] along evenly spaced colour stops."""
    t = min(1.0, max(0.0, t))
    seg = t * (len(stops) - 1)
    i = min(int(seg), len(stops) - 2)
    return lerp(stops[i], stops[i + 1], seg - i)


class Canvas:
    """A W x H grid of RGB tuples; the palette is built when encoding.

    Pixels start as None so that encode() can catch any a drawing forgot."""

    def __init__(self, color=None):
        self.px = [[color] * W for _ in range(H)]

    def set(self, x, y, color):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = color(x, y) if callable(color) else color

    def get(self, x, y):
        return self.px[y][x]

    def region(self, box, inside, color):
        """Paints pixels of box whose centre satisfies inside(x, y)."""
        x0, y0, x1, y1 = box
        for y in range(max(0, int(math.floor(y0))), min(H, int(math.ceil(y1)) + 1)):
            for x in range(max(0, int(math.floor(x0))), min(W, int(math.ceil(x1)) + 1)):
                if inside(x + 0.5, y + 0.5):
                    self.set(x, y, color)

    def rect(self, x0, y0, x1, y1, color):
        """Fills [x0, x1) x [y0, y1)."""
        for y in range(max(0, int(y0)), min(H, int(y1))):
            for x in range(max(0, int(x0)), min(W, int(x1))):
                self.set(x, y, color)

    def vgradient(self, y0, y1, stops, steps, x0=0, x1=W):
        """Vertical gradient in `steps` flat bands (few colours, compresses well)."""
        span = max(1, y1 - y0)
        for y in range(max(0, y0), min(H, y1)):
            band = min(steps - 1, (y - y0) * steps // span)
            c = ramp(stops, band / max(1, steps - 1))
            for x in range(max(0, x0), min(W, x1)):
                self.px[y][x] = c

    def circle(self, cx, cy, r, color):
        rr = r * r
        self.region((cx - r, cy - r, cx + r, cy + r),
                    lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= rr, color)

    def ellipse(self, cx, cy, rx, ry, color, angle=0.0):
        ca, sa = math.cos(angle), math.sin(angle)
        r = max(rx, ry)

        def inside(x, y):
            dx, dy = x - cx, y - cy
            u, v = dx * ca + dy * sa, -dx * sa + dy * ca
            return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0

        self.region((cx - r, cy - r, cx + r, cy + r), inside, color)

    def ring(self, cx, cy, r0, r1, color):
        self.region((cx - r1, cy - r1, cx + r1, cy + r1),
                    lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1, color)

    def polygon(self, pts, color):
        """Even-odd scanline fill sampled at pixel centres."""
        ys = [p[1] for p in pts]
        n = len(pts)
        for y in range(max(0, int(min(ys))), min(H, int(math.ceil(max(ys))) + 1)):
            yc = y + 0.5
            xs = []
            for i in range(n):
                (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
                if (ay <= yc < by) or (by <= yc < ay):
                    xs.append(ax + (yc - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(max(0, int(math.ceil(a - 0.5))), min(W, int(math.ceil(b - 0.5)))):
                    self.set(x, y, color)

    def line(self, x0, y0, x1, y1, color, width=1.0):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            if width <= 1.0:
                self.set(int(math.floor(x)), int(math.floor(y)), color)
            else:
                self.circle(x, y, width / 2, color)

    def hill(self, top, color, x0=0, x1=W):
        """Fills each column from top(x) down to the bottom edge."""
        for x in range(max(0, x0), min(W, x1)):
            t = top(x + 0.5)
            for y in range(max(0, int(round(t))), H):
                self.set(x, y, color)

    def blade(self, x0, y0, angle, length, width, color):
        """A leaf or petal: a pointed shape from (x0, y0) along angle."""
        ca, sa = math.cos(angle), math.sin(angle)
        mx, my = x0 + ca * length * 0.5, y0 + sa * length * 0.5
        self.polygon([(x0, y0), (mx - sa * width / 2, my + ca * width / 2),
                      (x0 + ca * length, y0 + sa * length),
                      (mx + sa * width / 2, my - ca * width / 2)], color)

    def bar(self, x0, y0, angle, length, width, color):
        """A rectangle of the given width from (x0, y0) along angle."""
        ca, sa = math.cos(angle), math.sin(angle)
        nx, ny = -sa * width / 2, ca * width / 2
        x1, y1 = x0 + ca * length, y0 + sa * length
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                      (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], color)


# Reusable scenery --------------------------------------------------------

def cloud(c, x, y, s, color=(250, 250, 252)):
    for dx, dy, r in ((0, 0, 5), (6, -3, 6), (12, 0, 5), (6, 2, 5), (-4, 2, 3.5), (16, 2, 3.5)):
        c.circle(x + dx * s, y + dy * s, r * s, color)


def sun(c, x, y, r, color, rays=None, ray_len=5):
    if rays:
        for k in range(12):
            a = k * math.pi / 6
            c.blade(x + math.cos(a) * (r + 1.5), y + math.sin(a) * (r + 1.5), a, ray_len, 3, rays)
    c.circle(x, y, r, color)


def round_tree(c, x, ground, h, r, leaf, trunk=(110, 74, 44)):
    c.rect(x - 1, ground - h, x + 2, ground, trunk)
    c.circle(x + 0.5, ground - h - r * 0.6, r, leaf)


def pine(c, x, ground, h, color, trunk=(92, 62, 40), snow=None):
    c.rect(x - 1, ground - 3, x + 1, ground, trunk)
    w = h * 0.45
    for k in range(3):
        top = ground - h + k * h * 0.25
        bottom = ground - 2 - (2 - k) * h * 0.12
        half = w * (0.55 + 0.22 * k)
        c.polygon([(x, top), (x + half, bottom), (x - half, bottom)], color)
        if snow:
            c.polygon([(x, top), (x + half * 0.35, top + (bottom - top) * 0.35),
                       (x - half * 0.35, top + (bottom - top) * 0.35)], snow)


def stars(c, rnd, n, y_max, colors=((255, 255, 255), (255, 244, 200), (200, 214, 255))):
    for _ in range(n):
        x, y = rnd.randrange(W), rnd.randrange(int(y_max))
        col = rnd.choice(colors)
        c.set(x, y, col)
        if rnd.random() < 0.15:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                c.set(x + dx, y + dy, lerp(col, c.get(min(W - 1, max(0, x + dx)), min(H - 1, max(0, y + dy))), 0.5))


def sea(c, y0, y1, stops, rnd, streak, n=40):
    c.vgradient(y0, y1, stops, 6)
    for _ in range(n):
        y = rnd.randrange(y0 + 1, y1)
        x = rnd.randrange(-4, W)
        ln = 3 + int((y - y0) / (y1 - y0) * 8)
        c.rect(x, y, x + ln, y + 1, streak)


def sine_top(base, parts):
    """A hill outline: base height plus a sum of (amplitude, period, phase) waves."""
    return lambda x: base + sum(a * math.sin(2 * math.pi * x / p + ph) for a, p, ph in parts)


# ---------------------------------------------------------------------------
# Series 1x: hills and mountains by day
# ---------------------------------------------------------------------------

def p10(c, rnd):  # meadow under a summer sun
    c.vgradient(0, 64, [(96, 160, 228), (196, 228, 250)], 10)
    sun(c, 96, 18, 9, (255, 226, 92), rays=(255, 238, 150))
    cloud(c, 14, 20, 1.0)
    cloud(c, 52, 12, 0.8)
    c.hill(sine_top(56, [(6, 110, 0.4), (3, 47, 1.0)]), (126, 190, 84))
    c.hill(sine_top(68, [(7, 150, 2.2), (2, 31, 0.3)]), (86, 160, 60))
    c.hill(sine_top(80, [(4, 90, 4.0)]), (62, 132, 48))
    for _ in range(34):
        x, y = rnd.randrange(W), rnd.randrange(78, H)
        c.set(x, y, rnd.choice([(255, 240, 110), (255, 255, 255), (240, 120, 150)]))


def p11(c, rnd):  # snowy mountain range over a valley
    c.vgradient(0, 60, [(70, 130, 210), (180, 214, 240)], 10)
    cloud(c, 76, 14, 0.9)
    peaks = [(-5, 70), (14, 34), (28, 48), (46, 16), (66, 44), (80, 26), (98, 50), (112, 30), (128, 60)]
    pts = [(-5, 92)] + peaks + [(128, 92)]
    c.polygon(pts, (118, 124, 142))
    for (px, py), (qx, qy) in zip(peaks, peaks[1:]):
        if py < qy and py < 40:  # snow on the peak's flanks
            d = 40 - py
            c.polygon([(px, py), (px + (qx - px) * d / (qy - py) * 0.5, py + d * 0.5),
                       (px - 6 * d / 20, py + d * 0.5)], (244, 246, 252))
    c.polygon([(46, 16), (52, 30), (43, 27), (38, 28)], (244, 246, 252))
    c.polygon([(14, 34), (19, 42), (9, 42)], (244, 246, 252))
    c.polygon([(80, 26), (86, 35), (75, 36)], (244, 246, 252))
    c.polygon([(112, 30), (117, 38), (107, 39)], (244, 246, 252))
    c.hill(sine_top(66, [(4, 70, 1.0), (2, 23, 0.0)]), (84, 150, 70))
    c.hill(sine_top(78, [(3, 100, 3.0)]), (64, 128, 52))
    for x in (8, 18, 30, 92, 104, 114):
        pine(c, x, 80 + (x * 7) % 5, 14, (36, 96, 52))


def p12(c, rnd):  # orchard on rolling hills
    c.vgradient(0, 56, [(120, 180, 236), (214, 236, 250)], 8)
    sun(c, 20, 16, 8, (255, 232, 120))
    cloud(c, 70, 16, 0.9)
    c.hill(sine_top(50, [(5, 80, 0.0)]), (150, 198, 96))
    for x in range(6, W, 16):
        round_tree(c, x, 54 + 5 * math.sin(2 * math.pi * x / 80), 4, 4, (90, 150, 64))
    c.hill(sine_top(66, [(6, 130, 1.5)]), (110, 176, 72))
    for x in range(10, W, 22):
        g = 70 + 6 * math.sin(2 * math.pi * x / 130 + 1.5)
        round_tree(c, x, g, 6, 7, (58, 128, 56))
        for k in range(5):
            c.circle(x + rnd.uniform(-5, 5), g - 10 + rnd.uniform(-4, 4), 1.1, (220, 50, 50))
    c.hill(sine_top(84, [(3, 60, 0.7)]), (80, 150, 58))
    for x in range(0, W, 6):  # a path of stones
        c.rect(x, 88 - (x // 6) % 2, x + 3, 89 - (x // 6) % 2, (196, 178, 136))


def p13(c, rnd):  # desert dunes with a cactus
    c.vgradient(0, 60, [(120, 176, 230), (248, 226, 180)], 11)
    sun(c, 92, 16, 8, (255, 250, 220))
    c.hill(sine_top(48, [(6, 90, 0.3), (2, 37, 1.0)]), (232, 186, 120))
    c.hill(sine_top(60, [(7, 120, 2.3), (2, 29, 0.0)]), (220, 164, 96))
    c.hill(sine_top(76, [(6, 100, 4.1)]), (204, 142, 80))
    green = (70, 140, 80)
    c.rect(28, 50, 33, 80, green)
    c.circle(30.5, 50, 2.5, green)
    c.rect(20, 58, 23, 68, green)
    c.circle(21.5, 58, 1.5, green)
    c.rect(20, 66, 28, 69, green)
    c.rect(38, 54, 41, 63, green)
    c.circle(39.5, 54, 1.5, green)
    c.rect(33, 61, 41, 64, green)
    c.rect(30, 51, 31, 78, (100, 170, 100))
    for x in range(0, W, 3):  # ripples on the nearest dune
        y = 84 + 3 * math.sin(x / 9.0)
        c.set(x, int(y), (186, 124, 70))


def p14(c, rnd):  # autumn woods
    c.vgradient(0, 58, [(150, 190, 226), (240, 226, 200)], 8)
    cloud(c, 10, 14, 0.8, (255, 252, 246))
    cloud(c, 78, 22, 0.7, (255, 252, 246))
    c.hill(sine_top(52, [(5, 100, 2.0)]), (196, 150, 80))
    leaves = [(214, 96, 40), (236, 160, 50), (180, 60, 40), (226, 190, 70)]
    for i, x in enumerate(range(4, W, 13)):
        round_tree(c, x, 56 + 5 * math.sin(2 * math.pi * x / 100 + 2.0), 4, 5, leaves[i % 4])
    c.hill(sine_top(70, [(6, 140, 0.5)]), (160, 118, 60))
    for i, x in enumerate(range(12, W, 24)):
        round_tree(c, x, 74 + 6 * math.sin(2 * math.pi * x / 140 + 0.5), 8, 8, leaves[(i + 1) % 4])
    c.hill(sine_top(84, [(2, 50, 0.2)]), (128, 92, 48))
    for _ in range(40):  # falling leaves
        c.set(rnd.randrange(W), rnd.randrange(60, H), rnd.choice(leaves))


# ---------------------------------------------------------------------------
# Series 2x: the sea
# ---------------------------------------------------------------------------

def p20(c, rnd):  # beach with a parasol
    c.vgradient(0, 44, [(70, 150, 230), (190, 226, 250)], 8)
    sun(c, 24, 14, 8, (255, 236, 120), rays=(255, 244, 176), ray_len=4)
    cloud(c, 74, 12, 0.8)
    sea(c, 44, 70, [(40, 120, 190), (70, 170, 210)], rnd, (200, 232, 248), 30)
    c.hill(lambda x: 68 + 2 * math.sin(x / 7.0), (250, 250, 250))  # surf
    c.hill(lambda x: 71 + 2 * math.sin(x / 7.0 + 0.6), (240, 214, 150))
    c.region((64, 48, 104, 62), lambda x, y: y < 62 and (x - 84) ** 2 + (y - 62) ** 2 <= 18 ** 2,
             lambda x, y: (230, 70, 60) if int((x - 64) // 6) % 2 == 0 else (250, 250, 240))
    c.rect(83, 61, 85, 84, (120, 90, 60))
    c.rect(40, 80, 60, 84, (60, 140, 210))  # towel
    c.rect(40, 81, 60, 82, (255, 255, 255))
    c.circle(20, 82, 4, (240, 80, 80))  # ball
    c.region((16, 78, 24, 86), lambda x, y: abs(x - 20) < 1.2 and (x - 20) ** 2 + (y - 82) ** 2 <= 16,
             (255, 255, 255))


def p21(c, rnd):  # a sailing boat
    c.vgradient(0, 50, [(120, 180, 236), (224, 238, 250)], 8)
    cloud(c, 8, 14, 0.9)
    cloud(c, 84, 20, 0.7)
    sea(c, 50, H, [(60, 140, 200), (24, 80, 150)], rnd, (150, 200, 236), 50)
    c.polygon([(40, 66), (86, 66), (80, 74), (46, 74)], (150, 60, 50))
    c.rect(40, 66, 86, 68, (240, 232, 210))
    c.rect(62, 22, 64, 66, (110, 80, 50))
    c.polygon([(61, 24), (61, 63), (38, 63)], (250, 250, 246))
    c.polygon([(65, 28), (65, 63), (84, 63)], (240, 210, 96))
    c.polygon([(64, 22), (72, 25), (64, 28)], (220, 60, 60))
    for k in range(5):  # its reflection
        c.rect(46 + k * 2, 76 + k * 2, 80 - k * 2, 77 + k * 2, (40, 100, 170))
    for x0 in (12, 102):  # gulls
        c.line(x0, 36, x0 + 3, 38, (60, 60, 70))
        c.line(x0 + 3, 38, x0 + 6, 36, (60, 60, 70))


def p22(c, rnd):  # lighthouse on the rocks
    c.vgradient(0, 60, [(40, 70, 130), (120, 160, 210)], 10)
    stars(c, rnd, 18, 30)
    c.polygon([(60, 24), (0, 8), (0, 30)], (200, 210, 180))
    c.polygon([(62, 24), (120, 6), (120, 34)], (200, 210, 180))
    sea(c, 60, H, [(40, 90, 150), (20, 50, 100)], rnd, (90, 140, 190), 40)
    c.polygon([(32, 92), (40, 70), (52, 64), (84, 62), (96, 72), (110, 92)], (80, 76, 84))
    c.polygon([(44, 92), (58, 72), (72, 76), (90, 92)], (60, 56, 66))
    for k in range(6):  # striped tower, narrowing upwards
        y0, y1 = 64 - k * 6, 58 - k * 6
        w0, w1 = 9 - k * 0.6, 9 - (k + 1) * 0.6
        col = (220, 50, 50) if k % 2 == 0 else (248, 248, 244)
        c.polygon([(61 - w0, y0), (61 + w0, y0), (61 + w1, y1), (61 - w1, y1)], col)
    c.rect(55, 26, 68, 28, (50, 50, 60))
    c.rect(57, 18, 66, 26, (255, 240, 150))
    c.rect(57, 18, 58, 26, (50, 50, 60))
    c.rect(65, 18, 66, 26, (50, 50, 60))
    c.polygon([(55, 18), (68, 18), (61.5, 12)], (180, 40, 40))


def p23(c, rnd):  # palm island
    c.vgradient(0, 56, [(60, 170, 230), (200, 240, 250)], 9)
    sun(c, 100, 14, 7, (255, 248, 170))
    cloud(c, 20, 12, 0.7)
    sea(c, 56, H, [(60, 190, 210), (20, 110, 170)], rnd, (180, 236, 240), 36)
    c.ellipse(56, 68, 30, 8, (244, 222, 160))
    c.ellipse(56, 70, 30, 6, (226, 198, 130))
    pts = [(48 + 14 * math.sin(t / 10) ** 2 * 0.6 + t * 0.25, 66 - t) for t in range(0, 40)]
    for x, y in pts:
        c.circle(x, y, 2.2, (140, 100, 60))
    for x, y in pts[::4]:
        c.rect(int(x) - 2, int(y), int(x) + 3, int(y) + 1, (112, 78, 46))
    tx, ty = pts[-1]
    for a, ln in ((-2.8, 22), (-2.2, 20), (-1.2, 16), (-0.5, 20), (0.15, 22), (2.7, 18), (0.6, 16)):
        c.blade(tx, ty, a + 0.35, ln, 7, (50, 140, 60))
        c.blade(tx, ty, a + 0.35, ln * 0.8, 2, (36, 110, 48))
    for dx in (-2, 2):
        c.circle(tx + dx, ty + 3, 2, (120, 80, 40))


def p24(c, rnd):  # great waves
    c.vgradient(0, 34, [(250, 236, 210), (240, 210, 180)], 5)
    c.circle(94, 14, 8, (230, 90, 70))
    blues = [(170, 210, 232), (110, 170, 214), (60, 120, 190), (30, 80, 150), (20, 50, 110)]
    for k, col in enumerate(blues):
        base = 26 + k * 14
        period = 40 - k * 3
        top = sine_top(base, [(5, period, k * 1.3)])
        c.hill(top, col)
        for x in range(W):  # foam just past each crest (crest at phase 0.75)
            t = top(x + 0.5)
            phase = ((x + 0.5) / period + k * 1.3 / (2 * math.pi)) % 1.0
            if 0.68 < phase < 0.92:
                for y in range(int(round(t)), int(round(t)) + 2):
                    c.set(x, y, (250, 252, 255))


# ---------------------------------------------------------------------------
# Series 3x: night
# ---------------------------------------------------------------------------

def p30(c, rnd):  # full moon over the sea
    c.vgradient(0, 58, [(10, 16, 44), (44, 60, 110)], 10)
    stars(c, rnd, 50, 56)
    c.circle(60, 26, 12, (248, 244, 220))
    for cx, cy, r in ((55, 22, 3), (64, 30, 2.5), (62, 20, 1.5), (54, 31, 1.5)):
        c.circle(cx, cy, r, (226, 222, 200))
    sea(c, 58, H, [(30, 44, 90), (8, 14, 40)], rnd, (40, 56, 104), 30)
    for k in range(14):  # moonlight path
        y = 60 + k * 2 + (k > 6) * (k - 6)
        half = 3 + k * 0.9 + rnd.uniform(0, 3)
        off = rnd.uniform(-2, 2)
        c.rect(int(60 - half + off), y, int(60 + half + off), y + 1, (240, 232, 190))


def p31(c, rnd):  # starry night over the hills
    c.vgradient(0, 70, [(6, 10, 34), (30, 40, 90), (60, 60, 120)], 12)
    stars(c, rnd, 90, 64)
    for _ in range(4):  # a few bright, twinkling stars
        x, y = rnd.randrange(10, 110), rnd.randrange(6, 40)
        for d in (1, 2, 3):
            glow = (255, 255, 230) if d == 1 else (170, 180, 220)
            for dx, dy in ((d, 0), (-d, 0), (0, d), (0, -d)):
                c.set(x + dx, y + dy, glow)
        c.set(x, y, (255, 255, 255))
    c.line(14, 14, 30, 22, (200, 220, 255))  # shooting star
    c.line(10, 12, 14, 14, (120, 140, 200))
    c.hill(sine_top(62, [(6, 90, 1.0), (2, 30, 0.5)]), (20, 34, 50))
    c.hill(sine_top(74, [(5, 110, 3.5)]), (12, 22, 34))
    c.rect(86, 60, 96, 68, (12, 22, 34))  # a cottage with a lit window
    c.polygon([(84, 61), (98, 61), (91, 55)], (12, 22, 34))
    c.rect(89, 62, 92, 65, (255, 210, 110))


def p32(c, rnd):  # city skyline at night
    c.vgradient(0, 92, [(16, 14, 48), (70, 40, 100), (150, 80, 110)], 12)
    stars(c, rnd, 30, 30)
    c.circle(20, 16, 7, (250, 240, 210))
    c.circle(23, 14, 6, c.get(30, 16))
    x = -2
    back = (40, 34, 70)
    while x < W:
        w, h = rnd.randrange(8, 14), rnd.randrange(24, 50)
        c.rect(x, 92 - h - 8, x + w, 92, back)
        x += w
    x = -3
    while x < W:
        w, h = rnd.randrange(10, 18), rnd.randrange(16, 42)
        c.rect(x, 92 - h, x + w - 1, 92, (22, 20, 40))
        for wy in range(92 - h + 3, 88, 4):
            for wx in range(x + 2, x + w - 3, 3):
                if rnd.random() < 0.45:
                    c.rect(wx, wy, wx + 2, wy + 2, rnd.choice([(255, 220, 120), (255, 240, 180)]))
        if rnd.random() < 0.3:
            c.rect(x + w // 2 - 1, 92 - h - 8, x + w // 2, 92 - h, (22, 20, 40))
            c.set(x + w // 2 - 1, 92 - h - 9, (255, 60, 60))
        x += w


def p33(c, rnd):  # crescent moon over a pine forest
    c.vgradient(0, 80, [(14, 30, 60), (40, 80, 110)], 10)
    stars(c, rnd, 60, 60)
    c.circle(84, 22, 11, (255, 240, 170))
    c.circle(89, 18, 10, lambda x, y: c.get(0, y))
    c.hill(sine_top(70, [(4, 80, 0.0)]), (24, 50, 60))
    for x in range(-4, W, 9):
        pine(c, x + rnd.randrange(3), 72, rnd.randrange(18, 30), (20, 44, 50), trunk=(20, 44, 50))
    c.hill(sine_top(82, [(3, 60, 1.0)]), (14, 30, 36))
    for x in range(2, W, 7):
        pine(c, x + rnd.randrange(3), 92, rnd.randrange(20, 36), (10, 24, 30), trunk=(10, 24, 30))


def p34(c, rnd):  # northern lights
    c.vgradient(0, 74, [(4, 10, 28), (16, 36, 60)], 8)
    stars(c, rnd, 60, 66)
    bands = [((60, 220, 150), 20, 0.0, 10), ((40, 180, 170), 30, 1.3, 8), ((140, 110, 220), 12, 2.4, 5)]
    for col, base, ph, thick in bands:
        for x in range(W):
            y = base + 8 * math.sin(x / 15.0 + ph) + 3 * math.sin(x / 5.0 + ph * 2)
            for k in range(thick):
                t = k / thick
                y0 = int(y - k)
                if 0 <= y0 < H:
                    c.set(x, y0, lerp(col, c.get(x, y0), round(t * 4) / 4))
    c.hill(sine_top(66, [(5, 100, 0.8), (2, 27, 0.0)]), (200, 214, 236))
    c.hill(sine_top(78, [(3, 70, 2.0)]), (230, 238, 250))
    for x in (12, 22, 100, 110):
        pine(c, x, 76 + (x % 5), 16, (16, 40, 48), snow=(230, 238, 250))


# ---------------------------------------------------------------------------
# Series 4x: dusk and dawn
# ---------------------------------------------------------------------------

def p40(c, rnd):  # sunset over the sea
    c.vgradient(0, 56, [(70, 40, 110), (220, 90, 100), (255, 190, 100)], 12)
    c.region((44, 36, 76, 56), lambda x, y: y < 56 and (x - 60) ** 2 + (y - 56) ** 2 <= 15 ** 2,
             lambda x, y: ramp([(255, 250, 200), (255, 200, 90)], (y - 41) / 15))
    cloud(c, 10, 24, 0.8, (240, 130, 130))
    cloud(c, 84, 16, 0.6, (200, 100, 130))
    sea(c, 56, H, [(120, 60, 100), (40, 24, 70)], rnd, (170, 80, 110), 30)
    for k in range(12):
        y = 57 + k * 3
        half = 14 - k * 0.8 + rnd.uniform(-2, 2)
        c.rect(int(60 - half), y, int(60 + half), y + 1, (255, 190, 100))


def p41(c, rnd):  # savanna at sundown
    c.vgradient(0, 78, [(250, 120, 40), (255, 200, 90), (255, 236, 170)], 13)
    c.circle(66, 54, 20, (255, 246, 200))
    dark = (50, 26, 20)
    c.hill(lambda x: 74 + 1.5 * math.sin(x / 20.0), dark)
    c.rect(30, 50, 33, 76, dark)  # acacia
    c.bar(31, 56, -2.3, 14, 2, dark)
    c.bar(32, 58, -0.8, 14, 2, dark)
    c.ellipse(30, 46, 24, 4, dark)
    c.ellipse(26, 43, 14, 3, dark)
    c.ellipse(38, 44, 10, 3, dark)
    for x0, s in ((84, 1.0), (106, 0.7)):  # giraffes
        g = 75
        c.ellipse(x0 + 6 * s, g - 16 * s, 7 * s, 3.2 * s, dark, angle=-0.25)
        for lx in (1, 3, 9, 11):
            c.rect(x0 + lx * s, g - 15 * s, x0 + lx * s + max(1, 1.2 * s), g, dark)
        c.bar(x0 + 11 * s, g - 17 * s, -1.25, 16 * s, 2.6 * s, dark)
        hx, hy = x0 + 11 * s + math.cos(-1.25) * 16 * s, g - 17 * s + math.sin(-1.25) * 16 * s
        c.ellipse(hx + 2 * s, hy + 0.5, 3.2 * s, 1.5 * s, dark, angle=0.4)
        c.line(hx, hy, hx - 0.5, hy - 2.5 * s, dark)
        c.line(x0, g - 17 * s, x0 - 2 * s, g - 10 * s, dark)  # tail
    for x0, y0 in ((70, 20), (78, 26), (60, 28)):
        c.line(x0 - 3, y0 - 1, x0, y0, dark)
        c.line(x0, y0, x0 + 3, y0 - 1, dark)


def p42(c, rnd):  # layered mountains at dawn
    c.vgradient(0, 50, [(250, 210, 200), (250, 236, 220)], 6)
    c.circle(82, 34, 10, (255, 250, 236))
    layers = [(36, (200, 170, 200)), (48, (160, 130, 180)), (60, (120, 94, 150)),
              (72, (84, 64, 120)), (84, (50, 38, 80))]
    for i, (base, col) in enumerate(layers):
        ph = rnd.uniform(0, 6.28)
        c.hill(lambda x, b=base, p=ph, i=i: b + 7 * math.sin(x / (14 + i * 3) + p)
               + 4 * abs(math.sin(x / 6.0 + p * 2)) - 4, col)


def p43(c, rnd):  # birds crossing a dusky sky
    c.vgradient(0, 92, [(40, 50, 110), (200, 110, 140), (255, 190, 130)], 14)
    c.circle(34, 70, 14, (255, 220, 150))
    c.hill(sine_top(80, [(3, 70, 0.5)]), (60, 40, 60))
    c.hill(sine_top(86, [(2, 40, 2.0)]), (40, 26, 44))
    for i in range(12):
        x = 50 + i * 5 + rnd.uniform(-3, 3)
        y = 20 + abs(i - 5) * 3 + rnd.uniform(-2, 2)
        s = rnd.uniform(2, 3.5)
        c.line(x - s, y - s * 0.6, x, y, (30, 24, 40))
        c.line(x, y, x + s, y - s * 0.6, (30, 24, 40))


def p44(c, rnd):  # windmill at dusk
    c.vgradient(0, 78, [(40, 40, 100), (170, 90, 130), (250, 170, 110)], 13)
    stars(c, rnd, 20, 24)
    c.circle(20, 56, 8, (255, 214, 150))
    dark = (34, 24, 40)
    c.hill(sine_top(74, [(3, 90, 0.0)]), (60, 44, 60))
    c.hill(sine_top(82, [(2, 60, 1.0)]), dark)
    c.polygon([(72, 80), (90, 80), (86, 36), (76, 36)], dark)
    c.polygon([(74, 37), (88, 37), (81, 28)], dark)
    for k in range(4):
        a = k * math.pi / 2 + 0.4
        c.bar(81, 36, a, 26, 2, dark)
        ca, sa = math.cos(a), math.sin(a)
        c.bar(81 + ca * 10, 36 + sa * 10, a, 16, 6, lambda x, y: dark if (int(x) + int(y)) % 3 else (90, 70, 90))
    c.rect(79, 70, 84, 80, (255, 200, 120))
    c.rect(81, 70, 82, 80, dark)
    for x in range(2, 60, 6):  # fence
        c.rect(x, 78, x + 1, 84, dark)
    c.rect(0, 80, 60, 81, dark)


# ---------------------------------------------------------------------------
# Series 5x: patterns
# ---------------------------------------------------------------------------

def p50(c, rnd):  # patchwork quilt
    tones = [(236, 110, 90), (250, 200, 110), (120, 190, 170), (90, 140, 200), (200, 140, 200)]
    for by in range(8):
        for bx in range(10):
            base = tones[(bx + by * 2) % len(tones)]
            light = lerp(base, (255, 255, 255), 0.55)
            x0, y0 = bx * 12, by * 12 - 2
            c.rect(x0, y0, x0 + 12, y0 + 12, light if (bx + by) % 2 else base)
            inner = base if (bx + by) % 2 else light
            c.polygon([(x0 + 6, y0 + 2), (x0 + 10, y0 + 6), (x0 + 6, y0 + 10), (x0 + 2, y0 + 6)], inner)
            c.set(x0 + 6, y0 + 6, (255, 255, 255))
    for x in range(0, W, 12):  # stitching
        for y in range(0, H, 2):
            c.set(x, y, (250, 246, 236))
    for y in range(-2, H, 12):
        for x in range(0, W, 2):
            c.set(x, y, (250, 246, 236))


def p51(c, rnd):  # concentric rings
    cols = [(250, 90, 70), (255, 170, 60), (255, 230, 110), (120, 200, 140), (70, 150, 210), (120, 100, 190)]
    for y in range(H):
        for x in range(W):
            d = math.hypot(x + 0.5 - 60, y + 0.5 - 46)
            d2 = math.hypot(x + 0.5 - 14, y + 0.5 - 12)
            c.px[y][x] = cols[int(d / 6) % 6] if d < 40 else lerp(cols[int(d2 / 5) % 6], (255, 255, 255), 0.6)
    c.circle(60, 46, 3, (255, 255, 255))


def p52(c, rnd):  # diagonal rainbow stripes
    cols = [(230, 60, 70), (250, 140, 50), (250, 210, 60), (90, 190, 90), (60, 150, 220), (110, 90, 200)]
    for y in range(H):
        for x in range(W):
            u = x + y
            band = (u // 8) % 6
            c.px[y][x] = cols[band] if u % 8 < 6 else (250, 248, 240)
    c.circle(60, 46, 20, (250, 248, 240))
    c.circle(53.5, 41, 6.5, (230, 60, 70))  # a heart in the middle
    c.circle(66.5, 41, 6.5, (230, 60, 70))
    c.polygon([(47.2, 43), (72.8, 43), (60, 57)], (230, 60, 70))
    c.circle(52, 39.5, 1.5, (250, 180, 180))


def p53(c, rnd):  # argyle
    a, b = (60, 90, 150), (150, 60, 70)
    bg = (230, 220, 196)
    for y in range(H):
        for x in range(W):
            u, v = (x + 0.5) / 15.0, (y + 0.5 + 4) / 23.0
            du, dv = u - round(u), v - round(v)
            inside = abs(du) * 2 + abs(dv) * 2 < 1.0
            parity = (round(u) + round(v)) % 2
            c.px[y][x] = (a if parity else b) if inside else bg
    for y in range(H):  # dashed over-check lines
        for x in range(W):
            u, v = (x + 0.5) / 15.0, (y + 0.5 + 4) / 23.0
            s1 = (u - v) % 1.0
            s2 = (u + v) % 1.0
            if (min(s1, 1 - s1) < 0.03 or min(s2, 1 - s2) < 0.03) and (x + y) % 4 < 2:
                c.px[y][x] = (250, 250, 244)


def p54(c, rnd):  # honeycomb
    edge, fill, deep = (200, 130, 20), (255, 200, 70), (240, 170, 40)
    c.rect(0, 0, W, H, edge)
    r = 9.0
    hx, hy = r * math.sqrt(3), r * 1.5
    for j in range(-1, int(H / hy) + 2):
        for i in range(-1, int(W / hx) + 2):
            cx = i * hx + (hx / 2 if j % 2 else 0)
            cy = j * hy
            pts = [(cx + (r - 1.4) * math.cos(math.pi / 6 + k * math.pi / 3),
                    cy + (r - 1.4) * math.sin(math.pi / 6 + k * math.pi / 3)) for k in range(6)]
            c.polygon(pts, deep if (i * 3 + j * 5) % 7 == 0 else fill)
            c.circle(cx - 2, cy - 3, 1.2, (255, 232, 150))
    for x0, y0 in ((30, 30), (82, 60)):  # two bees
        c.ellipse(x0 + 2, y0 - 4, 3, 2, (236, 244, 255))
        c.ellipse(x0 + 6, y0 - 4, 3, 2, (236, 244, 255))
        c.ellipse(x0 + 4, y0, 6, 3.5, lambda x, y: (40, 30, 20) if int(x) % 3 == 0 else (250, 210, 40))
        c.circle(x0 - 2, y0, 2, (40, 30, 20))


# ---------------------------------------------------------------------------
# Series 6x: flowers and garden
# ---------------------------------------------------------------------------

def tulip(c, x, y, col):
    c.line(x, y, x, y + 12, (60, 130, 60))
    c.blade(x, y + 12, -1.2, 7, 3, (70, 150, 70))
    c.region((x - 3.5, y - 5, x + 3.5, y + 3), lambda u, v: v >= y - 1 and (u - x) ** 2 + (v - y + 1) ** 2 <= 12.5, col)
    c.polygon([(x - 3.5, y - 1), (x - 3.5, y - 5), (x - 1.5, y - 2)], col)
    c.polygon([(x - 1.5, y - 1), (x, y - 6), (x + 1.5, y - 1)], col)
    c.polygon([(x + 3.5, y - 1), (x + 3.5, y - 5), (x + 1.5, y - 2)], col)


def p60(c, rnd):  # tulip field
    c.vgradient(0, 40, [(120, 190, 240), (220, 240, 250)], 6)
    cloud(c, 60, 12, 0.9)
    c.hill(lambda x: 36, (110, 180, 90))
    rows = [(230, 60, 70), (250, 210, 60), (240, 130, 180), (250, 120, 50)]
    for k in range(4):
        y = 40 + k * 13
        for i, x in enumerate(range(4 + (k % 2) * 5, W, 10)):
            tulip(c, x, y, rows[k])
    # a windmill on the horizon
    c.polygon([(96, 36), (104, 36), (102, 20), (98, 20)], (120, 80, 60))
    for k in range(4):
        c.bar(100, 20, k * math.pi / 2 + 0.3, 10, 1.6, (250, 250, 250))


def p61(c, rnd):  # sunflower
    c.vgradient(0, 92, [(80, 160, 230), (190, 226, 250)], 8)
    c.hill(sine_top(82, [(3, 60, 0.0)]), (90, 160, 70))
    c.bar(60, 40, math.pi / 2, 52, 4, (70, 140, 60))
    c.blade(60, 70, -0.5, 18, 8, (80, 160, 70))
    c.blade(60, 62, math.pi + 0.5, 18, 8, (80, 160, 70))
    for k in range(16):
        a = k * math.pi / 8
        c.blade(60 + math.cos(a) * 8, 36 + math.sin(a) * 8, a, 14, 6, (255, 200, 40))
    for k in range(16):
        a = k * math.pi / 8 + math.pi / 16
        c.blade(60 + math.cos(a) * 8, 36 + math.sin(a) * 8, a, 11, 5, (250, 170, 30))
    c.circle(60, 36, 10, (110, 70, 30))
    for k in range(70):  # seeds in a golden-angle spiral
        a = k * 2.39996
        r = 0.8 * math.sqrt(k) * 1.1
        c.set(int(60 + r * math.cos(a)), int(36 + r * math.sin(a)), (70, 40, 20))
    cloud(c, 6, 12, 0.6)
    cloud(c, 94, 10, 0.6)


def p62(c, rnd):  # daisies on a lawn
    c.vgradient(0, 92, [(160, 210, 110), (60, 140, 60)], 8)
    for _ in range(50):  # grass tufts
        x, y = rnd.randrange(W), rnd.randrange(H)
        c.line(x, y, x - 1, y - 3, (50, 120, 50))
        c.line(x + 1, y, x + 2, y - 3, (50, 120, 50))
    spots = []
    while len(spots) < 14:
        x, y = rnd.uniform(8, 112), rnd.uniform(8, 84)
        if all(math.hypot(x - a, y - b) > 18 for a, b in spots):
            spots.append((x, y))
    for x, y in spots:
        r = rnd.uniform(5, 8)
        for k in range(10):
            a = k * math.pi / 5
            c.ellipse(x + math.cos(a) * r * 0.6, y + math.sin(a) * r * 0.6, r * 0.55, r * 0.22,
                      (252, 252, 248), angle=a)
        c.circle(x, y, r * 0.33, (250, 200, 40))
    c.ellipse(40, 46, 3, 2, (220, 40, 40))  # ladybird
    c.set(39, 45, (20, 20, 20))
    c.set(41, 47, (20, 20, 20))
    c.circle(43, 46, 1, (20, 20, 20))


def p63(c, rnd):  # potted plant on a windowsill
    c.rect(0, 0, W, H, (236, 224, 200))
    c.rect(20, 6, 100, 70, (250, 246, 236))
    c.vgradient(10, 66, [(140, 196, 240), (210, 236, 250)], 6, 24, 96)
    c.rect(58, 10, 62, 66, (250, 246, 236))
    c.rect(24, 36, 96, 39, (250, 246, 236))
    cloud(c, 30, 20, 0.6)
    c.rect(0, 70, W, 76, (190, 150, 110))
    c.rect(0, 76, W, H, (170, 130, 96))
    c.polygon([(46, 52), (74, 52), (70, 72), (50, 72)], (200, 100, 60))
    c.rect(44, 50, 76, 55, (216, 120, 72))
    for a, ln in ((-1.9, 26), (-1.4, 30), (-1.1, 22), (-2.4, 20), (-0.7, 20), (-2.8, 16), (-0.3, 16)):
        c.blade(60, 50, a, ln, 9, (60, 150, 70))
        c.blade(60, 50, a, ln * 0.9, 1.5, (40, 110, 50))
    c.circle(58, 24, 3, (240, 90, 120))
    c.circle(58, 24, 1, (255, 220, 100))


def p64(c, rnd):  # butterfly over flowers
    c.vgradient(0, 92, [(150, 210, 250), (230, 246, 250)], 8)
    c.hill(sine_top(78, [(3, 50, 0.0)]), (110, 180, 90))
    for x in range(6, W, 14):
        y = 74 + rnd.randrange(-3, 4)
        col = rnd.choice([(240, 80, 100), (250, 200, 60), (180, 120, 220)])
        c.line(x, y, x, y + 10, (60, 130, 60))
        for k in range(5):
            a = k * 2 * math.pi / 5
            c.circle(x + math.cos(a) * 2.2, y + math.sin(a) * 2.2, 1.6, col)
        c.circle(x, y, 1, (255, 240, 150))
    cx, cy = 60, 38
    for s in (-1, 1):
        c.ellipse(cx + s * 14, cy - 8, 15, 11, (250, 140, 40), angle=s * 0.5)
        c.ellipse(cx + s * 10, cy + 10, 9, 7, (240, 110, 40), angle=-s * 0.6)
        c.ellipse(cx + s * 14, cy - 8, 9, 6, (255, 200, 80), angle=s * 0.5)
        c.circle(cx + s * 22, cy - 12, 3, (40, 30, 30))
        c.circle(cx + s * 22, cy - 12, 1.3, (255, 255, 255))
        c.circle(cx + s * 10, cy + 11, 2.5, (40, 30, 30))
        c.line(cx, cy - 12, cx + s * 6, cy - 22, (40, 30, 30))
    c.ellipse(cx, cy, 2, 13, (50, 36, 30))


# ---------------------------------------------------------------------------
# Series 7x: things
# ---------------------------------------------------------------------------

def p70(c, rnd):  # a little house
    c.vgradient(0, 70, [(110, 180, 240), (210, 236, 250)], 8)
    sun(c, 100, 14, 7, (255, 230, 110), rays=(255, 240, 170), ray_len=4)
    cloud(c, 10, 14, 0.7)
    c.hill(lambda x: 70, (110, 180, 80))
    c.rect(30, 44, 74, 76, (240, 220, 180))
    c.polygon([(26, 45), (78, 45), (52, 22)], (190, 70, 60))
    for y in range(26, 45, 4):  # roof tiles
        c.rect(0, y, W, y + 1, lambda x, yy: (160, 50, 44) if c.get(x, yy) == (190, 70, 60) else c.get(x, yy))
    c.rect(64, 26, 70, 36, (150, 90, 70))
    c.circle(67, 20, 3, (230, 230, 236))
    c.circle(71, 14, 4, (236, 236, 240))
    c.rect(46, 58, 56, 76, (130, 80, 50))
    c.set(54, 67, (250, 210, 80))
    for wx in (34, 60):
        c.rect(wx, 52, wx + 10, 62, (150, 200, 240))
        c.rect(wx + 4, 52, wx + 6, 62, (255, 255, 255))
        c.rect(wx, 56, wx + 10, 58, (255, 255, 255))
    c.rect(50, 76, 52, H, (200, 190, 160))
    c.polygon([(46, 76), (56, 76), (64, 92), (38, 92)], (210, 196, 160))
    round_tree(c, 94, 76, 10, 9, (70, 150, 60))
    for x in range(0, 28, 4):  # picket fence
        c.rect(x, 66, x + 2, 78, (255, 255, 255))
    c.rect(0, 70, 28, 71, (255, 255, 255))


def p71(c, rnd):  # hot-air balloons
    c.vgradient(0, 92, [(90, 170, 240), (200, 230, 250)], 8)
    cloud(c, 6, 60, 1.0)
    cloud(c, 80, 74, 0.8)

    def balloon(x, y, r, cols):
        c.region((x - r, y - r, x + r, y + r * 1.6),
                 lambda u, v: ((u - x) ** 2 + (v - y) ** 2 <= r * r) or
                 (v > y and abs(u - x) <= r * (1 - (v - y) / (r * 1.5)) and v < y + r * 1.3),
                 lambda u, v: cols[int((u - x + r) / (2 * r) * len(cols) * 1.0) % len(cols)])
        by = y + r * 1.3
        c.line(x - r * 0.45, by, x - r * 0.3, by + r * 0.5, (90, 70, 50))
        c.line(x + r * 0.45, by, x + r * 0.3, by + r * 0.5, (90, 70, 50))
        c.rect(int(x - r * 0.3), int(by + r * 0.5), int(x + r * 0.3) + 1, int(by + r * 0.8) + 1, (150, 100, 60))

    balloon(44, 30, 18, [(230, 60, 60), (255, 210, 70), (230, 60, 60), (255, 255, 255), (230, 60, 60), (255, 210, 70)])
    balloon(94, 22, 10, [(70, 130, 220), (255, 255, 255), (70, 130, 220), (255, 255, 255)])
    balloon(100, 64, 6, [(120, 200, 110), (255, 160, 60), (120, 200, 110)])


def p72(c, rnd):  # umbrella in the rain
    c.vgradient(0, 92, [(110, 120, 140), (170, 180, 196)], 8)
    for _ in range(110):
        x, y = rnd.randrange(-10, W), rnd.randrange(-4, H)
        c.line(x, y, x + 2, y + 5, (214, 222, 236))
    c.rect(0, 84, W, H, (90, 100, 116))
    for x0 in (14, 80):  # puddles
        c.ellipse(x0 + 10, 88, 12, 2, (140, 160, 190))
    cx, cy, r = 60, 40, 30
    cols = [(220, 50, 60), (250, 200, 60), (60, 160, 220), (90, 190, 110)]
    scallops = [cx - r + 7.5 + 15 * k for k in range(4)]

    def canopy(x, y):
        if y > cy or (x - cx) ** 2 + (y - cy) ** 2 > r * r:
            return False
        return all((x - sx) ** 2 + (y - cy - 3) ** 2 > 7.5 ** 2 for sx in scallops)

    c.region((cx - r, cy - r, cx + r, cy), canopy,
             lambda x, y: cols[int(math.atan2(cy - y - 0.5, x + 0.5 - cx) / math.pi * 8) % 4])
    c.rect(59, 10, 61, 72, (60, 50, 50))
    c.region((49, 68, 62, 78), lambda x, y: y >= 72 and 9 <= (x - 55.5) ** 2 + (y - 72) ** 2 <= 25,
             (60, 50, 50))
    c.circle(60, 9, 2, (60, 50, 50))
    for x in (28, 90):  # drops on the ground
        c.ring(x, 86, 2, 3, (200, 210, 226))


def p73(c, rnd):  # a cup of tea
    c.rect(0, 0, W, H, (242, 224, 196))
    for y in range(0, 70, 10):  # wallpaper dots
        for x in range((y // 10) % 2 * 5, W, 10):
            c.circle(x + 2.5, y + 4, 1.5, (230, 200, 170))
    c.rect(0, 70, W, H, (150, 100, 70))
    for y in range(74, H, 6):
        c.rect(0, y, W, y + 1, (136, 90, 62))
    c.ellipse(58, 78, 34, 6, (240, 240, 246))
    c.ellipse(58, 78, 24, 3.5, (220, 222, 232))
    c.ring(82, 56, 5, 9, (70, 110, 180))
    c.polygon([(34, 40), (82, 40), (76, 74), (40, 74)], (70, 110, 180))
    c.region((34, 48, 82, 54), lambda x, y: 48 <= y < 52, (250, 250, 250))
    for x in range(42, 76, 8):
        c.circle(x, 62, 2, (250, 250, 250))
    c.ellipse(58, 40, 24, 4, (100, 60, 36))
    c.ellipse(58, 40, 24, 4, lambda x, y: (170, 110, 60) if y < 40 else (100, 60, 36))
    for k, x0 in enumerate((48, 58, 68)):  # steam
        for t in range(0, 40):
            y = 34 - t * 0.7
            x = x0 + 3 * math.sin(t / 4.0 + k)
            c.set(int(x), int(y), (255, 255, 255))
            c.set(int(x) + 1, int(y), (255, 255, 255))
    c.ellipse(100, 74, 8, 3, (226, 180, 110))  # a biscuit
    for dx in (-4, 0, 4):
        c.set(100 + dx, 74, (196, 150, 90))


def p74(c, rnd):  # a kite
    c.vgradient(0, 92, [(70, 150, 230), (190, 226, 250)], 8)
    cloud(c, 80, 60, 0.9)
    cloud(c, 6, 20, 0.7)
    c.hill(sine_top(84, [(3, 60, 0.0)]), (100, 170, 80))
    top, left, right, bottom, mid = (50, 6), (34, 24), (66, 24), (50, 50), (50, 24)
    c.polygon([top, left, mid], (230, 60, 60))
    c.polygon([top, right, mid], (250, 200, 60))
    c.polygon([left, bottom, mid], (60, 140, 220))
    c.polygon([right, bottom, mid], (80, 190, 110))
    c.line(50, 6, 50, 50, (60, 50, 40))
    c.line(34, 24, 66, 24, (60, 50, 40))
    prev = (50, 50)
    for t in range(1, 40):
        x = 50 + t * 0.6 + 4 * math.sin(t / 4.0)
        y = 50 + t * 1.0
        c.line(prev[0], prev[1], x, y, (60, 50, 40))
        if t % 8 == 0:
            c.blade(x, y, 0.4, 4, 3, (230, 60, 60))
            c.blade(x, y, math.pi + 0.4, 4, 3, (230, 60, 60))
        prev = (x, y)
    c.line(50, 24, 100, 84, (80, 80, 80))  # the string down to the child
    c.circle(101, 77, 2, (240, 200, 170))
    c.rect(100, 79, 103, 86, (220, 60, 60))
    c.rect(100, 86, 101, 90, (50, 60, 110))
    c.rect(102, 86, 103, 90, (50, 60, 110))


# ---------------------------------------------------------------------------
# Series 8x: winter
# ---------------------------------------------------------------------------

def p80(c, rnd):  # snowy pine hills
    c.vgradient(0, 60, [(120, 160, 210), (220, 232, 244)], 10)
    c.circle(30, 20, 7, (255, 246, 220))
    c.hill(sine_top(50, [(6, 90, 0.5)]), (200, 212, 232))
    for x in range(4, W, 8):
        g = 52 + 6 * math.sin(2 * math.pi * x / 90 + 0.5)
        pine(c, x, g, 12, (60, 100, 100), snow=(236, 242, 250))
    c.hill(sine_top(66, [(5, 130, 2.0)]), (226, 234, 246))
    for x in range(10, W, 18):
        g = 68 + 5 * math.sin(2 * math.pi * x / 130 + 2.0)
        pine(c, x, g, 20, (40, 84, 76), snow=(246, 250, 255))
    c.hill(sine_top(82, [(3, 70, 1.0)]), (246, 250, 255))
    for _ in range(30):
        c.set(rnd.randrange(W), rnd.randrange(H), (255, 255, 255))


def p81(c, rnd):  # snowman
    c.vgradient(0, 74, [(60, 100, 170), (170, 200, 236)], 10)
    for _ in range(60):
        c.circle(rnd.uniform(0, W), rnd.uniform(0, 70), rnd.choice((0.6, 1.0, 1.3)), (255, 255, 255))
    c.hill(sine_top(68, [(3, 80, 0.0)]), (236, 242, 252))
    for cy_, r_ in ((70, 16), (46, 11), (28, 8)):  # snow balls, shaded away from the light
        c.circle(60, cy_, r_, (250, 252, 255))
        c.region((60 - r_, cy_ - r_, 60 + r_, cy_ + r_),
                 lambda x, y, cy_=cy_, r_=r_: (x - 60) ** 2 + (y - cy_) ** 2 <= r_ * r_
                 and (x - 56) ** 2 + (y - cy_ + 3) ** 2 > r_ * r_, (214, 226, 244))
    c.rect(51, 19, 69, 21, (30, 30, 36))
    c.rect(54, 8, 66, 20, (30, 30, 36))
    c.rect(54, 16, 66, 18, (200, 40, 50))
    c.set(57, 26, (30, 30, 36))
    c.set(62, 26, (30, 30, 36))
    c.polygon([(59, 29), (61, 29), (68, 31), (60, 31)], (250, 130, 40))
    for y, r in ((42, 1.2), (47, 1.2), (52, 1.2)):
        c.circle(60, y, r, (30, 30, 36))
    c.rect(51, 35, 69, 38, (200, 40, 50))
    c.rect(63, 37, 66, 46, (200, 40, 50))
    c.line(50, 44, 36, 34, (110, 74, 44), 1.6)
    c.line(70, 44, 84, 36, (110, 74, 44), 1.6)
    c.line(40, 37, 38, 32, (110, 74, 44))
    c.line(80, 38, 84, 34, (110, 74, 44))
    pine(c, 14, 80, 26, (40, 90, 70), snow=(246, 250, 255))
    pine(c, 104, 78, 22, (40, 90, 70), snow=(246, 250, 255))


def p82(c, rnd):  # snowflakes
    c.vgradient(0, 92, [(40, 80, 150), (110, 160, 220)], 10)

    def flake(x, y, r, col):
        for k in range(6):
            a = k * math.pi / 3 + math.pi / 6
            ex, ey = x + math.cos(a) * r, y + math.sin(a) * r
            c.line(x, y, ex, ey, col)
            for f in (0.55,):
                bx, by = x + math.cos(a) * r * f, y + math.sin(a) * r * f
                for s in (-1, 1):
                    b = a + s * math.pi / 4
                    c.line(bx, by, bx + math.cos(b) * r * 0.35, by + math.sin(b) * r * 0.35, col)
        c.circle(x, y, max(1.0, r * 0.12), col)

    placed = []
    for r in (16, 12, 11, 9, 8, 7, 6, 6, 5, 5, 4, 4, 3, 3):
        for _ in range(200):
            x, y = rnd.uniform(r, W - r), rnd.uniform(r, H - r)
            if all(math.hypot(x - a, y - b) > r + rr + 3 for a, b, rr in placed):
                break
        placed.append((x, y, r))
        flake(x, y, r, (255, 255, 255) if r > 6 else (210, 230, 250))
    for _ in range(40):
        c.set(rnd.randrange(W), rnd.randrange(H), (230, 240, 255))


def p83(c, rnd):  # cabin in the snow
    c.vgradient(0, 64, [(30, 40, 80), (120, 110, 160), (220, 170, 170)], 10)
    stars(c, rnd, 24, 30)
    c.hill(sine_top(58, [(5, 120, 0.2)]), (180, 190, 220))
    c.hill(sine_top(70, [(2, 90, 2.0)]), (236, 240, 250))
    c.rect(36, 52, 80, 78, (120, 70, 44))
    for y in range(54, 78, 4):  # log courses
        c.rect(36, y, 80, y + 1, (90, 52, 32))
    c.polygon([(30, 53), (86, 53), (58, 32)], (70, 44, 34))
    c.polygon([(32, 52), (84, 52), (84, 50), (58, 31), (32, 50)], (246, 248, 255))
    c.polygon([(38, 50), (78, 50), (58, 35)], (70, 44, 34))
    c.rect(70, 30, 76, 42, (100, 90, 90))
    c.rect(69, 28, 77, 31, (246, 248, 255))
    for k in range(6):
        c.circle(74 + k * 2.5 + math.sin(k) * 2, 24 - k * 3.5, 2 + k * 0.6, lerp((200, 200, 210), c.get(110, max(0, 24 - k * 4)), k / 7))
    c.rect(52, 62, 62, 78, (70, 40, 26))
    for wx in (40, 66):
        c.rect(wx, 58, wx + 10, 68, (255, 210, 110))
        c.rect(wx + 4, 58, wx + 6, 68, (90, 52, 32))
        c.rect(wx, 62, wx + 10, 64, (90, 52, 32))
    c.ellipse(58, 82, 40, 6, (250, 236, 200))  # glow on the snow
    c.ellipse(58, 80, 26, 3, (236, 240, 250))
    pine(c, 14, 76, 28, (30, 60, 60), snow=(246, 248, 255))
    pine(c, 102, 74, 24, (30, 60, 60), snow=(246, 248, 255))


def p84(c, rnd):  # frozen lake
    c.vgradient(0, 50, [(150, 190, 230), (230, 240, 250)], 8)
    c.polygon([(-4, 50), (22, 22), (40, 40), (60, 16), (86, 38), (100, 26), (124, 50)], (150, 164, 196))
    c.polygon([(60, 16), (68, 24), (62, 22), (55, 25), (52, 24)], (250, 252, 255))
    c.polygon([(22, 22), (28, 28), (22, 27), (16, 29)], (250, 252, 255))
    c.polygon([(100, 26), (105, 31), (96, 31)], (250, 252, 255))
    c.rect(0, 50, W, H, (240, 244, 252))
    c.ellipse(60, 70, 56, 16, (176, 214, 236))
    c.ellipse(60, 70, 50, 13, (196, 226, 244))
    for x0, y0, x1, y1 in ((30, 66, 44, 72), (44, 72, 52, 70), (70, 64, 84, 68), (84, 68, 90, 76), (58, 76, 66, 80)):
        c.line(x0, y0, x1, y1, (250, 252, 255))
    for x in range(4, 30, 7):
        pine(c, x, 58, 14, (50, 90, 90), snow=(246, 250, 255))
    for x in range(96, W, 7):
        pine(c, x, 58, 14, (50, 90, 90), snow=(246, 250, 255))
    for x0, col in ((48, (220, 50, 60)), (72, (60, 110, 200))):  # skaters
        c.circle(x0, 60, 2, (240, 200, 170))
        c.polygon([(x0 - 3, 63), (x0 + 3, 63), (x0 + 2, 70), (x0 - 2, 70)], col)
        c.line(x0 - 1, 70, x0 - 3, 74, (40, 40, 50))
        c.line(x0 + 1, 70, x0 + 3, 74, (40, 40, 50))
        c.line(x0 - 3, 64, x0 - 6, 68, col)
        c.line(x0 + 3, 64, x0 + 6, 62, col)
        c.rect(x0 - 2, 57, x0 + 3, 59, (250, 250, 250) if col[0] > 100 else (230, 200, 60))


TITLES = {
    10: "meadow", 11: "mountains", 12: "orchard", 13: "dunes", 14: "autumn woods",
    20: "beach", 21: "sailing boat", 22: "lighthouse", 23: "palm island", 24: "waves",
    30: "full moon", 31: "starry night", 32: "city lights", 33: "crescent and pines", 34: "northern lights",
    40: "sunset sea", 41: "savanna", 42: "dawn ridges", 43: "birds at dusk", 44: "windmill",
    50: "quilt", 51: "rings", 52: "rainbow stripes", 53: "argyle", 54: "honeycomb",
    60: "tulips", 61: "sunflower", 62: "daisies", 63: "house plant", 64: "butterfly",
    70: "little house", 71: "balloons", 72: "umbrella", 73: "cup of tea", 74: "kite",
    80: "snowy pines", 81: "snowman", 82: "snowflakes", 83: "winter cabin", 84: "frozen lake",
}

DRAW = {pid: globals()["p%d" % pid] for pid in SIZES}


# ---------------------------------------------------------------------------
# PNG encoding
# ---------------------------------------------------------------------------

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHUNK_OVERHEAD = 12  # length, type and CRC
COMMENT_KEY = b"Comment\x00"


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode(canvas, pid):
    """Returns the PNG bytes of the canvas padded to SIZES[pid]."""
    palette, index = [], {}
    rows = bytearray()
    for y in range(H):
        rows.append(0)  # filter type None: best for palette images
        for x in range(W):
            col = canvas.px[y][x]
            if col is None:
                raise SystemExit("pendant %d: pixel (%d, %d) was never painted" % (pid, x, y))
            i = index.get(col)
            if i is None:
                i = index[col] = len(palette)
                palette.append(col)
            rows.append(i)
    if len(palette) > 256:
        raise SystemExit("pendant %d: %d colours do not fit a palette" % (pid, len(palette)))
    ihdr = struct.pack(">IIBBBBB", W, H, 8, 3, 0, 0, 0)
    plte = b"".join(struct.pack("BBB", *c) for c in palette)
    comp = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_DEFAULT_STRATEGY)
    idat = comp.compress(bytes(rows)) + comp.flush()
    head = PNG_SIGNATURE + chunk(b"IHDR", ihdr) + chunk(b"PLTE", plte) + chunk(b"IDAT", idat)
    tail = chunk(b"IEND", b"")
    room = SIZES[pid] - len(head) - len(tail) - CHUNK_OVERHEAD - len(COMMENT_KEY)
    note = ("Kivora built-in pendant %d: %s." % (pid, TITLES[pid])).encode("latin-1")
    if room < len(note):
        raise SystemExit("pendant %d: image data needs %d bytes more than its fixed size %d allows"
                         % (pid, len(note) - room, SIZES[pid]))
    text = note + b" " * (room - len(note))
    data = head + chunk(b"tEXt", COMMENT_KEY + text) + tail
    if len(data) != SIZES[pid]:
        raise SystemExit("pendant %d: encoded %d bytes, expected %d" % (pid, len(data), SIZES[pid]))
    return data, len(palette), len(idat)


def render(pid):
    canvas = Canvas()
    DRAW[pid](canvas, random.Random(pid))
    return encode(canvas, pid)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(here, "pendants"))
    ap.add_argument("--check", action="store_true")
    args = ap.parse_args()

    if sorted(SIZES) != [t * 10 + u for t in range(1, 9) for u in range(5)]:
        raise SystemExit("the pendant id table is damaged")
    os.makedirs(args.out, exist_ok=True)
    failures = 0
    for pid in sorted(SIZES):
        data, colours, idat = render(pid)
        path = os.path.join(args.out, "pendant_%d.png" % pid)
        if args.check:
            with open(path, "rb") as f:
                if f.read() != data:
                    print("%s differs from a fresh drawing" % path, file=sys.stderr)
                    failures += 1
            continue
        with open(path, "wb") as f:
            f.write(data)
        written = os.path.getsize(path)
        if written != SIZES[pid]:
            print("%s: %d bytes on disk, expected %d" % (path, written, SIZES[pid]), file=sys.stderr)
            failures += 1
        print("pendant_%d.png  %5d bytes  %3d colours  image data %5d bytes  (%s)"
              % (pid, written, colours, idat, TITLES[pid]))
    if failures:
        raise SystemExit("%d pendant(s) failed" % failures)


if __name__ == "__main__":
    main()
