#!/usr/bin/env python3
"""kalto.exe on a screen scaled to 150 %: the window and every control are
one and a half times their layout size, which neither a double-click on the
header nor another program maximises, the accessibility tree reports the
places a user sees, and a real click on the close button lands on it.

Sets the Wine prefix's DPI for its one start and restores it after.
Usage: high_dpi_test.py <build-dir>
"""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kalto_driver import Display, KaltoSession, can_run, set_screen_dpi  # noqa: E402

BUILD = None
DPI = 144
# The main window's layout: 720 x 480, the start button 200 x 44, the close button 30 x 30.
WINDOW, START, CLOSE = (720, 480), (200, 44), (30, 30)


def scaled(size):
    return tuple(length * DPI // 96 for length in size)


def near(element, size):
    """The element's size is `size` scaled, give or take the pixel that a
    control on an odd layout place gains when its edges are widened outwards."""
    return all(abs(got - want) <= 1 for got, want in zip((element.w, element.h), scaled(size)))


class HighDpi(unittest.TestCase):
    def test_the_window_scales_and_answers_clicks_at_150_per_cent(self):
        set_screen_dpi(BUILD, DPI)
        display = Display("1600x1000")
        session = KaltoSession(BUILD, display.name, "en_US")
        try:
            session.start()
            start = session.wait_for_text("s.ui.start", 10)
            elements = session.elements()
            window = elements[0]
            self.assertEqual((window.w, window.h), scaled(WINDOW))
            self.assertTrue(near(start, START), (start.w, start.h))
            # The button is centred in the window's width.
            self.assertLessEqual(abs(start.x + start.w // 2 - (window.x + window.w // 2)), 2)
            close = session.find(session.texts["s.ui.close"], elements)
            self.assertIsNotNone(close)
            self.assertTrue(near(close, CLOSE), (close.w, close.h))
            session.screenshot(os.path.join(BUILD, "e2e-shots", "high-dpi-150.png"))
            # Neither a double-click on the header nor another program maximises it.
            subprocess.run(["xdotool", "mousemove", "--sync", str(window.x + 20), str(window.y + 100),
                            "click", "--repeat", "2", "--delay", "80", "1"], env=session.env, check=True)
            self.assertEqual(session.reader("maximise").returncode, 0, "maximised")
            window = session.elements()[0]
            self.assertEqual((window.w, window.h), scaled(WINDOW))
            session.click(close)
            self.assertEqual(session.process.wait(30), 0)
        finally:
            if session.process and not session.exited():
                session.process.kill()
                session.process.wait()
            display.close()
            set_screen_dpi(BUILD, None)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    if not can_run(os.path.join(BUILD, "kalto.exe")):
        print("this machine cannot run the 32-bit program; skipped")
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
