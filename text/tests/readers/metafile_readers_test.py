#!/usr/bin/env python3
"""Checks that other programs read the text in our metafiles: runs the text scene program under Wine,
reads the EMF and WMF records (characters, never glyph indices; the words; the picture's size), has
LibreOffice convert both metafiles to PNG and compares them with our own PNG of the scene: each text's
ink must lie in its box, spread over the box as in ours, and nothing else may be drawn.

usage: metafile_readers_test.py WINE_EXEC SCENE_PROGRAM WORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys

SOFFICE_TIMEOUT = 180


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def read_words(path):
    words = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 5:
                words.append((parts[0], [float(v) for v in parts[1:]]))
    return words


def emf_records(data):
    """The EMF's frame in 0.01 mm (width, height) and its text records (options, text)."""
    texts, frame, at = [], None, 0
    while at + 8 <= len(data):
        kind, size = struct.unpack_from("<II", data, at)
        if size < 8:
            fail("EMF record of size %d" % size)
        if kind == 1:  # header
            left, top, right, bottom = struct.unpack_from("<4i", data, at + 24)
            frame = (right - left, bottom - top)
        elif kind == 84:  # EXTTEXTOUTW: bounds, mode, scales, then the text
            chars, off_string, options = struct.unpack_from("<3I", data, at + 36 + 8)
            raw = data[at + off_string: at + off_string + 2 * chars]
            texts.append((options, raw.decode("utf-16-le", "replace")))
        elif kind == 83:
            fail("EMF holds ANSI text records")
        at += size
    return frame, texts


CHARSET_CODEPAGES = {0: "cp1252", 1: "cp1252", 161: "cp1253", 162: "cp1254", 177: "cp1255", 178: "cp1256",
                     186: "cp1257", 204: "cp1251", 238: "cp1250", 222: "cp874", 128: "cp932", 134: "gbk",
                     129: "cp949", 136: "big5"}


def wmf_records(data):
    """The placeable WMF's size in 0.01 mm, its window extent and its text records (decoded by the
    character set of the font in force)."""
    key, _, left, top, right, bottom, inch = struct.unpack_from("<IH4hH", data, 0)
    if key != 0x9AC6CDD7:
        fail("the WMF has no placeable header")
    size = ((right - left) * 2540.0 / inch, (bottom - top) * 2540.0 / inch)
    at = 22 + 18
    fonts, current, texts, window = {}, 1, [], None
    objects = []
    while at + 6 <= len(data):
        words, function = struct.unpack_from("<IH", data, at)
        if words < 3:
            break
        p = at + 6
        if function == 0x02FB:  # CREATEFONTINDIRECT: takes the first free object slot
            charset = data[p + 13]
            slot = objects.index(None) if None in objects else len(objects)
            if slot == len(objects):
                objects.append(None)
            objects[slot] = ("font", charset)
        elif function in (0x02FA, 0x02FC, 0x0142, 0x01F9, 0x06FF, 0x00F7):  # pens, brushes, palettes, regions
            slot = objects.index(None) if None in objects else len(objects)
            if slot == len(objects):
                objects.append(None)
            objects[slot] = ("other", 0)
        elif function == 0x012D:  # SELECTOBJECT
            slot = struct.unpack_from("<H", data, p)[0]
            if slot < len(objects) and objects[slot] and objects[slot][0] == "font":
                current = objects[slot][1]
        elif function == 0x01F0:  # DELETEOBJECT
            slot = struct.unpack_from("<H", data, p)[0]
            if slot < len(objects):
                objects[slot] = None
        elif function == 0x020C:  # SETWINDOWEXT: y, x
            window = tuple(reversed(struct.unpack_from("<2h", data, p)))
        elif function == 0x0A32:  # EXTTEXTOUT
            count, options = struct.unpack_from("<2H", data, p + 4)
            start = p + 8 + (8 if options & 0x6 else 0)
            raw = data[start: start + count]
            texts.append((options, raw.decode(CHARSET_CODEPAGES.get(current, "cp1252"), "replace")))
        at += 2 * words
    return size, window, texts


def check_words(kind, texts, words):
    joined = "".join(t for _, t in texts)
    for options, _ in texts:
        if options & 0x10:
            fail("%s: text recorded as glyph indices" % kind)
    for text, _ in words:
        for word in text.split():
            if word not in joined:
                fail("%s: the word %r is not in its text records (%r)" % (kind, word, joined))


def read_pgm(path):
    """A binary PGM picture: (width, height, pixel bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":  # a comment runs to the end of its line
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1: at + 1 + width * height]


def read_gray(png, work):
    """A PNG picture flattened on white as 8-bit gray: (width, height, pixel bytes)."""
    pgm = os.path.join(work, os.path.basename(png) + ".pgm")
    subprocess.run(["convert", png, "-background", "white", "-flatten", "-colorspace", "gray", "-depth", "8", pgm],
                   check=True, timeout=60)
    return read_pgm(pgm)


def picture_area(image):
    """The bounding box (left, top, right, bottom) of every pixel that is not white: the scene's frame."""
    width, height, pixels = image
    rows = [y for y in range(height) if min(pixels[y * width: (y + 1) * width]) < 250]
    if not rows:
        fail("LibreOffice's picture is empty")
    columns = [x for x in range(width) if min(pixels[x::width]) < 250]
    return columns[0], rows[0], columns[-1] + 1, rows[-1] + 1


