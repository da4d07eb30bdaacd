#!/usr/bin/env python3
"""kalto.exe as other programs meet it: a screen reader that presses the start
button through the accessibility tree, the task manager's "End task" and the
close button (pressed once the run has ended). Each ends as a user expects:
the run reaches its end, the program ends and the next start opens a window
again, also when Wine's desktop process is slow to come up.

Usage: app_life_test.py <build-dir>
"""
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kalto_driver import Display, KaltoSession, ROOT, build_from_arguments  # noqa: E402

BUILD = None
ROUTINE = re.compile(r"\[DelegateDetect::OnDetectRoutine:\d+\]\[DetectState = (\d+), m_pCurrnetHandler = (-?\d+)\]")
RUN_ORDER = [0, 1, 4, 6, 2, 3, 5, 7, 10, 8, 9]


class AppLife(unittest.TestCase):
    def setUp(self):
        self.display = Display()
        # The run here is about the program's life, not the echo series: four echoes a server.
        self.session = KaltoSession(BUILD, self.display.name, "en_US", few_echoes=True)

    def tearDown(self):
        if self.session.process and not self.session.exited():
            self.session.process.kill()
            self.session.process.wait()
        self.display.close()

    def wait_exit(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline and not self.session.exited():
            time.sleep(0.2)
        return self.session.process.poll()

    def test_a_run_pressed_through_the_accessibility_tree_reaches_its_end(self):
        session = self.session
        session.start()
        session.wait_for_text("s.ui.start", 8, enabled=True)
        pressed = session.reader("press", session.texts["s.ui.start"])
        self.assertEqual(pressed.returncode, 0, pressed.stderr)
        session.wait_for_text("s.detect.again", 300)  # offered once the run has ended
        with open(session.log_path(), encoding="utf-8", errors="replace") as f:
            reports = [(int(state), int(kind)) for state, kind in ROUTINE.findall(f.read())]
        expected = [(state, kind) for kind in RUN_ORDER for state in (0, 2)]
        self.assertEqual(reports, expected)
        # The close button ends the program.
        session.click(session.wait_for_text("s.ui.close", 10))
        self.assertEqual(self.wait_exit(), 0)

    def test_end_task_ends_the_program_and_a_new_start_opens_its_window(self):
        session = self.session
        session.start()
        session.reader("end")  # WM_CLOSE, as "End task" or taskkill without /f
        self.assertEqual(self.wait_exit(), 0)
        session.start()  # the single-instance lock went with the program
        self.assertEqual(session.close(), 0)

    def test_a_start_opens_its_window_while_the_desktop_process_comes_up_slowly(self):
        # A fresh Wine session, whose desktop process is still to come, on a
        # display that answers nobody for longer than the 10 s for which Wine
        # waits for that process, and than the program then takes to ask for
        # it (a 32-bit one on the 64-bit loader is started by a start.exe that
        # may have waited first), as on a busy machine.
        subprocess.run([os.path.join(ROOT, "tools", "wine-end.sh"), BUILD], check=True)
        self.display.process.send_signal(signal.SIGSTOP)
        try:
            self.session.start_detached()
            time.sleep(60)
        finally:
            self.display.process.send_signal(signal.SIGCONT)
        self.assertEqual(self.session.reader("wait", "120").returncode, 0, "the main window did not appear")
        self.assertEqual(self.session.close(), 0)

    def test_a_skin_that_cannot_be_read_ends_the_program_without_a_window(self):
        # A copy of the program whose skin archive is not one.
        folder = os.path.join(BUILD, "damaged_install")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy(os.path.join(BUILD, "kalto.exe"), folder)
        with open(os.path.join(folder, "skin.zip"), "wb") as f:
            f.write(b"not an archive\n" * 64)
        logs = os.path.join(BUILD, "wineprefix", "drive_c", "users", "*", "AppData", "Roaming", "Orvane", "KALTO",
                            "log", "kalto_*.log")
        before = set(glob.glob(logs))
        program = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), BUILD,
                                    os.path.join(folder, "kalto.exe")],
                                   env=self.session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            code = program.wait(60)
        except subprocess.TimeoutExpired:
            code = None
        window = self.session.reader("wait", "0").returncode == 0
        if code is None:
            program.kill()
            program.wait()
            self.session.reader("end")  # the window left behind, if any
        self.assertIsNotNone(code, "the program did not end")
        self.assertFalse(window, "a main window is left")
        self.assertEqual(code, 0)
        new_logs = sorted(set(glob.glob(logs)) - before)
        self.assertEqual(len(new_logs), 1)
        with open(new_logs[0], encoding="utf-8", errors="replace") as f:
            log = f.read()
        self.assertIn("main window not created", log)
        self.assertIn("window has no layout = skin.xml", log)


if __name__ == "__main__":
    BUILD = build_from_arguments()
    unittest.main(verbosity=2)
