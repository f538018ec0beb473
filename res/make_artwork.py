#!/usr/bin/env python3
"""Draws Horalux's pictures and icons: splash.bmp, about.bmp, main.ico,
tracking.ico and paused.ico in the folder of this script.

No photograph and no outside font: every shape is described here (a clock
face and a small rounded stroke font) and rendered with analytic
anti-aliasing, so the files can be rebuilt byte for byte from this script
with the Python standard library alone.

    make_artwork.py                 rewrite the files
    make_artwork.py --check         compare instead, exit 1 if one differs
    make_artwork.py --preview DIR   also write PNG previews (icons enlarged)

The artwork is released under CC0 1.0,
https://creativecommons.org/publicdomain/zero/1.0/ .
"""

import argparse
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def clamp01(v):
    return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


def snap(v):
    # Trigonometry may differ in the last bit between C libraries; rounding
    # the geometry to 1/4096 pixel keeps the output identical everywhere.
    return round(v * 4096.0) / 4096.0


def hexrgb(s):
    return (int(s[0:2], 16) / 255.0, int(s[2:4], 16) / 255.0, int(s[4:6], 16) / 255.0)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


# ---------------------------------------------------------------------------
# Coverage masks: each shape adds its coverage (0..1) by union (maximum).
# Pixel (i, j) has its centre at (i + 0.5, j + 0.5); y grows downwards.


