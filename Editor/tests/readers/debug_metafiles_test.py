"""The metafiles of the debug commands open in LibreOffice Draw and show a drawing.

Usage: debug_metafiles_test.py <wine-exec> <editor_tests.exe> <work folder>
Runs the debug command tests with QUORVEL_DEBUG_FILES naming the work folder, where they leave
canvasTest.emf, canvasTest.wmf and UMLdiagram.emf; LibreOffice turns each into a PNG.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "text", "tests", "readers"))
from metafile_readers_test import convert, fail, picture_area, read_gray  # noqa: E402


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
    run = subprocess.run([wine_exec, program, "--gtest_filter=DebugCommandsFixture.*"], cwd=os.path.dirname(program),
                         env=env, timeout=180, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT)
    if run.returncode != 0:
        fail("the debug command tests failed: " + run.stdout.decode(errors="replace"))
    for name in ("canvasTest.emf", "canvasTest.wmf", "UMLdiagram.emf"):
        path = os.path.join(work, name)
        if not os.path.exists(path):
            fail("%s was not written" % name)
        png = convert(soffice, path, work)
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
