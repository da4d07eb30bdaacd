#!/usr/bin/env python3
"""kalto.exe as a user meets it, in each of its three languages: the welcome
page, a run started with a real mouse click, a cancel, a second run to its
end. Screenshots of each stage go to <build>/e2e-shots.

Usage: black_box_test.py <build-dir>
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kalto_driver import ROLE_PUSHBUTTON, Display, KaltoSession, can_run  # noqa: E402

BUILD = None
ITEM_KEYS = ["s.detect.cpu", "s.detect.mem", "s.detect.disk", "s.detect.sys", "s.detect.audio", "s.detect.video",
             "s.detect.display.adapter", "s.detect.net.adapter", "s.detect.ts0", "s.detect.net.local",
             "s.detect.net.server"]


class BlackBox(unittest.TestCase):
    def run_language(self, language):
        display = Display()
        session = KaltoSession(BUILD, display.name, language)
        shots = os.path.join(BUILD, "e2e-shots")
        texts = session.texts
        try:
            session.start()
            # Welcome: the title carries the program's version; start is enabled within five seconds.
            names = session.names()
            self.assertIn(texts["s.app.name"] + "1.0.0.1", names)
            self.assertIn(texts["s.ui.welcome.title"], names)
            start = session.wait_for_text("s.ui.start", 8, enabled=True)
            self.assertEqual(start.role, ROLE_PUSHBUTTON)
            session.screenshot(os.path.join(shots, language + "-welcome.png"))

            # A run, started with a real click, cancelled while the processor is sampled.
            session.click(start)
            session.wait_for_text("s.detect.sys.running", 10)
            cancel = session.wait_for_text("s.cancel.detect", 5)
            session.screenshot(os.path.join(shots, language + "-running.png"))
            session.click(cancel)
            session.wait_for_text("s.detect.canceled", 60)
            names = session.names()
            self.assertIn(texts["s.detect.again"], names)
            begun = [key for key in ITEM_KEYS if texts[key] in names]
            self.assertTrue(0 < len(begun) < len(ITEM_KEYS), begun)
            session.screenshot(os.path.join(shots, language + "-cancelled.png"))

            # Again, to the end of the run.
            session.click(session.wait_for_text("s.detect.again", 5))
            session.wait_for_text("s.detect.finished", 300)
            names = session.names()
            for key in ITEM_KEYS:
                self.assertIn(texts[key], names, key)
            self.assertIn(texts["s.detect.system"], names)
            self.assertIn(texts["s.detect.net"], names)
            session.screenshot(os.path.join(shots, language + "-finished.png"))

            self.assertEqual(session.close(), 0)
        finally:
            if not session.exited():
                session.process.kill()
            display.close()

    def test_simplified_chinese(self):
        self.run_language("zh_CN")

    def test_traditional_chinese(self):
        self.run_language("zh_TW")

    def test_english(self):
        self.run_language("en_US")


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    if not can_run(os.path.join(BUILD, "kalto.exe")):
        print("black_box_test: this machine runs no 32-bit processes, so this build cannot run here; skipped")
        sys.exit(77)
    unittest.main(verbosity=2)