class Mask:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.a = [0.0] * (w * h)

    def _box(self, x0, y0, x1, y1):
        i0 = max(0, int(math.floor(x0 - 1)))
        j0 = max(0, int(math.floor(y0 - 1)))
        i1 = min(self.w, int(math.ceil(x1 + 1)))
        j1 = min(self.h, int(math.ceil(y1 + 1)))
        return i0, j0, i1, j1

    def capsule(self, x1, y1, x2, y2, hw):
        """Line from (x1, y1) to (x2, y2), half width hw, round ends."""
        x1, y1, x2, y2 = snap(x1), snap(y1), snap(x2), snap(y2)
        dx, dy = x2 - x1, y2 - y1
        ll = dx * dx + dy * dy
        i0, j0, i1, j1 = self._box(min(x1, x2) - hw, min(y1, y2) - hw,
                                   max(x1, x2) + hw, max(y1, y2) + hw)
        a, w = self.a, self.w
        for j in range(j0, j1):
            py = j + 0.5 - y1
            for i in range(i0, i1):
                px = i + 0.5 - x1
                t = (px * dx + py * dy) / ll if ll > 0 else 0.0
                t = 0.0 if t < 0.0 else (1.0 if t > 1.0 else t)
                ex, ey = px - t * dx, py - t * dy
                c = hw - math.sqrt(ex * ex + ey * ey) + 0.5
                if c > 0.0:
                    k = j * w + i
                    c = 1.0 if c > 1.0 else c
                    if c > a[k]:
                        a[k] = c

    def disc(self, cx, cy, r, rin=None):
        """Filled circle, or the ring between rin and r."""
        i0, j0, i1, j1 = self._box(cx - r, cy - r, cx + r, cy + r)
        a, w = self.a, self.w
        for j in range(j0, j1):
            py = j + 0.5 - cy
            for i in range(i0, i1):
                px = i + 0.5 - cx
                d = math.sqrt(px * px + py * py)
                c = r - d + 0.5
                if rin is not None:
                    c = min(c, d - rin + 0.5)
                if c > 0.0:
                    k = j * w + i
                    c = 1.0 if c > 1.0 else c
                    if c > a[k]:
                        a[k] = c

    def arc(self, cx, cy, r, a0, a1, hw):
        """Stroke along the circle from angle a0 to a1 (degrees, increasing,
        measured as x = cos, y = sin in pixel space), round ends."""
        # Split into pieces of at most 180 degrees so that the sector test
        # below is two half-plane tests.
        n = int(math.ceil((a1 - a0) / 180.0 - 1e-9))
        for p in range(n):
            s = math.radians(a0 + (a1 - a0) * p / n)
            e = math.radians(a0 + (a1 - a0) * (p + 1) / n)
            self._arc_piece(cx, cy, r, snap(math.cos(s)), snap(math.sin(s)),
                            snap(math.cos(e)), snap(math.sin(e)), hw)

    def _arc_piece(self, cx, cy, r, sx, sy, ex, ey, hw):
        i0, j0, i1, j1 = self._box(cx - r - hw, cy - r - hw, cx + r + hw, cy + r + hw)
        a, w = self.a, self.w
        p0x, p0y = cx + r * sx, cy + r * sy
        p1x, p1y = cx + r * ex, cy + r * ey
        for j in range(j0, j1):
            py = j + 0.5 - cy
            for i in range(i0, i1):
                px = i + 0.5 - cx
                if sx * py - sy * px >= 0.0 and px * ey - py * ex >= 0.0:
                    d = abs(math.sqrt(px * px + py * py) - r)
                else:
                    qx, qy = i + 0.5 - p0x, j + 0.5 - p0y
                    d0 = qx * qx + qy * qy
                    qx, qy = i + 0.5 - p1x, j + 0.5 - p1y
                    d1 = qx * qx + qy * qy
                    d = math.sqrt(d0 if d0 < d1 else d1)
                c = hw - d + 0.5
                if c > 0.0:
                    k = j * w + i
                    c = 1.0 if c > 1.0 else c
                    if c > a[k]:
                        a[k] = c

    def bar(self, cx, cy, angle, r0, r1, hw, corner=0.0):
        """Rectangle along the ray from (cx, cy) at angle (degrees, 0 = up,
        clockwise), from radius r0 to r1, half width hw."""
        t = math.radians(angle)
        ux, uy = snap(math.sin(t)), snap(-math.cos(t))
        mx, my = cx + ux * (r0 + r1) / 2, cy + uy * (r0 + r1) / 2
        hl = (r1 - r0) / 2
        ext = hl + hw
        i0, j0, i1, j1 = self._box(mx - ext, my - ext, mx + ext, my + ext)
        a, w = self.a, self.w
        bl, bw = hl - corner, hw - corner
        for j in range(j0, j1):
            py = j + 0.5 - my
            for i in range(i0, i1):
                px = i + 0.5 - mx
                along = abs(px * ux + py * uy) - bl
                across = abs(-px * uy + py * ux) - bw
                if along > 0.0 and across > 0.0:
                    d = math.sqrt(along * along + across * across)
                else:
                    d = along if along > across else across
                c = 0.5 - (d - corner)
                if c > 0.0:
                    k = j * w + i
                    c = 1.0 if c > 1.0 else c
                    if c > a[k]:
                        a[k] = c

    def rect(self, x0, y0, x1, y1):
        """Axis-aligned rectangle with anti-aliased edges."""
        i0, j0, i1, j1 = self._box(x0, y0, x1, y1)
        a, w = self.a, self.w
        for j in range(j0, j1):
            cy = clamp01(min(j + 1.0, y1) - max(float(j), y0))
            for i in range(i0, i1):
                c = cy * clamp01(min(i + 1.0, x1) - max(float(i), x0))
                k = j * w + i
                if c > a[k]:
                    a[k] = c

    def blurred(self, radius, passes=3):
        """Box blur, three passes approximate a Gaussian: for soft shadows."""
        w, h = self.w, self.h
        src = list(self.a)
        n = 2 * radius + 1
        for _ in range(passes):
            tmp = [0.0] * (w * h)
            for j in range(h):
                row = j * w
                s = 0.0
                for i in range(-radius, radius + 1):
                    if 0 <= i < w:
                        s += src[row + i]
                for i in range(w):
                    tmp[row + i] = s / n
                    ia, ib = i + radius + 1, i - radius
                    if ia < w:
                        s += src[row + ia]
                    if ib >= 0:
                        s -= src[row + ib]
            out = [0.0] * (w * h)
            for i in range(w):
                s = 0.0
                for j in range(-radius, radius + 1):
                    if 0 <= j < h:
                        s += tmp[j * w + i]
                for j in range(h):
                    out[j * w + i] = s / n
                    ja, jb = j + radius + 1, j - radius
                    if ja < h:
                        s += tmp[ja * w + i]
                    if jb >= 0:
                        s -= tmp[jb * w + i]
            src = out
        m = Mask(w, h)
        m.a = src
        return m

    def shifted(self, dx, dy):
        m = Mask(self.w, self.h)
        for j in range(self.h):
            sj = j - dy
            if 0 <= sj < self.h:
                for i in range(self.w):
                    si = i - dx
                    if 0 <= si < self.w:
                        m.a[j * self.w + i] = self.a[sj * self.w + si]
        return m


