#!/usr/bin/env python3
"""32-bit programs on a machine whose kernel refuses 32-bit processes:
tools/emulate-32bit.sh makes this machine look like one, the loader choice
must then pick the emulated 32-bit Wine loader, and a 32-bit program of this
build tree that writes from several threads at once must pass under it.

Usage: emulated_loader_test.py <build-dir>
"""
import os
import subprocess
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EMULATE = os.path.join(ROOT, "tools", "emulate-32bit.sh")
BUILD = None


def emulated(*command, timeout=600):
    return subprocess.run([EMULATE, *command], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=timeout)


class EmulatedLoader(unittest.TestCase):
    def test_the_loader_choice_falls_to_the_emulator_when_32_bit_processes_are_refused(self):
        check = ('source "$0/tools/wine-loader.sh"; echo "$KALTO_WINE_32BIT $KALTO_WINE_EMULATED"; '
                 '/usr/lib/wine/wine --version >/dev/null 2>&1 && echo "loader runs natively"; true')
        result = emulated("bash", "-c", check, ROOT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.split("\n")[0], "1 1", result.stdout)
        self.assertNotIn("loader runs natively", result.stdout)

    def test_a_threaded_32_bit_program_passes_under_the_emulated_loader(self):
        exe = os.path.join(BUILD, "tests", "unit", "corekit_test.exe")
        result = emulated(os.path.join(ROOT, "tools", "wine-run.sh"), BUILD, exe, "--gtest_filter=LogFile.*")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("LogFile.ConcurrentWritersKeepWholeLines", result.stdout)
        self.assertRegex(result.stdout, r"\[  PASSED  \] [1-9]\d* tests?\.")
        self.assertNotIn("uncaught target signal", result.stdout + result.stderr)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    probe = emulated("true", timeout=60)
    if probe.returncode == 77:
        print(probe.stdout.strip())
        sys.exit(77)
    unittest.main(verbosity=2)
