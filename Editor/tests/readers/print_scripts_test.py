#!/usr/bin/env python3
"""Prints a page of texts in several scripts (scripts.qvd: Latin, Chinese and Japanese, Korean, Hebrew,
Arabic and Devanagari in Arial, which falls back to other faces for all but Latin, and a note in a
face with CFF outlines) from the command line ("-pt") under Wine into a PostScript file, renders it
with ghostscript and finds ink where each text stands on the sheet, and none between the texts.

usage: print_scripts_test.py WINE_EXEC SCENE_PROGRAM WORK_DIR
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

from scene_run import printing_test_arguments, read_pgm, run_scene

DPI = 100
UNIT = DPI / 2540.0  # pixels per 0.01 mm
NS = "{http://quorvel.example/schema/1.0}"
DOCUMENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "scripts.qvd")
# A text's line: 20 points are about 7 mm; a box 10 mm high and 80 mm wide holds each of these texts.
LINE, WIDTH = 1000, 8000
MIN_INK = 40  # dark pixels at 100 dpi; one glyph of 20 points has several hundred


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def read_document(path):
    """The sheet's margins (left, top) and the texts: (text, box, element's box), each box (left, top,
    right, bottom) in 0.01 mm, y down from the drawing's top-left corner. A text's box is where its
    ink must be, inside a note 1 mm from the note's border."""
    root = ET.parse(path).getroot()
    page = root.find(NS + "Page")
    margins = [int(v) for v in page.get("Margins").split()]
    texts = []
    for element in root:
        if element.tag not in (NS + "FreeText", NS + "Note"):
            continue
        x, y = (int(v) for v in element.get("Pos").split())
        text = element.find(NS + "Text").text
        if element.tag == NS + "Note":
            w, h = (int(v) for v in element.get("Size").split())
            texts.append((text, (x + 100, -y + 100, x + w - 100, -y + h - 100), (x - 50, -y - 50, x + w + 50, -y + h + 50)))
        else:
            box = (x - 100, -y - 100, x + WIDTH, -y + LINE)
            texts.append((text, box, box))
    return margins[0], margins[1], texts


def ink(image, left, top, right, bottom):
    """Dark pixels inside the rectangle (pixels)."""
    width, height, pixels = image
    count = 0
    for y in range(max(top, 0), min(bottom, height)):
        row = pixels[y * width: (y + 1) * width]
        count += sum(1 for x in range(max(left, 0), min(right, width)) if row[x] < 128)
    return count


def right_edge(image, left, top, right, bottom):
    """The rightmost column with ink inside the rectangle (pixels), or left when there is none."""
    width, _, pixels = image
    edge = left
    for y in range(top, bottom):
        row = pixels[y * width: (y + 1) * width]
        for x in range(right - 1, edge, -1):
            if row[x] < 128:
                edge = x
                break
    return edge


def main():
    wine_exec, program, work, gs = printing_test_arguments(__doc__)
    run_scene(wine_exec, program, work, files=[DOCUMENT], arguments=["scripts.qvd"])
    ps = os.path.join(work, "scripts.ps")
    png = os.path.join(work, "scripts.pgm")
    subprocess.run([gs, "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pgmraw", "-r%d" % DPI,
                    "-sOutputFile=" + png, ps], check=True, timeout=180)
    image = read_pgm(png)
    mx, my, texts = read_document(DOCUMENT)
    to_pixels = lambda left, top, right, bottom: (round((mx + left) * UNIT), round((my + top) * UNIT),
                                                  round((mx + right) * UNIT), round((my + bottom) * UNIT))
    boxes = {}
    for text, box, _ in texts:
        found = ink(image, *to_pixels(*box))
        boxes.setdefault(text, to_pixels(*box))
        if found < MIN_INK:
            fail("%r printed %d ink pixels where it stands" % (text, found))
        print("%r: %d ink pixels" % (text, found))
    # The CJK run after Latin text in the same line: ink beyond where the Latin part alone ends.
    latin, mixed = boxes["CJK in Arial:"], boxes["CJK in Arial: 漢字かな"]
    end = right_edge(image, *latin) - latin[0] + mixed[0]
    found = ink(image, end + 2, mixed[1], mixed[2], mixed[3])
    if found < MIN_INK:
        fail("the CJK run after \"CJK in Arial:\" printed %d ink pixels" % found)
    print("the CJK run after Latin text: %d ink pixels" % found)
    # Nothing but the elements: the ink of the whole sheet lies inside their boxes.
    inside = sum(ink(image, *to_pixels(*outer)) for _, _, outer in texts)
    stray = ink(image, 0, 0, image[0], image[1]) - inside
    if stray:
        fail("%d ink pixels outside the elements" % stray)
    print("PASS: every script printed where its text stands")
    return 0


if __name__ == "__main__":
    sys.exit(main())