class Canvas:
    """RGB image with values 0..1, plus coverage (alpha) for icons."""

    def __init__(self, w, h, colour=(0.0, 0.0, 0.0), alpha=1.0):
        self.w, self.h = w, h
        self.px = [colour] * (w * h)
        self.alpha = [alpha] * (w * h)

    def fill(self, fn):
        for j in range(self.h):
            for i in range(self.w):
                self.px[j * self.w + i] = fn(i + 0.5, j + 0.5)

    def paint(self, mask, colour, opacity=1.0):
        """Lay a colour (or a function of x, y giving one) through a mask."""
        fn = colour if callable(colour) else None
        w = self.w
        for k, c in enumerate(mask.a):
            if c <= 0.0:
                continue
            c *= opacity
            col = fn((k % w) + 0.5, (k // w) + 0.5) if fn else colour
            # Alpha-compose onto what is there; keeps colour unpremultiplied.
            a0 = self.alpha[k]
            a1 = c + a0 * (1.0 - c)
            if a1 <= 0.0:
                continue
            p = self.px[k]
            f = c / a1
            self.px[k] = (p[0] + (col[0] - p[0]) * f,
                          p[1] + (col[1] - p[1]) * f,
                          p[2] + (col[2] - p[2]) * f)
            self.alpha[k] = a1

    def bytes_rgb(self, i, j):
        p = self.px[j * self.w + i]
        return (int(clamp01(p[0]) * 255.0 + 0.5), int(clamp01(p[1]) * 255.0 + 0.5),
                int(clamp01(p[2]) * 255.0 + 0.5))


# ---------------------------------------------------------------------------
# A small rounded stroke font. Units: cap height 1, baseline 0, y upwards.
# Each glyph is a list of strokes along centre lines plus its ink width
# (between the outermost centre lines); strokes end in round caps.

X_HEIGHT = 0.70


def _glyphs(sw):
    r = X_HEIGHT / 2 - sw / 2 + 0.012       # bowls overshoot a little
    mid = X_HEIGHT / 2
    top = X_HEIGHT - sw / 2                 # centre line of an x-height stroke end
    bot = sw / 2
    asc = 1.0 - sw / 2
    rm = r * 0.78                           # the narrower arches of m
    mcy = X_HEIGHT - sw / 2 - rm
    g = {
        'H': ([('s', 0, bot, 0, asc), ('s', 0.62, bot, 0.62, asc),
               ('s', 0, 0.5, 0.62, 0.5)], 0.62),
        'o': ([('a', r, mid, r, 0, 360)], 2 * r),
        'a': ([('a', r, mid, r, 0, 360), ('s', 2 * r, bot, 2 * r, top)], 2 * r),
        'd': ([('a', r, mid, r, 0, 360), ('s', 2 * r, bot, 2 * r, asc)], 2 * r),
        'r': ([('s', 0, bot, 0, top), ('a', r, mid, r, 50, 180)],
              r + r * math.cos(math.radians(50))),
        'l': ([('s', 0, bot, 0, asc)], 0.0),
        'u': ([('s', 0, mid, 0, top), ('a', r, mid, r, 180, 360),
               ('s', 2 * r, bot, 2 * r, top)], 2 * r),
        'n': ([('s', 0, bot, 0, top), ('a', r, mid, r, 0, 180),
               ('s', 2 * r, bot, 2 * r, mid)], 2 * r),
        'm': ([('s', 0, bot, 0, top), ('a', rm, mcy, rm, 0, 180),
               ('s', 2 * rm, bot, 2 * rm, mcy), ('a', 3 * rm, mcy, rm, 0, 180),
               ('s', 4 * rm, bot, 4 * rm, mcy)], 4 * rm),
        'x': ([('s', 0, bot, 0.5, top), ('s', 0, top, 0.5, bot)], 0.5),
        'e': ([('s', 0, mid, 2 * r, mid), ('a', r, mid, r, 0, 318)], 2 * r),
        't': ([('s', 0.13, 0.93 - sw / 2, 0.13, bot), ('s', 0, top, 0.32, top)], 0.32),
        'i': ([('s', 0, bot, 0, top), ('d', 0, X_HEIGHT + 0.2, sw * 0.62)], 0.0),
        'j': ([('s', 0.14, top, 0.14, -0.08), ('a', 0.0, -0.08, 0.14, 200, 360),
               ('d', 0.14, X_HEIGHT + 0.2, sw * 0.62)], 0.14),
        'w': ([('s', 0.0, top, 0.19, bot), ('s', 0.19, bot, 0.38, top),
               ('s', 0.38, top, 0.57, bot), ('s', 0.57, bot, 0.76, top)], 0.76),
        'k': ([('s', 0, bot, 0, asc), ('s', 0.44, top, 0.03, 0.24),
               ('s', 0.16, 0.35, 0.46, bot)], 0.46),
        ' ': ([], 0.16),
    }
    return g


def draw_text(mask, text, x, baseline, size, sw, tracking=0.08):
    """Draws text with its ink starting at x; size is the cap height in
    pixels, sw the stroke width and tracking the extra letter gap, both in
    cap heights."""
    g = _glyphs(sw)
    hw = sw * size / 2
    pen = x / size + sw / 2
    for ch in text:
        strokes, width = g[ch]
        for st in strokes:
            if st[0] == 's':
                _, x1, y1, x2, y2 = st
                mask.capsule((pen + x1) * size, baseline - y1 * size,
                             (pen + x2) * size, baseline - y2 * size, hw)
            elif st[0] == 'a':
                _, cx, cy, rr, a0, a1 = st
                # y flips from font to pixel space, and so do the angles.
                mask.arc((pen + cx) * size, baseline - cy * size, rr * size,
                         -a1, -a0, hw)
            else:
                _, cx, cy, rr = st
                mask.disc((pen + cx) * size, baseline - cy * size, rr * size)
        pen += width + sw + tracking


# ---------------------------------------------------------------------------
# Clock hands, shared by the pictures and the icons.


def hand_angle(hours, minutes, seconds=0.0):
    """Angles of the hour, minute and second hand, in degrees clockwise from
    twelve, for a clock showing the given time."""
    m = minutes + seconds / 60.0
    return ((hours % 12) + m / 60.0) * 30.0, m * 6.0, seconds * 6.0


# ---------------------------------------------------------------------------
# Splash and About picture.

NAVY = hexrgb('0e2440')
TEAL = hexrgb('1d6a80')
GLOW = hexrgb('3f9fb5')
INK = hexrgb('eaf4f7')
ACCENT = hexrgb('f08a3c')


def picture(w, h):
    cv = Canvas(w, h)
    # Background: a diagonal blue gradient with a soft light behind the dial.
    ccx, ccy, cr = 236.0, 102.0, 94.0

    def bg(x, y):
        t = clamp01((x * 0.55 + y) / (356 * 0.55 + 205))
        col = mix(NAVY, TEAL, t * t * (3 - 2 * t))
        dx, dy = (x - ccx) / 150.0, (y - ccy) / 120.0
        g = math.exp(-(dx * dx + dy * dy) * 1.6)
        return mix(col, GLOW, 0.35 * g)

    cv.fill(bg)

    # Dial: a faintly lit glass disc with a bright rim, drawn as light on dark
    # so that the white name stays readable where it crosses the dial.
    shadow = Mask(w, h)
    shadow.disc(ccx, ccy + 3, cr + 1)
    cv.paint(shadow.blurred(5), hexrgb('06121f'), 0.45)

    face = Mask(w, h)
    face.disc(ccx, ccy, cr - 3)

    def face_col(x, y):
        dx, dy = (x - ccx) / cr, (y - ccy) / cr
        return mix(hexrgb('ffffff'), hexrgb('9fd3e0'), clamp01(0.5 + (dy - dx) * 0.5))

    cv.paint(face, face_col, 0.10)
    rim = Mask(w, h)
    rim.disc(ccx, ccy, cr, cr - 3.2)
    cv.paint(rim, INK, 0.85)
    inner = Mask(w, h)
    inner.disc(ccx, ccy, cr - 7, cr - 7.8)
    cv.paint(inner, INK, 0.30)

    ticks = Mask(w, h)
    for n in range(60):
        if n % 5:
            ticks.bar(ccx, ccy, n * 6, cr - 14, cr - 9, 0.55)
    cv.paint(ticks, INK, 0.55)
    marks = Mask(w, h)
    for n in range(12):
        big = n % 3 == 0
        marks.bar(ccx, ccy, n * 30, cr - (26 if big else 21), cr - 9,
                  2.6 if big else 1.7, 0.8)
    cv.paint(marks, INK, 0.92)

    # Hands at ten past ten, the classic pose that frames the name.
    ha, ma, sa = hand_angle(10, 9, 13)
    hands = Mask(w, h)
    for ang, length, hw in ((ha, 50, 3.6), (ma, 74, 2.6)):
        t = math.radians(ang)
        hands.capsule(ccx - math.sin(t) * 5, ccy + math.cos(t) * 5,
                      ccx + math.sin(t) * length, ccy - math.cos(t) * length, hw)
    hshadow = hands.blurred(2).shifted(2, 3)
    cv.paint(hshadow, hexrgb('06121f'), 0.35)
    cv.paint(hands, INK, 0.95)
    sec = Mask(w, h)
    t = math.radians(sa)
    sec.capsule(ccx - math.sin(t) * 16, ccy + math.cos(t) * 16,
                ccx + math.sin(t) * (cr - 12), ccy - math.cos(t) * (cr - 12), 0.9)
    sec.disc(ccx, ccy, 5.2)
    cv.paint(sec, ACCENT)
    hub = Mask(w, h)
    hub.disc(ccx, ccy, 2.0)
    cv.paint(hub, hexrgb('fff4e8'))

    # The name, large, across the lower half of the dial, below the hub, so
    # that the raised hands stay clear of it. The About dialog may cut off the
    # lowest rows of the picture: nothing written goes below 182.
    size, sw = 52.0, 0.155
    tx, base = 22.0, 154.0
    name = Mask(w, h)
    draw_text(name, 'Horalux', tx, base, size, sw, 0.07)
    cv.paint(name.blurred(4).shifted(2, 4), hexrgb('050e19'), 0.55)
    cv.paint(name, hexrgb('ffffff'))

    tag = Mask(w, h)
    draw_text(tag, 'work time journal', tx + 2, base + 23, 12.0, 0.13, 0.15)
    cv.paint(tag.blurred(2).shifted(1, 2), hexrgb('050e19'), 0.45)
    cv.paint(tag, hexrgb('cfe7ee'))

    return cv


# ---------------------------------------------------------------------------
# Icons: a white dial in a blue ring; the tray states carry a badge.

BLUE = hexrgb('1f5f9e')
DARK = hexrgb('0d2a4a')
FACE = hexrgb('ffffff')
GREEN = hexrgb('34c759')
GREY_RIM = hexrgb('6d747b')
GREY_FACE = hexrgb('d9dcdf')
RED = hexrgb('d8402f')


def icon_main():
    s = 48
    cv = Canvas(s, s, alpha=0.0)
    c, r = 24.0, 23.0
    m = Mask(s, s)
    m.disc(c, c, r)
    cv.paint(m, DARK)
    m = Mask(s, s)
    m.disc(c, c, r - 1.0)

    def ring(x, y):
        return mix(hexrgb('3d86c6'), BLUE, clamp01((y - 4) / 40.0))

    cv.paint(m, ring)
    m = Mask(s, s)
    m.disc(c, c, r - 4.0)
    cv.paint(m, DARK)
    m = Mask(s, s)
    m.disc(c, c, r - 5.0)

    def face(x, y):
        return mix(FACE, hexrgb('dde8f1'), clamp01((y - 8) / 36.0))

    cv.paint(m, face)
    m = Mask(s, s)
    for n in range(12):
        big = n % 3 == 0
        m.bar(c, c, n * 30, r - (10.5 if big else 9.0), r - 6.0, 1.25 if big else 0.7)
    cv.paint(m, DARK)
    ha, ma, _ = hand_angle(10, 9)
    m = Mask(s, s)
    for ang, length, hw in ((ha, 9.5, 1.6), (ma, 14.0, 1.15)):
        t = math.radians(ang)
        m.capsule(c, c, c + math.sin(t) * length, c - math.cos(t) * length, hw)
    cv.paint(m, DARK)
    m = Mask(s, s)
    t = math.radians(hand_angle(0, 0, 38)[2])
    m.capsule(c - math.sin(t) * 3.5, c + math.cos(t) * 3.5,
              c + math.sin(t) * 15.0, c - math.cos(t) * 15.0, 0.55)
    m.disc(c, c, 2.2)
    cv.paint(m, RED)
    return cv


def icon_small(paused):
    s = 16
    cv = Canvas(s, s, alpha=0.0)
    c = 7.5
    rim, face = (GREY_RIM, GREY_FACE) if paused else (BLUE, FACE)
    m = Mask(s, s)
    m.disc(c, c, 7.4)
    cv.paint(m, rim)
    m = Mask(s, s)
    m.disc(c, c, 5.6)
    cv.paint(m, face)
    # Hands at three o'clock lie on the pixel grid and stay crisp.
    m = Mask(s, s)
    m.rect(7.0, 3.0, 8.0, 8.0)
    m.rect(7.0, 7.0, 11.0, 8.0)
    cv.paint(m, DARK if not paused else hexrgb('50575e'))
    # Status badge in the lower right corner.
    m = Mask(s, s)
    if paused:
        # Two bold bars, whole pixels wide, on a dark plate that keeps them
        # apart from the grey dial on any task bar.
        m.rect(8.0, 7.0, 16.0, 16.0)
        cv.paint(m, hexrgb('3a1410'))
        m = Mask(s, s)
        m.rect(9.0, 8.0, 11.0, 15.0)
        m.rect(13.0, 8.0, 15.0, 15.0)
        cv.paint(m, RED)
    else:
        # A green light: running. Its dark ring sets it off from the white dial.
        m.disc(12.0, 12.0, 4.2)
        cv.paint(m, hexrgb('0f4d22'))
        m = Mask(s, s)
        m.disc(12.0, 12.0, 3.2)
        cv.paint(m, GREEN)
    return cv


# ---------------------------------------------------------------------------
# File formats.


def bmp24(cv):
    """Uncompressed 24-bit BMP, BITMAPINFOHEADER, rows bottom-up."""
    w, h = cv.w, cv.h
    stride = (w * 3 + 3) & ~3
    rows = []
    for j in range(h - 1, -1, -1):
        row = bytearray()
        for i in range(w):
            r, g, b = cv.bytes_rgb(i, j)
            row += bytes((b, g, r))
        row += b'\0' * (stride - w * 3)
        rows.append(bytes(row))
    data = b''.join(rows)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + data


def _opaque_pixels(cv):
    """The icon mask is one bit: a pixel is shown if at least half covered."""
    out = []
    for j in range(cv.h):
        for i in range(cv.w):
            k = j * cv.w + i
            out.append(cv.bytes_rgb(i, j) if cv.alpha[k] >= 0.5 else None)
    return out


def _median_cut(colours, n):
    """Up to n palette colours for a {colour: count} table, deterministic."""
    boxes = [sorted(colours.items())]
    while len(boxes) < n:
        best, best_range, best_ch = None, -1, 0
        for bi, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                vals = [c[0][ch] for c in box]
                rng = max(vals) - min(vals)
                if rng > best_range:
                    best, best_range, best_ch = bi, rng, ch
        if best is None:
            break
        box = sorted(boxes[best], key=lambda c: (c[0][best_ch], c[0]))
        total = sum(c[1] for c in box)
        acc, cut = 0, 1
        for idx, c in enumerate(box):
            acc += c[1]
            if acc * 2 >= total:
                cut = min(max(idx + 1, 1), len(box) - 1)
                break
        boxes[best:best + 1] = [box[:cut], box[cut:]]
    pal = []
    for box in boxes:
        total = sum(c[1] for c in box)
        pal.append(tuple(int(sum(c[0][ch] * c[1] for c in box) / total + 0.5)
                         for ch in range(3)))
    return pal


def ico8(cv):
    """ICO with one 256-colour image: ICONDIR, ICONDIRENTRY, then a DIB of
    double height holding the palettised colours (XOR) and the 1-bit mask."""
    w, h = cv.w, cv.h
    pixels = _opaque_pixels(cv)
    counts = {}
    for p in pixels:
        if p is not None:
            counts[p] = counts.get(p, 0) + 1
    if len(counts) <= 255:
        colours = sorted(counts)
    else:
        colours = _median_cut(counts, 255)
    # Entry 0 is black: transparent pixels show the screen through the mask
    # only if their colour bits are zero.
    palette = [(0, 0, 0)] + [c for c in colours if c != (0, 0, 0)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {}

    def nearest(p):
        if p not in index:
            best, bd = 0, None
            for n, q in enumerate(palette[:len(colours) + 1]):
                d = (p[0] - q[0]) ** 2 * 3 + (p[1] - q[1]) ** 2 * 4 + (p[2] - q[2]) ** 2 * 2
                if bd is None or d < bd:
                    best, bd = n, d
            index[p] = best
        return index[p]

    xor_stride = (w + 3) & ~3
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for j in range(h - 1, -1, -1):
        row = bytearray()
        bits = bytearray(and_stride)
        for i in range(w):
            p = pixels[j * w + i]
            if p is None:
                row.append(0)
                bits[i // 8] |= 0x80 >> (i % 8)
            else:
                row.append(nearest(p))
        row += b'\0' * (xor_stride - w)
        xor += row
        andm += bits
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 8, 0,
                       len(xor) + len(andm), 0, 0, 0, 0)
    image = info + pal + bytes(xor) + bytes(andm)
    head = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', w, h, 0, 0, 1, 8, len(image), 6 + 16)
    return head + entry + image


def decode_bmp(data):
    """Reads back a BMP as this program's loaders expect it: 24-bit, no
    compression, BITMAPINFOHEADER, bottom-up. Gives width, height and rows
    of (r, g, b), top row first; raises ValueError on anything else."""
    if len(data) < 54 or data[:2] != b'BM':
        raise ValueError('not a BMP file')
    size, _, _, offset = struct.unpack_from('<IHHI', data, 2)
    hsize, w, h, planes, bpp, comp, isize = struct.unpack_from('<IiiHHII', data, 14)
    if size != len(data) or hsize != 40 or offset != 54:
        raise ValueError('unexpected BMP header')
    if h <= 0 or planes != 1 or bpp != 24 or comp != 0:
        raise ValueError('not a bottom-up 24-bit uncompressed bitmap')
    stride = (w * 3 + 3) & ~3
    if isize != stride * h or offset + isize != len(data):
        raise ValueError('BMP pixel data has the wrong size')
    rows = []
    for j in range(h - 1, -1, -1):
        at = offset + j * stride
        rows.append([(data[at + 3 * i + 2], data[at + 3 * i + 1], data[at + 3 * i])
                     for i in range(w)])
    return w, h, rows


def decode_ico(data):
    """Reads back a one-image 256-colour ICO. Gives width, height and rows
    of (r, g, b, a), top row first; raises ValueError if the structure is
    not what LoadIcon expects."""
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1 or count != 1:
        raise ValueError('not an icon file with one image')
    w, h, colours, _, planes, bpp, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
    if offset != 22 or offset + size != len(data) or colours != 0 or planes != 1 or bpp != 8:
        raise ValueError('unexpected icon directory entry')
    hsize, dw, dh, dplanes, dbpp, comp, isize = struct.unpack_from('<IiiHHII', data, offset)
    if hsize != 40 or dw != w or dh != 2 * h or dplanes != 1 or dbpp != 8 or comp != 0:
        raise ValueError('unexpected icon image header')
    xor_stride = (w + 3) & ~3
    and_stride = ((w + 31) // 32) * 4
    if isize != (xor_stride + and_stride) * h or size != 40 + 1024 + isize:
        raise ValueError('icon image has the wrong size')
    pal_at = offset + 40
    palette = [(data[pal_at + 4 * n + 2], data[pal_at + 4 * n + 1], data[pal_at + 4 * n])
               for n in range(256)]
    xor_at = pal_at + 1024
    and_at = xor_at + xor_stride * h
    rows = []
    for j in range(h - 1, -1, -1):
        row = []
        for i in range(w):
            index = data[xor_at + j * xor_stride + i]
            hidden = data[and_at + j * and_stride + i // 8] & (0x80 >> (i % 8))
            if hidden:
                if palette[index] != (0, 0, 0):
                    raise ValueError('transparent pixel with non-black colour bits')
                row.append((0, 0, 0, 0))
            else:
                row.append(palette[index] + (255,))
        rows.append(row)
    return w, h, rows


def png(width, height, rgba_rows):
    """PNG of rows of (r, g, b, a), for previews only."""
    raw = b''.join(b'\0' + b''.join(bytes(p) for p in r) for r in rgba_rows)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))

    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def enlarged(rows, scale, back=None):
    """Rows scaled up by whole pixels; transparent pixels take back if given."""
    out = []
    for r in rows:
        line = []
        for p in r:
            if len(p) == 3:
                p = p + (255,)
            if back is not None and p[3] == 0:
                p = back + (255,)
            line.extend([p] * scale)
        out.extend([line] * scale)
    return out


def tray_preview(icons):
    """The 16-pixel icons at their real size and enlarged, on a light and on
    a dark task bar, as the user meets them."""
    scale, pad = 6, 8
    band = 16 * scale + 2 * pad
    rows = []
    for back in ((240, 240, 240), (32, 36, 42)):
        strip = [[back + (255,)] * pad for _ in range(band)]
        for icon in icons:
            big = enlarged(icon, scale, back)
            small = enlarged(icon, 1, back)
            for y in range(band):
                line = strip[y]
                if pad <= y < pad + len(big):
                    line.extend(big[y - pad])
                else:
                    line.extend([back + (255,)] * len(big[0]))
                line.extend([back + (255,)] * pad)
                sy = y - (band - 16) // 2
                line.extend(small[sy] if 0 <= sy < 16 else [back + (255,)] * 16)
                line.extend([back + (255,)] * pad)
        rows.extend(strip)
    return png(len(rows[0]), len(rows), rows)


# What each file must be, whatever the drawing: kind, width, height.
FILES = {
    'splash.bmp': ('bmp', 357, 205),
    'about.bmp': ('bmp', 356, 205),
    'main.ico': ('ico', 48, 48),
    'tracking.ico': ('ico', 16, 16),
    'paused.ico': ('ico', 16, 16),
}


def build():
    scene = picture(357, 205)
    # The About picture is the splash without the column the splash window
    # never shows.
    about = Canvas(356, 205)
    for j in range(205):
        about.px[j * 356:(j + 1) * 356] = scene.px[j * 357:j * 357 + 356]
    return {
        'splash.bmp': bmp24(scene),
        'about.bmp': bmp24(about),
        'main.ico': ico8(icon_main()),
        'tracking.ico': ico8(icon_small(False)),
        'paused.ico': ico8(icon_small(True)),
    }


def decode(name, data):
    kind, w, h = FILES[name]
    dw, dh, rows = (decode_bmp if kind == 'bmp' else decode_ico)(data)
    if (dw, dh) != (w, h):
        raise ValueError('%d x %d pixels instead of %d x %d' % (dw, dh, w, h))
    return rows


def previews(files):
    """PNGs of exactly what the files hold, decoded from them."""
    rows = {name: decode(name, data) for name, data in files.items()}
    out = {
        'splash.png': png(357, 205, enlarged(rows['splash.bmp'], 1)),
        'about.png': png(356, 205, enlarged(rows['about.bmp'], 1)),
        'splash_3x.png': png(357 * 3, 205 * 3, enlarged(rows['splash.bmp'], 3)),
        'main_8x.png': png(384, 384, enlarged(rows['main.ico'], 8, (255, 255, 255))),
        'main_1x.png': png(48, 48, enlarged(rows['main.ico'], 1)),
        'tracking_8x.png': png(128, 128, enlarged(rows['tracking.ico'], 8, (255, 255, 255))),
        'paused_8x.png': png(128, 128, enlarged(rows['paused.ico'], 8, (255, 255, 255))),
        'tray.png': tray_preview([rows['tracking.ico'], rows['paused.ico']]),
    }
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('--check', action='store_true',
                    help='compare with the files in the folder, exit 1 if any differs')
    ap.add_argument('--preview', metavar='DIR', help='also write PNG previews into DIR')
    args = ap.parse_args()
    files = build()
    status = 0
    for name, data in files.items():
        path = os.path.join(HERE, name)
        if not args.check:
            with open(path, 'wb') as f:
                f.write(data)
            continue
        try:
            with open(path, 'rb') as f:
                have = f.read()
        except OSError as e:
            print('%s: %s' % (path, e.strerror), file=sys.stderr)
            status = 1
            continue
        # Check the committed file on its own terms too, so that a writer
        # bug cannot hide behind a file that merely matches it.
        try:
            decode(name, have)
        except (ValueError, struct.error) as e:
            print('%s: %s' % (path, e), file=sys.stderr)
            status = 1
        if have != data:
            print('%s differs from what make_artwork.py draws; run it to rebuild'
                  % path, file=sys.stderr)
            status = 1
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for name, data in previews(files).items():
            with open(os.path.join(args.preview, name), 'wb') as f:
                f.write(data)
    return status


if __name__ == '__main__':
    sys.exit(main())
