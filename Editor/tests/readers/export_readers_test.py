#!/usr/bin/env python3
"""Checks that other programs read the editor's exported pictures: runs the export scene under Wine,
has LibreOffice Draw and Inkscape (when installed) convert its EMF and WMF to PNG and SVG, and checks
- of the figure scene, against the editor's own PNG of it: every box edge and diagonal where ours has
  it, within a small tolerance, each text's ink in its place, and the border whole around the drawing;
- of both EMFs, their header: the recorded bounds and frame hold every stroke of the records;
- of the class diagram: every class outline, the package frame and every association segment have
  ink along them, and every class name (Greek, Chinese and Japanese among them) is text in the SVG;
- of the canvas test, which holds a picture: both readers open it and show it.

usage: export_readers_test.py WINE_EXEC SCENE_PROGRAM WORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "text", "tests", "readers"))
from metafile_readers_test import convert, fail, ink_columns, picture_area, read_gray  # noqa: E402
from scene_run import run_scene  # noqa: E402

TOLERANCE = 60  # 0.6 mm: where an edge may lie in another program's picture


def read_shapes(path):
    boxes, texts = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            rect = [float(v) for v in parts[1:5]]
            (boxes if parts[0] == "box" else texts).append((rect, parts[5] if len(parts) > 5 else ""))
    return boxes, texts


def frame_size(boxes):
    """The size of the first box, the frame of the scene (0.01 mm)."""
    left, top, right, bottom = boxes[0][0]
    return right - left, bottom - top


def placement(image, size):
    """Maps 0.01 mm of the scene to the image: the outermost ink is the scene's frame."""
    left, top, right, bottom = picture_area(image)
    return left, top, (right - left) / size[0], (bottom - top) / size[1]


def dark_near(image, place, x, y, threshold):
    width, height, pixels = image
    left, top, kx, ky = place
    cx, cy = left + x * kx, top + y * ky
    reach = max(2, int(TOLERANCE * kx))  # two pixels where a reader draws the picture small
    for py in range(max(0, int(cy) - reach), min(height, int(cy) + reach + 2)):
        for px in range(max(0, int(cx) - reach), min(width, int(cx) + reach + 2)):
            if pixels[py * width + px] < threshold:
                return True
    return False


def edge_share(image, place, a, b, threshold=160, steps=40):
    """The share of points along the segment a-b (0.01 mm) that have ink (grey below the threshold)
    within the tolerance."""
    hits = 0
    for i in range(steps + 1):
        t = i / float(steps)
        hits += dark_near(image, place, a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, threshold)
    return hits / float(steps + 1)


def compare(kind, theirs, ours, boxes, texts, line_ink=160):
    """line_ink: the grey below which a reader's line counts."""
    size = frame_size(boxes)
    their_place, our_place = placement(theirs, size), placement(ours, size)
    if abs(their_place[2] / their_place[3] - 1) > 0.04:
        fail("%s: the picture is drawn out of shape (%.3f x %.3f pixels per unit)" % (kind, their_place[2], their_place[3]))
    for rect, _ in boxes:
        l, t, r, b = rect
        for name, a, z in (("left", (l, t), (l, b)), ("right", (r, t), (r, b)), ("top", (l, t), (r, t)),
                           ("bottom", (l, b), (r, b)), ("diagonal", (l, t), (r, b))):
            share_ours = edge_share(ours, our_place, a, z)
            share_theirs = edge_share(theirs, their_place, a, z, line_ink)
            if share_ours < 0.9:
                fail("our PNG lacks the %s of the box %r (%.0f%%)" % (name, rect, 100 * share_ours))
            if share_theirs < 0.9:
                fail("%s: the %s of the box %r is %.0f%% in place" % (kind, name, rect, 100 * share_theirs))
    for rect, text in texts:
        grown = [rect[0] - 60, rect[1] - 60, rect[2] + 60, rect[3] + 60]
        t_count, t_first, t_last = ink_columns(theirs, grown, their_place)
        o_count, o_first, o_last = ink_columns(ours, grown, our_place)
        if o_count == 0:
            fail("our PNG shows nothing of %r" % text)
        expected = o_count * (their_place[2] * their_place[3]) / (our_place[2] * our_place[3])
        if t_count < 0.3 * expected:
            fail("%s: little of %r is shown (%d ink pixels, %d expected)" % (kind, text, t_count, expected))
        tolerance = 0.08 * (rect[2] - rect[0]) + 100
        if abs(t_first - o_first) > tolerance or abs(t_last - o_last) > tolerance:
            fail("%s: %r lies at %.0f..%.0f, ours at %.0f..%.0f" % (kind, text, t_first, t_last, o_first, o_last))
    print("%s: %d boxes and %d texts in place" % (kind, len(boxes), len(texts)))


