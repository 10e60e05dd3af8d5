"""Runs a scene program of the readers tests under Wine in a fresh work folder; reads the pictures it makes."""
import os
import shutil
import subprocess
import sys


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


def read_gray(path):
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
