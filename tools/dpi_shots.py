#!/usr/bin/env python3
"""Takes the pictures of the main window at 100, 150 and 200 % in the three
languages, under Wine and Xvfb (Wine takes the scale from its LogPixels
setting), as <out-dir>/kalto-<language>-<scale>.png.

Usage: tools/dpi_shots.py <build-dir> <out-dir>
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
from kalto_driver import Display, KaltoSession, set_screen_dpi  # noqa: E402

SCALES = {100: 96, 150: 144, 200: 192}
LANGUAGES = ("zh_CN", "zh_TW", "en_US")


def main():
    build, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    try:
        for scale, dpi in SCALES.items():
            set_screen_dpi(build, dpi)
            for language in LANGUAGES:
                display = Display("2000x1300")
                session = KaltoSession(build, display.name, language)
                try:
                    session.start()
                    try:
                        session.wait_for_text("s.ui.start", 15, enabled=True)
                    except TimeoutError:
                        pass  # the configuration download still runs: the button is shown disabled
                    path = session.screenshot(os.path.join(out, f"kalto-{language}-{scale}.png"))
                    print(path)
                    session.close()
                finally:
                    if session.process and not session.exited():
                        session.process.kill()
                    display.close()
    finally:
        set_screen_dpi(build, None)


if __name__ == "__main__":
    main()