def check_size_and_texts(kind, theirs, ours, boxes, texts):
    """A reader that sizes the picture as ours and shows all of its texts."""
    if abs(theirs[0] - ours[0]) > 2 or abs(theirs[1] - ours[1]) > 2:
        fail("%s: the picture is %dx%d pixels, ours %dx%d" % (kind, theirs[0], theirs[1], ours[0], ours[1]))
    their_ink = sum(1 for p in theirs[2] if p < 160)
    our_ink = sum(ink_columns(ours, [r[0] - 60, r[1] - 60, r[2] + 60, r[3] + 60], placement(ours, frame_size(boxes)))[0]
                  for r, _ in texts)
    if their_ink < 0.5 * our_ink:
        fail("%s: %d ink pixels of text, ours %d" % (kind, their_ink, our_ink))
    print("%s: the picture's size and %d ink pixels of text (ours %d)" % (kind, their_ink, our_ink))


def check_placed(kind, theirs, ours):
    """The drawing lies about the middle of the reader's picture as about the middle of ours: the border
    is whole on every side (a reader that places an EMF by its recorded bounds would shift it out)."""
    def about_middle(image):
        return [v - image[i % 2] / 2.0 for i, v in enumerate(picture_area(image))]
    a, b = about_middle(theirs), about_middle(ours)
    if max(abs(x - y) for x, y in zip(a, b)) > 3:
        fail("%s: the drawing lies at %r from the picture's middle, ours at %r" % (kind, a, b))
    print("%s: the drawing in place with its border" % kind)


def inkscape_convert(inkscape, source, work, kind, drawing=False):
    """Inkscape's PNG (96 dpi on white, of the page or of the drawing's area) or SVG of a metafile;
    a metafile it refuses fails the test. Inkscape's page of an EMF is placed by its recorded bounds."""
    out = os.path.join(work, "ink-%s%s.%s" % ("drawing-" if drawing else "", os.path.basename(source), kind))
    options = ["--export-dpi=96", "--export-background=white"] if kind == "png" else []
    if drawing:
        options.append("--export-area-drawing")
    subprocess.run([inkscape, source, "--export-type=" + kind] + options + ["--export-filename=" + out],
                   check=True, timeout=180, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(out):
        fail("Inkscape refused %s (it wrote no %s)" % (source, kind.upper()))
    return out


def soffice_convert(soffice, source, work, target):
    """LibreOffice's conversion of a metafile: "svg", or "png" of its (A4) page 3000 pixels wide (a
    large picture is fitted onto the page, which the default size would show too small)."""
    out = os.path.join(work, "lo-%s-%s" % (target, os.path.basename(source).replace(".", "-")))
    os.makedirs(out, exist_ok=True)
    profile = "file://" + os.path.join(work, "lo-profile")
    if target == "png":
        target = ('png:draw_png_Export:{"PixelWidth":{"type":"long","value":"3000"},'
                  '"PixelHeight":{"type":"long","value":"4243"}}')
    subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to", target, "--outdir", out,
                    source], check=True, timeout=180, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    made = [os.path.join(out, f) for f in os.listdir(out)]
    if len(made) != 1:
        fail("soffice converted %s into %r" % (source, made))
    return made[0]


def svg_text(path):
    """All text of the SVG's text elements in document order, without white space."""
    root = ElementTree.parse(path).getroot()
    parts = ["".join(e.itertext()) for e in root.iter() if e.tag.rsplit("}", 1)[-1] == "text"]
    return "".join("".join(parts).split())


