"""Runs a scene program of the readers tests under Wine in a fresh work folder; reads the pictures it makes."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "text", "tests",
                                "readers"))
# The pictures the scenes print are read with the metafile readers test's reader.
from metafile_readers_test import read_pgm  # noqa: E402,F401


def printing_test_arguments(usage):
    """The arguments of a printing test (WINE_EXEC SCENE_PROGRAM WORK_DIR, made absolute) and ghostscript's
    path; without them the test fails with its usage, without ghostscript it is skipped (exit 77)."""
    if len(sys.argv) != 4:
        print("FAIL: " + usage)
        sys.exit(1)
    gs = shutil.which("gs")
    if not gs:
        print("SKIP: ghostscript is not installed; scripts/setup installs it")
        sys.exit(77)
    return [os.path.abspath(a) for a in sys.argv[1:]] + [gs]


def run_scene(wine_exec, program, work, timeout=180, files=(), arguments=()):
    """Empties the work folder, copies the files there and runs the program there with the arguments; a
    failure ends the test with its output."""
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for f in files:
        shutil.copy(f, work)
    run = subprocess.run([wine_exec, program] + list(arguments), cwd=work, timeout=timeout, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0:
        print("FAIL: %s failed: %s" % (os.path.basename(program), run.stdout.decode(errors="replace")))
        sys.exit(1)

