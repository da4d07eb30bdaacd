#!/usr/bin/env python3
"""Start-up of kalto.exe under Wine: the time from launching the process to
the main window painted on screen, and the process's memory once it shows.

Usage: startup_bench.py <build-dir> [runs]
Prints one line per run and the median. The first start of a fresh Wine
prefix is slower (Wine sets itself up); it is reported separately.
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from kalto_driver import Display, KaltoSession  # noqa: E402

BLUE = (0x2F, 0x80, 0xFF)  # the header colour: the window is painted once it shows


def header_painted(display, x, y):
    out = subprocess.run(["import", "-display", display, "-window", "root", "-crop", f"1x1+{x}+{y}", "txt:-"],
                         capture_output=True, text=True).stdout
    # "0,0: (12079,32896,65535)  #2F2F8080FFFF  srgb(47,128,255)"
    return "srgb(%d,%d,%d)" % BLUE in out


def kalto_rss_kib():
    best = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"kalto.exe" not in f.read():
                    continue
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        best = max(best, int(line.split()[1]))
        except OSError:
            continue
    return best


def one_run(build, display):
    session = KaltoSession(build, display.name)
    start = time.monotonic()
    session.start_detached()
    # The 720 x 480 window is centred on the 1280 x 800 screen: its header lies 30 px below its top edge.
    x, y = 640, (800 - 480) // 2 + 30
    while not header_painted(display.name, x, y):
        if time.monotonic() - start > 60:
            raise TimeoutError("no painted window")
        time.sleep(0.02)
    painted = time.monotonic() - start
    time.sleep(1.0)
    rss = kalto_rss_kib()
    session.close()
    return painted, rss


def main():
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    display = Display()
    try:
        first, rss = one_run(build, display)
        print(f"first start (Wine warming up): {first * 1000:.0f} ms to the painted window, {rss / 1024:.1f} MiB")
        times, sizes = [], []
        for i in range(runs):
            painted, rss = one_run(build, display)
            times.append(painted)
            sizes.append(rss)
            print(f"run {i + 1}: {painted * 1000:.0f} ms to the painted window, {rss / 1024:.1f} MiB resident")
        print(f"median: {statistics.median(times) * 1000:.0f} ms, {statistics.median(sizes) / 1024:.1f} MiB")
    finally:
        display.close()


if __name__ == "__main__":
    main()