def read_classes(path):
    boxes, lines, names = [], [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if parts[0] == "name":
                names.append(parts[1])
            else:
                (boxes if parts[0] == "box" else lines).append([float(v) for v in parts[1:5]])
    return boxes, lines, names


def check_class_lines(kind, image, boxes, lines, line_ink):
    """Every outline and segment has ink along it; the drawing's ink spans the union of them."""
    xs = [v for b in boxes for v in (b[0], b[2])] + [v for l in lines for v in (l[0], l[2])]
    ys = [v for b in boxes for v in (b[1], b[3])] + [v for l in lines for v in (l[1], l[3])]
    left, top = min(xs), min(ys)
    size = (max(xs) - left, max(ys) - top)
    place = placement(image, size)
    shifted = lambda x, y: (x - left, y - top)  # noqa: E731
    checks = []
    for l, t, r, b in boxes:
        for name, a, z in (("left", (l, t), (l, b)), ("right", (r, t), (r, b)), ("top", (l, t), (r, t)),
                           ("bottom", (l, b), (r, b))):
            checks.append(("the %s of the box %r" % (name, (l, t, r, b)), shifted(*a), shifted(*z)))
    for x0, y0, x1, y1 in lines:
        checks.append(("the segment %r" % ((x0, y0, x1, y1),), shifted(x0, y0), shifted(x1, y1)))
    for what, a, z in checks:
        share = edge_share(image, place, a, z, line_ink)
        if share < 0.9:
            fail("%s: %s is %.0f%% drawn" % (kind, what, 100 * share))
    print("%s: %d outlines and %d segments drawn" % (kind, len(boxes), len(lines)))


def check_names(kind, svg, names):
    found = svg_text(svg)
    for name in names:
        if "".join(name.split()) not in found:
            fail("%s: the name %r is not among the SVG's texts (%r)" % (kind, name, found[:400]))
    print("%s: the names %s are text" % (kind, ", ".join(names)))


def check_shown(kind, image):
    """The canvas test spans 16.5 by 16 cm: the reader's picture holds ink over much of it."""
    ink = sum(1 for p in image[2] if p < 160)
    if ink < 500:
        fail("%s: little is shown (%d ink pixels)" % (kind, ink))
    print("%s: shown (%d ink pixels)" % (kind, ink))


# Records of points: type -> (bits of a coordinate, whether counts of several polygons come first).
EMF_POINTS = {3: (32, False), 4: (32, False), 86: (16, False), 87: (16, False), 7: (32, True), 8: (32, True),
              90: (16, True), 91: (16, True)}


def check_emf_bounds(kind, path):
    """The EMF header's bounds (device pixels, inclusive) and frame (0.01 mm) hold every stroke of its
    records, half the pen's width beyond the points: a reader that takes them for the picture cuts none."""
    data = open(path, "rb").read()
    bounds, frame = struct.unpack_from("<4i", data, 8), struct.unpack_from("<4i", data, 24)
    window, viewport, pens, width = [0, 0, 1, 1], [0, 0, 1, 1], {}, 0
    low, high = [float("inf")] * 2, [float("-inf")] * 2
    at = 0
    while at + 8 <= len(data):
        record, size = struct.unpack_from("<II", data, at)
        word = lambda offset: struct.unpack_from("<I", data, at + offset)[0]  # noqa: E731
        if record in (9, 10, 11, 12):  # the window's or viewport's extent (odd) or origin
            target, i = window if record < 11 else viewport, 2 * (record % 2)
            target[i:i + 2] = struct.unpack_from("<2i", data, at + 8)
        elif record in (38, 95):  # a pen, and its width
            pens[word(8)] = word(16 if record == 38 else 32)
        elif record == 37:  # a pen selected (the stock object 8 is no pen)
            width = pens.get(word(8), 0 if word(8) == 0x80000008 else width)
        elif record in EMF_POINTS:
            bits, several = EMF_POINTS[record]
            polygons, count = (word(24), word(28)) if several else (0, word(24))
            values = struct.unpack_from("<%d%s" % (2 * count, "h" if bits == 16 else "i"), data,
                                        at + 28 + 4 * several + 4 * polygons)
            for axis in (0, 1):
                low[axis] = min(low[axis], min(values[axis::2]) - width / 2.0)
                high[axis] = max(high[axis], max(values[axis::2]) + width / 2.0)
        at += size
    for axis, name in ((0, "x"), (1, "y")):
        share = [(v - window[axis]) / float(window[axis + 2]) for v in (low[axis], high[axis])]
        device = [viewport[axis] + s * viewport[axis + 2] for s in share]
        framed = [frame[axis] + s * (frame[axis + 2] - frame[axis]) for s in share]
        if device[0] < bounds[axis] or device[1] > bounds[axis + 2] + 1:
            fail("%s: the strokes reach %s %.2f..%.2f, the bounds hold %d..%d"
                 % (kind, name, device[0], device[1], bounds[axis], bounds[axis + 2] + 1))
        if framed[0] < frame[axis] or framed[1] > frame[axis + 2]:
            fail("%s: the strokes reach %s %.0f..%.0f, the frame holds %d..%d"
                 % (kind, name, framed[0], framed[1], frame[axis], frame[axis + 2]))
    print("%s: the bounds %r and the frame %r hold every stroke" % (kind, bounds, frame))


def is_latin(text):
    return all(ord(c) < 0x250 for c in text)


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    wine_exec, program, work = (os.path.abspath(a) for a in sys.argv[1:])
    run_scene(wine_exec, program, work)
    for source in ("scene.emf", "classes.emf"):
        check_emf_bounds(source, os.path.join(work, source))
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("SKIP: soffice is not installed (LibreOffice Draw); scripts/setup installs it")
        return 77
    boxes, texts = read_shapes(os.path.join(work, "shapes.txt"))
    ours = read_gray(os.path.join(work, "scene.png"), work)
    class_boxes, class_lines, names = read_classes(os.path.join(work, "classes.txt"))
    for source in ("scene.emf", "scene.wmf"):
        theirs = read_gray(convert(soffice, os.path.join(work, source), work), work)
        compare("LibreOffice " + source[-3:].upper(), theirs, ours, boxes, texts)
        check_placed("LibreOffice " + source[-3:].upper(), theirs, ours)
    for source in ("classes.emf", "classes.wmf"):
        kind = "LibreOffice classes " + source[-3:].upper()
        path = os.path.join(work, source)
        image = read_gray(soffice_convert(soffice, path, work, "png"), work)
        check_class_lines(kind, image, class_boxes, class_lines, 160)
        check_names(kind, soffice_convert(soffice, path, work, "svg"), names)
    for source in ("canvas.emf", "canvas.wmf"):
        check_shown("LibreOffice " + source, read_gray(convert(soffice, os.path.join(work, source), work), work))
    inkscape = shutil.which("inkscape")
    if not inkscape:
        print("note: Inkscape is not installed; only LibreOffice read the metafiles")
        print("PASS: EMF and WMF read back in place")
        return 0
    # Inkscape draws a cosmetic pen one pixel of the picture's resolution wide (0.08 screen pixels of
    # an EMF's 1200 dpi, a light grey line): the lines of both metafiles are one screen pixel wide,
    # as in our PNG, and come out as dark as there.
    for source in ("scene.emf", "scene.wmf"):
        kind = "Inkscape " + source[-3:].upper()
        path = os.path.join(work, source)
        page = read_gray(inkscape_convert(inkscape, path, work, "png"), work)
        check_size_and_texts(kind, page, ours, boxes, texts)
        check_placed(kind, page, ours)
        compare(kind, page, ours, boxes, texts)
    for source in ("classes.emf", "classes.wmf"):
        kind = "Inkscape classes " + source[-3:].upper()
        path = os.path.join(work, source)
        png = inkscape_convert(inkscape, path, work, "png", True)
        check_class_lines(kind, read_gray(png, work), class_boxes, class_lines, 160)
        # Inkscape 1.2 reads a WMF's 8-bit text as Latin-1 whatever the font's character set: only
        # the names in Latin letters can come through there.
        wanted = [n for n in names if is_latin(n)] if source.endswith(".wmf") else names
        check_names(kind, inkscape_convert(inkscape, path, work, "svg"), wanted)
    for source in ("canvas.emf", "canvas.wmf"):
        check_shown("Inkscape " + source, read_gray(inkscape_convert(inkscape, os.path.join(work, source), work, "png",
                                                                     True), work))
    print("PASS: EMF and WMF read back in place")
    return 0


if __name__ == "__main__":
    sys.exit(main())
