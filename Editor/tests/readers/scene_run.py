"""Runs a scene program of the readers tests under Wine in a fresh work folder."""
import os
import shutil
import subprocess
import sys


def run_scene(wine_exec, program, work, timeout=180):
    """Empties the work folder and runs the program there; a failure ends the test with its output."""
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    run = subprocess.run([wine_exec, program], cwd=work, timeout=timeout, stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0:
        print("FAIL: %s failed: %s" % (os.path.basename(program), run.stdout.decode(errors="replace")))
        sys.exit(1)
