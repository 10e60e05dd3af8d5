#!/usr/bin/env python3
"""Draws the editor's bitmaps, cursors and icon and writes them as .bmp, .cur
and .ico files into the folder given as the only argument.

Everything is drawn from code with a few primitives, so the pictures need no
image library and rebuild identically on every machine."""

import os
import struct
import sys

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
SILVER = (192, 192, 192)      # button face: the toolbar maps it to the system colour
MAGENTA = (255, 0, 255)       # image-list mask colour (taken from the first pixel)
GREEN = (0, 160, 0)
CYAN = (0, 224, 224)
RED = (224, 0, 0)
NAVY = (0, 0, 128)
HEADER = (255, 240, 170)
BODY = (255, 255, 235)
FOLDER = (230, 190, 60)
FOLDER_DARK = (150, 110, 20)


class Canvas:
    """A width x height grid of pixels; None means transparent."""

    def __init__(self, width, height, fill=None):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills the inclusive rectangle (x0, y0)..(x1, y1)."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, pts, fill, outline):
        """Fills the pixels whose centres lie inside pts, then draws the edges."""
        if fill is not None:
            for y in range(self.h):
                for x in range(self.w):
                    if _inside(pts, x + 0.5, y + 0.5):
                        self.set(x, y, fill)
        if outline is not None:
            for i, (x0, y0) in enumerate(pts):
                x1, y1 = pts[(i + 1) % len(pts)]
                self.line(x0, y0, x1, y1, outline)

    def disc(self, cx, cy, r, fill, outline):
        for y in range(self.h):
            for x in range(self.w):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if d <= r + 0.5:
                    if outline is not None and d > r - 0.7:
                        self.set(x, y, outline)
                    elif fill is not None:
                        self.set(x, y, fill)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] is not None:
                    self.set(ox + x, oy + y, other.px[y][x])


def _inside(pts, x, y):
    inside = False
    n = len(pts)
    for i in range(n):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % n]
        if (y0 > y) != (y1 > y):
            if x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                inside = not inside
    return inside


# ---- File writers -------------------------------------------------------

def _bmp_rows(canvas, background):
    """24-bit rows, bottom-up, each padded to four bytes."""
    out = bytearray()
    pad = (4 - canvas.w * 3 % 4) % 4
    for y in range(canvas.h - 1, -1, -1):
        for x in range(canvas.w):
            r, g, b = canvas.px[y][x] or background
            out += bytes((b, g, r))
        out += b"\0" * pad
    return bytes(out)


def write_bmp(path, canvas, background=WHITE):
    pixels = _bmp_rows(canvas, background)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    _write(path, head + info + pixels)


def _mask_rows(canvas, bit_of):
    """1-bit rows, bottom-up, each padded to four bytes."""
    stride = (canvas.w + 31) // 32 * 4
    out = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(canvas.w):
            if bit_of(canvas.px[y][x]):
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def _icon_image(canvas):
    """32-bit colour image with alpha, followed by the AND mask."""
    colour = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        for x in range(canvas.w):
            p = canvas.px[y][x]
            colour += bytes((p[2], p[1], p[0], 255)) if p else b"\0\0\0\0"
    mask = _mask_rows(canvas, lambda p: p is None)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + mask


def write_ico(path, canvases):
    images = [_icon_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    _write(path, bytes(out))


def write_cur(path, canvas, hotspot):
    """Monochrome cursor: None is transparent, WHITE white, anything else black."""
    xor = _mask_rows(canvas, lambda p: p == WHITE)
    andm = _mask_rows(canvas, lambda p: p is None)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 2)
    palette = b"\0\0\0\0\xff\xff\xff\0"
    image = info + palette + xor + andm
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", canvas.w, canvas.h, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    _write(path, head + entry + image)


def _write(path, data):
    with open(path, "wb") as f:
        f.write(data)


# ---- Pictures -----------------------------------------------------------