def ink_columns(image, box, place):
    """Ink pixels and the first and last ink columns (0.01 mm) inside a box given in 0.01 mm;
    place maps 0.01 mm to the image: (left, top, pixels per unit across, down)."""
    width, height, pixels = image
    left, top, kx, ky = place
    x0, y0 = int(left + box[0] * kx), int(top + box[1] * ky)
    x1, y1 = min(width, int(left + box[2] * kx) + 1), min(height, int(top + box[3] * ky) + 1)
    count, first, last = 0, None, None
    for y in range(max(0, y0), y1):
        row = pixels[y * width: (y + 1) * width]
        for x in range(max(0, x0), x1):
            if row[x] < 160:
                count += 1
                first = x if first is None else min(first, x)
                last = x if last is None else max(last, x)
    if count == 0:
        return 0, None, None
    return count, (first - left) / kx, (last + 1 - left) / kx


def compare(kind, theirs, ours, words, size):
    """Finds the scene's frame in LibreOffice's page and compares each text's ink with ours."""
    left, top, right, bottom = picture_area(theirs)
    their_place = (left, top, (right - left) / size[0], (bottom - top) / size[1])
    if abs(their_place[2] / their_place[3] - 1) > 0.04:
        fail("%s: LibreOffice draws the picture %dx%d pixels, not in the shape of %r" % (kind, right - left, bottom - top, size))
    our_place = (0, 0, ours[0] / size[0], ours[1] / size[1])
    margin = 60  # 0.6 mm around each box for anti-aliasing and the readers' own font metrics
    for text, box in words:
        grown = [box[0] - margin, box[1] - margin, box[2] + margin, box[3] + margin]
        t_count, t_first, t_last = ink_columns(theirs, grown, their_place)
        o_count, o_first, o_last = ink_columns(ours, grown, our_place)
        if o_count == 0:
            fail("our PNG shows nothing for %r" % text)
        expected = o_count * (their_place[2] * their_place[3]) / (our_place[2] * our_place[3])
        if t_count < 0.3 * expected:
            fail("%s: LibreOffice shows little of %r (%d ink pixels, %d expected)" % (kind, text, t_count, expected))
        # The ink's left and right ends agree within 8% of the box width plus a millimetre.
        tolerance = 0.08 * (box[2] - box[0]) + 100
        for name, theirs_at, ours_at in (("left", t_first, o_first), ("right", t_last, o_last)):
            if abs(theirs_at - ours_at) > tolerance:
                fail("%s: the %s end of %r lies at %.0f, ours at %.0f (0.01 mm)" % (kind, name, text, theirs_at, ours_at))
        print("%s: %s ink %d (ours %d), ends %.0f..%.0f (ours %.0f..%.0f)"
              % (kind, text, t_count, o_count, t_first, t_last, o_first, o_last))


def convert(soffice, source, work):
    out = os.path.join(work, "lo-" + os.path.splitext(os.path.basename(source))[0][-3:] + os.path.splitext(source)[1][1:])
    os.makedirs(out, exist_ok=True)
    profile = "file://" + os.path.join(work, "lo-profile")
    try:
        subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to", "png",
                        "--outdir", out, source], check=True, timeout=SOFFICE_TIMEOUT,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        fail("soffice did not finish converting %s within %d s" % (source, SOFFICE_TIMEOUT))
    png = os.path.join(out, os.path.splitext(os.path.basename(source))[0] + ".png")
    if not os.path.exists(png):
        fail("soffice wrote no PNG for " + source)
    return png


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    wine_exec, program, work = (os.path.abspath(a) for a in sys.argv[1:])
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("SKIP: soffice is not installed (LibreOffice Draw); scripts/setup installs it")
        return 77
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    run = subprocess.run([wine_exec, program], cwd=work, timeout=120, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0:
        fail("the scene program failed: " + run.stdout.decode(errors="replace"))
    words = read_words(os.path.join(work, "words.txt"))
    if len(words) < 6:
        fail("the scene program listed %d texts" % len(words))
    with open(os.path.join(work, "scene.emf"), "rb") as f:
        frame, emf_texts = emf_records(f.read())
    with open(os.path.join(work, "scene.wmf"), "rb") as f:
        wmf_size, window, wmf_texts = wmf_records(f.read())
    size = (12000.0, 6400.0)
    if frame is None or abs(frame[0] - size[0]) > 30 or abs(frame[1] - size[1]) > 30:
        fail("the EMF frame is %r, not %r" % (frame, size))
    if abs(wmf_size[0] - size[0]) > 30 or abs(wmf_size[1] - size[1]) > 30:
        fail("the WMF header gives %r, not %r" % (wmf_size, size))
    if window is None or abs(window[0] - wmf_size[0]) > 30 or abs(window[1] - wmf_size[1]) > 30:
        fail("the WMF records use an extent of %r, its header %r" % (window, wmf_size))
    check_words("EMF", emf_texts, words)
    check_words("WMF", wmf_texts, words)
    ours = read_gray(os.path.join(work, "scene.png"), work)
    for source in ("scene.emf", "scene.wmf"):
        theirs = read_gray(convert(soffice, os.path.join(work, source), work), work)
        compare(source[-3:].upper(), theirs, ours, words, size)
    print("PASS: EMF and WMF text read back by LibreOffice in place")
    return 0


if __name__ == "__main__":
    sys.exit(main())
