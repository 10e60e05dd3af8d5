#!/usr/bin/env python3
"""Prints a 2 x 3 page poster from the command line ("-pt") under Wine into a PostScript file,
renders its sheets with ghostscript and checks that each sheet holds its band of the drawing: the
box in the middle of the band where the page grid puts it, the frame of the drawing area on the
outer sheets (nothing at the sheet edges is lost), and nothing outside the band. Then prints every
sample document (elements/tests/documents) alike: each gives as many sheets as its page grid has,
its whole drawing lies inside the area of its page grid (nothing of it is cut off by a margin), and
its first sheet shows the drawing, which starts just below the sheet's top margin.

usage: print_bands_test.py WINE_EXEC SCENE_PROGRAM WORK_DIR
"""
import glob
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

from scene_run import printing_test_arguments, read_pgm, run_scene

DPI = 100
UNIT = DPI / 2540.0  # pixels per 0.01 mm
# The poster's page: A4 portrait, 10 mm margins, glue and cut margins, 2 rows of 3 columns.
W, H, MARGIN, GLUE, CUT, ROWS, COLUMNS = 21000, 29700, 1000, 1000, 1000, 2, 3
SAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "elements", "tests", "documents")
NS = "{http://quorvel.example/schema/1.0}"
# A sample's drawing starts within this distance (0.01 mm on paper) below the first sheet's top
# margin; a document without a page prints with the default margins.
NEAR, DEFAULT_MARGINS = 3000, (1016, 1016)
CLEAR = 100  # and keeps at least this far from the margins
MIN_INK = 100  # dark pixels at 100 dpi: a box's outline alone has several hundred


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def span(sheet, count, index):
    """The band of sheet `index` along one axis: (start in the drawing, start on the sheet, end on the sheet)."""
    if index == 0:
        drawing, start = 0, MARGIN
    else:
        drawing, start = (sheet - MARGIN - CUT) + (sheet - GLUE - CUT) * (index - 1), GLUE
    end = sheet - MARGIN if index == count - 1 else sheet - CUT
    return drawing, start, end


def dark(image, x, y):
    width, height, pixels = image
    return 0 <= x < width and 0 <= y < height and pixels[y * width + x] < 128


def line_coverage(image, fixed, start, end, vertical):
    """The share of pixels along a line (0.01 mm on the sheet) with ink within a pixel of it."""
    c = round(fixed * UNIT)
    a, b = round(start * UNIT), round(end * UNIT)
    if b <= a:
        return 1.0
    hits = 0
    for t in range(a, b):
        near = [(c + d, t) if vertical else (t, c + d) for d in (-1, 0, 1)]
        hits += any(dark(image, x, y) for x, y in near)
    return hits / float(b - a)


def ink_outside(image, left, top, right, bottom):
    """Ink pixels outside the rectangle (0.01 mm on the sheet), which is widened by 0.5 mm."""
    width, height, pixels = image
    l, t = round((left - 50) * UNIT), round((top - 50) * UNIT)
    r, b = round((right + 50) * UNIT), round((bottom + 50) * UNIT)
    count = 0
    for y in range(height):
        row = pixels[y * width: (y + 1) * width]
        inside = t <= y <= b
        for x in range(width):
            if row[x] < 128 and not (inside and l <= x <= r):
                count += 1
    return count


def check_sheet(n, image, boxes):
    row, column = divmod(n, COLUMNS)
    ax, sx, ex = span(W, COLUMNS, column)
    ay, sy, ey = span(H, ROWS, row)
    name = "sheet %d (row %d, column %d)" % (n + 1, row + 1, column + 1)
    to_x = lambda x: sx + x - ax
    to_y = lambda y: sy + y - ay
    # The box of this sheet's band, whole, where the band puts it.
    left, top, right, bottom = boxes[n]
    for label, fixed, a, b, vertical in (("left", to_x(left), to_y(top), to_y(bottom), True),
                                         ("right", to_x(right), to_y(top), to_y(bottom), True),
                                         ("top", to_y(top), to_x(left), to_x(right), False),
                                         ("bottom", to_y(bottom), to_x(left), to_x(right), False)):
        share = line_coverage(image, fixed, a, b, vertical)
        if share < 0.9:
            fail("%s: the %s edge of its box is %.0f%% there" % (name, label, 100 * share))
    # The frame of the drawing area, 1 mm inside it, along the whole band on the outer sheets.
    fl, ft, fr, fb = boxes[-1]
    clip = lambda v, lo, hi: max(lo, min(hi, v))
    frame = []
    if column == 0:
        frame.append(("left", to_x(fl), clip(to_y(ft), sy, ey), clip(to_y(fb), sy, ey), True))
    if column == COLUMNS - 1:
        frame.append(("right", to_x(fr), clip(to_y(ft), sy, ey), clip(to_y(fb), sy, ey), True))
    if row == 0:
        frame.append(("top", to_y(ft), clip(to_x(fl), sx, ex), clip(to_x(fr), sx, ex), False))
    if row == ROWS - 1:
        frame.append(("bottom", to_y(fb), clip(to_x(fl), sx, ex), clip(to_x(fr), sx, ex), False))
    for label, fixed, a, b, vertical in frame:
        share = line_coverage(image, fixed, a, b, vertical)
        if share < 0.9:
            fail("%s: the %s side of the frame is %.0f%% there" % (name, label, 100 * share))
    stray = ink_outside(image, sx, sy, ex, ey)
    if stray:
        fail("%s: %d ink pixels outside its band" % (name, stray))
    print("%s: its box, %d frame sides, nothing outside the band" % (name, len(frame)))


