"""The metafiles of the debug commands open in LibreOffice Draw and show a drawing.

Usage: debug_metafiles_test.py <wine-exec> <editor_tests.exe> <work folder>
Runs the debug command tests that write files (the others run with the rest of editor_tests) with
QUORVEL_DEBUG_FILES naming the work folder, where they leave canvasTest.emf, canvasTest.wmf and
UMLdiagram.emf; one LibreOffice run turns the three into PNGs.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "text", "tests", "readers"))
from metafile_readers_test import SOFFICE_TIMEOUT, fail, picture_area, read_gray  # noqa: E402

NAMES = ("canvasTest.emf", "canvasTest.wmf", "UMLdiagram.emf")
WRITERS = "DebugCommandsFixture.CanvasTestWritesBothMetafilesAndTogglesItsScene:" \
          "DebugCommandsFixture.CreateEmfWritesTheDiagramWithItsElements"


def convert_all(soffice, paths, work):
    """The PNGs LibreOffice makes of the files, in one start of it (each start costs seconds).
    The files go in under names of their own, as canvasTest.emf and canvasTest.wmf would both make
    canvasTest.png."""
    source = os.path.join(work, "lo-in")
    out = os.path.join(work, "lo-out")
    os.makedirs(source, exist_ok=True)
    copies = []
    for path in paths:
        stem, ext = os.path.splitext(os.path.basename(path))
        copies.append(os.path.join(source, "%s-%s%s" % (stem, ext[1:], ext)))
        shutil.copyfile(path, copies[-1])
    profile = "file://" + os.path.join(work, "lo-profile")
    try:
        subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to", "png",
                        "--outdir", out] + copies, check=True, timeout=SOFFICE_TIMEOUT,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        fail("soffice did not finish converting the metafiles within %d s" % SOFFICE_TIMEOUT)
    pngs = [os.path.join(out, os.path.splitext(os.path.basename(c))[0] + ".png") for c in copies]
    for path, png in zip(paths, pngs):
        if not os.path.exists(png):
            fail("soffice wrote no PNG for " + path)
    return pngs


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
    env = dict(os.environ, QUORVEL_DEBUG_FILES="Z:" + work.replace("/", "\\"))
    run = subprocess.run([wine_exec, program, "--gtest_filter=" + WRITERS], cwd=os.path.dirname(program),
                         env=env, timeout=180, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT)
    output = run.stdout.decode(errors="replace")
    if run.returncode != 0:
        fail("the debug command tests failed: " + output)
    if "[  PASSED  ] 2 tests." not in output:
        fail("the two debug command tests that write files did not both run: " + output)
    paths = [os.path.join(work, name) for name in NAMES]
    for path in paths:
        if not os.path.exists(path):
            fail("%s was not written" % os.path.basename(path))
    for name, png in zip(NAMES, convert_all(soffice, paths, work)):
        if name.startswith("canvasTest"):
            # The scene spans 16.5 by 16 cm: LibreOffice's picture holds ink over most of it.
            width, height, pixels = image = read_gray(png, work)
            left, top, right, bottom = picture_area(image)
            dark = sum(1 for p in pixels if p < 128)
            if right - left < width // 2 or bottom - top < height // 2 or dark < 500:
                fail("%s: LibreOffice shows too little (%dx%d of %dx%d, %d dark pixels)"
                     % (name, right - left, bottom - top, width, height, dark))
        print("%s: LibreOffice Draw opened it" % name)
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
