#!/usr/bin/env python3
"""Checks that other programs read the editor's exported pictures: runs the export scene under Wine,
has LibreOffice Draw (and Inkscape, when installed) convert its EMF and WMF to PNG and compares
them with the editor's own PNG export of the same diagram: every box edge and diagonal where ours
has it, within a small tolerance, and each text's ink in its place.

usage: export_readers_test.py WINE_EXEC SCENE_PROGRAM WORK_DIR
"""
import os
import shutil
import subprocess
import sys

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
    reach = max(1, int(TOLERANCE * kx))
    for dy in range(-reach, reach + 1):
        for dx in range(-reach, reach + 1):
            px, py = int(round(cx + dx)), int(round(cy + dy))
            if 0 <= px < width and 0 <= py < height and pixels[py * width + px] < threshold:
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
    """line_ink: the grey below which a reader's line counts (Inkscape draws the metafiles' one-pixel
    pens as hairlines of the recording resolution, which come out light grey)."""
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
    """A reader that sizes the picture as ours and shows all of its texts. Inkscape 1.2 places an EMF
    by its drawn bounds rather than its frame and draws one-pixel pens as hairlines of the recording
    resolution (of a WMF not at all), so its lines cannot be compared."""
    if abs(theirs[0] - ours[0]) > 2 or abs(theirs[1] - ours[1]) > 2:
        fail("%s: the picture is %dx%d pixels, ours %dx%d" % (kind, theirs[0], theirs[1], ours[0], ours[1]))
    their_ink = sum(1 for p in theirs[2] if p < 160)
    our_ink = sum(ink_columns(ours, [r[0] - 60, r[1] - 60, r[2] + 60, r[3] + 60], placement(ours, frame_size(boxes)))[0]
                  for r, _ in texts)
    if their_ink < 0.5 * our_ink:
        fail("%s: %d ink pixels of text, ours %d" % (kind, their_ink, our_ink))
    print("%s: the picture's size and %d ink pixels of text (ours %d)" % (kind, their_ink, our_ink))


def inkscape_png(inkscape, source, work):
    out = os.path.join(work, "ink-" + os.path.basename(source) + ".png")
    subprocess.run([inkscape, source, "--export-type=png", "--export-dpi=96", "--export-background=white",
                    "--export-filename=" + out], check=True, timeout=180,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(out):
        fail("Inkscape wrote no PNG for " + source)
    return out


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    wine_exec, program, work = (os.path.abspath(a) for a in sys.argv[1:])
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("SKIP: soffice is not installed (LibreOffice Draw); scripts/setup installs it")
        return 77
    run_scene(wine_exec, program, work)
    boxes, texts = read_shapes(os.path.join(work, "shapes.txt"))
    ours = read_gray(os.path.join(work, "scene.png"), work)
    for source in ("scene.emf", "scene.wmf"):
        theirs = read_gray(convert(soffice, os.path.join(work, source), work), work)
        compare("LibreOffice " + source[-3:].upper(), theirs, ours, boxes, texts)
    inkscape = shutil.which("inkscape")
    if inkscape:
        for source in ("scene.emf", "scene.wmf"):
            theirs = read_gray(inkscape_png(inkscape, os.path.join(work, source), work), work)
            check_size_and_texts("Inkscape " + source[-3:].upper(), theirs, ours, boxes, texts)
    else:
        print("note: Inkscape is not installed; only LibreOffice read the metafiles")
    print("PASS: EMF and WMF read back in place")
    return 0


if __name__ == "__main__":
    sys.exit(main())