def class_box(size):
    """The program's emblem: a class box with name, attribute and operation compartments."""
    c = Canvas(size, size)
    m = max(1, size // 16)
    x0, y0, x1, y1 = m, m * 2, size - 1 - m, size - 1 - m * 2
    head = y0 + (y1 - y0) * 3 // 10
    mid = head + (y1 - head) // 2
    c.rect(x0, y0, x1, head, HEADER)
    c.rect(x0, head, x1, y1, BODY)
    c.frame(x0, y0, x1, y1, BLACK)
    c.line(x0, head, x1, head, BLACK)
    c.line(x0, mid, x1, mid, BLACK)
    # the class name as a bar, members as thinner lines
    cx = (x0 + x1) // 2
    c.rect(cx - size // 5, (y0 + head) // 2 - m // 2, cx + size // 5, (y0 + head) // 2 + (m - 1) // 2 + (1 if size > 16 else 0), NAVY)
    for top, bottom in ((head, mid), (mid, y1)):
        rows = 2 if size > 16 else 1
        for i in range(rows):
            y = top + (bottom - top) * (i + 1) // (rows + 1)
            c.line(x0 + 2 * m + 1, y, x1 - 3 * m - i * 2 * m, y, GREY if size <= 16 else NAVY)
    return c


def handle():
    c = Canvas(7, 7)
    for y in range(7):
        for x in range(7):
            c.set(x, y, GREEN if (x + y) % 2 == 0 else CYAN)
    c.frame(0, 0, 6, 6, BLACK)
    return c


def free_handle():
    c = Canvas(9, 9)
    pts = [(4, 0), (8, 4), (4, 8), (0, 4)]
    c.polygon(pts, RED, BLACK)
    return c


def hidden_handle():
    c = Canvas(5, 5)
    for y in range(5):
        for x in range(5):
            c.set(x, y, GREY if (x + y) % 2 == 0 else WHITE)
    return c


def property_images():
    """Five 16-pixel images: blank, closed folder, open folder, blank, value row."""
    c = Canvas(80, 16, MAGENTA)
    closed = Canvas(16, 16)
    closed.polygon([(1, 3), (6, 3), (7, 5), (14, 5), (14, 13), (1, 13)], FOLDER, FOLDER_DARK)
    opened = Canvas(16, 16)
    opened.polygon([(1, 3), (6, 3), (7, 5), (13, 5), (13, 7), (1, 7)], FOLDER_DARK, FOLDER_DARK)
    opened.polygon([(1, 13), (3, 7), (15, 7), (13, 13)], FOLDER, FOLDER_DARK)
    value = Canvas(16, 16)
    value.rect(3, 2, 12, 13, WHITE)
    value.frame(3, 2, 12, 13, GREY)
    for y in (5, 8, 11):
        value.line(5, y, 10, y, NAVY)
    c.blit(closed, 16, 0)
    c.blit(opened, 32, 0)
    c.blit(value, 64, 0)
    return c


def magnifier(size, sign, background):
    c = Canvas(size, size, background)
    r = size * 5 // 16
    cx = cy = r + 1
    c.disc(cx, cy, r, WHITE, BLACK)
    handle_from = int(cx + r * 0.7)
    for t in range(2):
        c.line(handle_from + t, handle_from, size - 2 + t, size - 2, BLACK)
        c.line(handle_from, handle_from + t, size - 2, size - 2 + t, BLACK)
    arm = max(2, r - 2)
    if sign in "+-":
        c.line(cx - arm, cy, cx + arm, cy, BLACK)
    if sign == "+":
        c.line(cx, cy - arm, cx, cy + arm, BLACK)
    return c


def about_picture():
    c = Canvas(64, 64, WHITE)
    c.blit(class_box(48), 2, 2)
    small = class_box(24)
    c.blit(small, 38, 38)
    c.line(26, 50, 37, 50, BLACK)      # an association between the two classes
    return c


# ---- Cursors ------------------------------------------------------------

ARROW = [(0, 0), (0, 16), (4, 12), (7, 18), (9, 17), (6, 11), (11, 11)]


def arrow_cursor(badge=None):
    """The standard pointer with an optional small sign below right of it."""
    c = Canvas(32, 32)
    c.polygon(ARROW, WHITE, BLACK)
    if badge:
        b = Canvas(12, 12)
        badge(b)
        c.blit(b, 14, 16)
    return c


def badge_plus(b):
    b.rect(0, 0, 10, 10, WHITE)
    b.frame(0, 0, 10, 10, BLACK)
    b.line(2, 5, 8, 5, BLACK)
    b.line(5, 2, 5, 8, BLACK)


def badge_box(b):
    b.rect(0, 0, 10, 10, WHITE)
    b.frame(0, 0, 10, 10, BLACK)
    b.frame(2, 2, 8, 8, BLACK)


def badge_diamond(b):
    b.polygon([(5, 0), (10, 5), (5, 10), (0, 5)], WHITE, BLACK)


def badge_square(b):
    b.rect(1, 1, 9, 9, WHITE)
    b.rect(3, 3, 7, 7, BLACK)
    b.frame(1, 1, 9, 9, BLACK)


def badge_dot(n):
    def draw(b):
        b.rect(0, 0, 10, 10, WHITE)
        b.frame(0, 0, 10, 10, BLACK)
        for i in range(n):
            b.rect(2 + 3 * i, 4, 3 + 3 * i, 6, BLACK)
    return draw


def arrows(directions, with_box=False):
    """Double-headed arrows through the centre (16, 16)."""
    c = Canvas(32, 32)
    vec = {"ns": (0, 1), "we": (1, 0), "nwse": (1, 1), "nesw": (1, -1)}
    for d in directions:
        dx, dy = vec[d]
        for s in (-1, 1):
            tx, ty = 16 + s * dx * 10, 16 + s * dy * 10
            # white halo so the shape shows on any background
            for ox in (-1, 0, 1):
                for oy in (-1, 0, 1):
                    c.line(16 + ox, 16 + oy, tx + ox, ty + oy, WHITE)
            px, py = -dy, dx
            head = [(tx + s * dx, ty + s * dy),
                    (tx - s * dx * 4 + px * 4, ty - s * dy * 4 + py * 4),
                    (tx - s * dx * 4 - px * 4, ty - s * dy * 4 - py * 4)]
            c.polygon(head, BLACK, WHITE)
    for d in directions:
        dx, dy = vec[d]
        c.line(16 - dx * 9, 16 - dy * 9, 16 + dx * 9, 16 + dy * 9, BLACK)
    if with_box:
        c.rect(13, 13, 19, 19, WHITE)
        c.frame(13, 13, 19, 19, BLACK)
    return c


def split_cursor():
    c = arrows(["ns"])
    c.rect(4, 14, 28, 18, WHITE)
    c.rect(5, 15, 27, 17, BLACK)
    return c


def magnifier_cursor(sign):
    c = Canvas(32, 32)
    c.blit(magnifier(22, sign, None), 0, 0)
    return c


CURSORS = [
    # (resource id, file, picture, hot spot)
    (100, "endfree", lambda: arrow_cursor(badge_diamond), (0, 0)),
    (101, "endattach", lambda: arrow_cursor(badge_square), (0, 0)),
    (102, "spare102", lambda: arrow_cursor(badge_dot(1)), (0, 0)),
    (103, "spare103", lambda: arrow_cursor(badge_dot(2)), (0, 0)),
    (105, "dragmove", lambda: arrow_cursor(badge_box), (0, 0)),
    (106, "spare106", lambda: arrow_cursor(badge_dot(3)), (0, 0)),
    (107, "spare107", lambda: arrow_cursor(badge_dot(1)), (0, 0)),
    (108, "spare108", lambda: arrow_cursor(badge_dot(2)), (0, 0)),
    (109, "endhandlefree", lambda: arrow_cursor(badge_diamond), (0, 0)),
    (110, "endhandleattached", lambda: arrow_cursor(badge_square), (0, 0)),
    (111, "spare111", lambda: arrow_cursor(badge_dot(3)), (0, 0)),
    (112, "spare112", lambda: arrow_cursor(badge_dot(1)), (0, 0)),
    (113, "movable", lambda: arrows(["ns", "we"]), (16, 16)),
    (114, "segmentvert", lambda: arrows(["we"]), (16, 16)),
    (115, "segmenthorz", lambda: arrows(["ns"]), (16, 16)),
    (116, "segmentoblique", lambda: arrows(["nwse", "nesw"]), (16, 16)),
    (117, "spare117", lambda: arrow_cursor(badge_dot(2)), (0, 0)),
    (118, "spare118", lambda: arrow_cursor(badge_dot(3)), (0, 0)),
    (119, "dragcopy", lambda: arrow_cursor(badge_plus), (0, 0)),
    (120, "spare120", lambda: arrow_cursor(badge_dot(1)), (0, 0)),
    (121, "spare121", lambda: arrow_cursor(badge_dot(2)), (0, 0)),
    (122, "pan", lambda: arrows(["ns", "we"], with_box=True), (16, 16)),
    (123, "zoomready", lambda: magnifier_cursor(""), (7, 7)),
    (124, "zoomin", lambda: magnifier_cursor("+"), (7, 7)),
    (125, "zoomout", lambda: magnifier_cursor("-"), (7, 7)),
    (126, "split", split_cursor, (16, 16)),
    (130, "spare130", lambda: arrow_cursor(badge_dot(3)), (0, 0)),
]

BITMAPS = [
    ("handle", handle, WHITE),
    ("freehandle", free_handle, WHITE),
    ("hiddenhandle", hidden_handle, WHITE),
    ("propertyimages", property_images, MAGENTA),
    ("about", about_picture, WHITE),
    ("zoomin", lambda: magnifier(16, "+", SILVER), SILVER),
    ("zoomout", lambda: magnifier(16, "-", SILVER), SILVER),
]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: genimages.py OUTPUT_FOLDER")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, draw, background in BITMAPS:
        write_bmp(os.path.join(out, name + ".bmp"), draw(), background)
    for _, name, draw, hotspot in CURSORS:
        write_cur(os.path.join(out, name + ".cur"), draw(), hotspot)
    write_ico(os.path.join(out, "app.ico"), [class_box(32), class_box(16)])


if __name__ == "__main__":
    main()
