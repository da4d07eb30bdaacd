#!/usr/bin/env python3
"""Runs kalto.exe once on a virtual display, as a user would: presses the
start button once it is enabled, waits for the run to end, then prints what
the final window shows, a screenshot and the log.

Usage: run-headless.py <build-dir> [language]
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from kalto_driver import Display, KaltoSession  # noqa: E402


def main():
    build = sys.argv[1]
    language = sys.argv[2] if len(sys.argv) > 2 else "en_US"
    display = Display()
    session = KaltoSession(build, display.name, language)
    try:
        print("starting kalto.exe under Wine on the virtual display " + display.name)
        session.start()
        start = session.wait_for_text("s.ui.start", 30, enabled=True)
        print("the start button is enabled; pressing it")
        session.click(start)
        session.wait_for_text("s.detect.again", 600)
        print("\nThe window after the run:")
        elements = session.elements()
        for i, element in enumerate(elements):
            # Containers are named after their children: print the leaves.
            leaf = i + 1 == len(elements) or elements[i + 1].depth <= element.depth
            if element.name and leaf:
                print("  " * element.depth + element.name)
        shot = session.screenshot(os.path.join(os.path.abspath(build), "run-screenshot.png"))
        print("\nscreenshot: " + shot)
        print("log: " + str(session.log_path()))
    finally:
        try:
            session.close()
        finally:
            display.close()


if __name__ == "__main__":
    main()
