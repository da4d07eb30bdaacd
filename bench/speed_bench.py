#!/usr/bin/env python3
"""The speed measurement against the web stand-in at several paces: for each
pace, the download and upload figures the program measures, how far each is
from the pace, and the processor time each transfer took.

Usage: bench/speed_bench.py [build-dir] [pace-kbps ...]
(default build/win32 and 1000 8000 50000; build the program first with
cmake --build --preset win32 --target bench). The stand-in listens on a free
port of 127.0.0.1 for the length of the run.
"""
import os
import re
import socket
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "win32"))
    paces = [int(p) for p in sys.argv[2:]] or [1000, 8000, 50000]
    port = free_port()
    standin = subprocess.Popen([sys.executable, os.path.join(ROOT, "tests", "fixtures", "web_standin.py"),
                                "--address", "127.0.0.1", "--port", str(port), "--control-port", str(free_port()),
                                "--proxy-port", str(free_port())], stdout=subprocess.PIPE, text=True)
    tool = os.path.join(ROOT, "tools", "test-env.sh")
    try:
        assert standin.stdout.readline().strip() == "ready"
        subprocess.run([tool, "start", build], check=True, stdout=subprocess.DEVNULL)
        print("%-10s %-9s %12s %8s %14s" % ("pace kbps", "direction", "measured", "off %", "processor ms"))
        for pace in paces:
            url = "http://127.0.0.1:%d/t/paced/%d" % (port, pace)
            out = subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), build,
                                  os.path.join(build, "bench", "speed_bench.exe"), url, url],
                                 capture_output=True, text=True).stdout
            for line in out.splitlines():
                measured = re.match(r"(\w+) kbps (\d+) bytes \d+ processor_ms (\d+)", line)
                failed = re.match(r"(\w+) not measured \((.*)\) processor_ms (\d+)", line)
                if measured:
                    kbps = int(measured.group(2))
                    print("%-10d %-9s %12d %+8.1f %14s" % (pace, measured.group(1), kbps, 100.0 * (kbps - pace) / pace,
                                                           measured.group(3)))
                elif failed:
                    print("%-10d %-9s %12s %8s %14s" % (pace, failed.group(1), "not measured: " + failed.group(2), "",
                                                        failed.group(3)))
    finally:
        subprocess.run([tool, "stop", build], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        standin.terminate()
        standin.wait()


if __name__ == "__main__":
    main()