def sample_page(path):
    """The number of sheets the document's page grid has and its margins (left, top) in 0.01 mm."""
    page = ET.parse(path).getroot().find(NS + "Page")
    if page is None:
        return 1, DEFAULT_MARGINS
    margins = [int(v) for v in page.get("Margins").split()]
    return int(page.get("Rows")) * int(page.get("Columns")), (margins[0], margins[1])


def ink_box(image):
    """The number of ink pixels and the columns and rows that hold ink: left, top, right, bottom (all
    0 without ink)."""
    width, height, pixels = image
    count, box = 0, None
    for y in range(height):
        row = pixels[y * width: (y + 1) * width]
        columns = [x for x in range(width) if row[x] < 128]
        if columns:
            count += len(columns)
            box = [columns[0], y, columns[-1], y] if box is None else [
                min(box[0], columns[0]), box[1], max(box[2], columns[-1]), y]
    return count, box or [0, 0, 0, 0]


def grid_overflow(line):
    """The sides of the page grid a drawing crosses, with how far, from a line of grid.txt: the
    drawing (left, top, right, bottom, y up) and the grid's area (width, height), 0.01 mm on paper."""
    left, top, right, bottom, width, height = (float(v) for v in line.split("\t")[1:])
    sides = (("left", -left), ("top", top), ("right", right - width), ("bottom", -height - bottom))
    return ["%s by %.1f mm" % (side, by / 100) for side, by in sides if by > 0.5]


def check_samples(wine_exec, program, work, gs):
    """Every sample prints on its sheets, its drawing on the first one, starting just below its top margin."""
    documents = sorted(glob.glob(os.path.join(SAMPLES, "*.qvd")))
    if not documents:
        fail("no sample documents in " + SAMPLES)
    names = [os.path.basename(d) for d in documents]
    run_scene(wine_exec, program, work, files=documents, arguments=names)
    faults = []
    with open(os.path.join(work, "grid.txt"), encoding="utf-8") as f:
        grid = f.read().splitlines()
    if [line.split("\t")[0] for line in grid] != names:
        fail("grid.txt lists %s, not the samples" % [line.split("\t")[0] for line in grid])
    for name, line in zip(names, grid):
        crossed = grid_overflow(line)
        if crossed:
            faults.append("%s: the drawing crosses its page grid's %s" % (name, ", ".join(crossed)))
    for document, name in zip(documents, names):
        sheets, (ml, mt) = sample_page(document)
        stem = name[:-len(".qvd")]
        ps = os.path.join(work, stem + ".ps")
        with open(ps, "rb") as f:
            text = f.read()
        pages = text.count(b"%%Page:")
        if pages != sheets:
            faults.append("%s printed %d sheets, not %d" % (name, pages, sheets))
            continue
        first = os.path.join(work, stem + ".pgm")
        subprocess.run([gs, "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pgmraw", "-r%d" % DPI,
                        "-dFirstPage=1", "-dLastPage=1", "-sOutputFile=" + first, ps], check=True, timeout=180)
        image = read_pgm(first)
        count, (left, top, _, bottom) = ink_box(image)
        if count < MIN_INK:
            faults.append("%s: its first sheet is blank (%d ink pixels)" % (name, count))
            continue
        if b"%%Orientation: Landscape" in text:
            # Ghostscript draws a landscape sheet turned on a portrait one: its top left at the bottom left.
            left, top = image[1] - 1 - bottom, left
        x, y = left / UNIT - ml, top / UNIT - mt
        where = "%s: the drawing starts %.0f mm across and %.0f mm down from the margins' corner" % (
            name, x / 100, y / 100)
        # Ink up to a margin is a drawing cut off there. Across it may start farther in: what lies at the
        # drawing's left edge may print on a lower sheet.
        if not (CLEAR <= x and CLEAR <= y <= NEAR):
            faults.append(where)
            continue
        print(where)
    if faults:
        fail("; ".join(faults))


def main():
    wine_exec, program, work, gs = printing_test_arguments(__doc__)
    run_scene(wine_exec, program, work)
    ps = os.path.join(work, "poster.ps")
    with open(ps, "rb") as f:
        pages = f.read().count(b"%%Page:")
    if pages != ROWS * COLUMNS:
        fail("the PostScript file holds %d pages, not %d" % (pages, ROWS * COLUMNS))
    boxes = []
    with open(os.path.join(work, "layout.txt")) as f:
        for line in f:
            boxes.append([int(v) for v in line.split()])
    if len(boxes) != ROWS * COLUMNS + 1:
        fail("layout.txt lists %d figures" % len(boxes))
    subprocess.run([gs, "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pgmraw", "-r%d" % DPI,
                    "-sOutputFile=" + os.path.join(work, "sheet-%d.pgm"), ps], check=True, timeout=180)
    sheets = sorted(glob.glob(os.path.join(work, "sheet-*.pgm")), key=lambda p: int(p.rsplit("-", 1)[1][:-4]))
    if len(sheets) != ROWS * COLUMNS:
        fail("ghostscript rendered %d sheets" % len(sheets))
    for n, path in enumerate(sheets):
        image = read_pgm(path)
        if abs(image[0] - W * UNIT) > 3 or abs(image[1] - H * UNIT) > 3:
            fail("sheet %d is %dx%d pixels, not A4 portrait" % (n + 1, image[0], image[1]))
        check_sheet(n, image, boxes)
    check_samples(wine_exec, program, os.path.join(work, "samples"), gs)
    print("PASS: six sheets, each with its band of the poster; every sample's drawing inside its page grid and "
          "on its first sheet")
    return 0


if __name__ == "__main__":
    sys.exit(main())
