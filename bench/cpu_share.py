#!/usr/bin/env python3
"""The program's own processor use over one full run, which lands in the
processor check's "other programs" figure and so must stay small.

kalto.exe runs under Wine in a private network namespace in which
tests/fixtures/echo_responder.py answers the six media servers (20 ms, no
loss). The run is started through the accessibility tree, its end is read
from the log (so that nothing reads the window while it is measured), and
the kernel's accounting of the process and of each of its threads gives
the shares of one core. Threads are told apart by the names the program
gives them (Wine hands them to Linux); the user-interface thread is the
process's first thread. A thread started by a named thread carries that
name until it names itself, so the threads that WMI and the device
enumeration start count with the detection worker. Threads that end during
the run count with their last reading, taken every half second.
The process's processor time is also split by check: the time from one
check's end in the log to the next one's (read every half second, so the
split is as fine as that).

Usage (as root, after a build of the preset): bench/cpu_share.py [build-dir]
(default build/win32).
"""
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from kalto_driver import Display, KaltoSession  # noqa: E402

HOSTS = ["cnc1", "cnc2", "ctc1", "ctc2", "cmc1", "cmc2"]
ADDRESSES = [f"127.0.0.{41 + i}" for i in range(len(HOSTS))]
TARGETS = ",".join(f"{address}:20:0" for address in ADDRESSES)
HOSTS_FILE = ",".join(f"{address} {host}.media.orvane.com" for address, host in zip(ADDRESSES, HOSTS))
LAST_FINISH = "DetectState = 2, m_pCurrnetHandler = 9]"
FINISH = re.compile(r"DetectState = 2, m_pCurrnetHandler = (\d+)\]")
CHECKS = {0: "processor", 1: "memory", 2: "audio devices", 3: "video devices", 4: "disk", 5: "display adapter",
          6: "system", 7: "network adapter", 8: "address and site", 9: "media servers", 10: "programs"}
KINDS = {"netlib task": "detection worker", "netlib net": "network threads", "netlib timer": "timer thread",
         "ping series": "echo series"}
TICK = os.sysconf("SC_CLK_TCK")


def stat_ticks(path):
    """utime + stime of /proc/<pid>/stat or a task's stat, in clock ticks."""
    with open(path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def find_program(exe, timeout=60):
    """The process of `exe`. Wine may start it through start.exe, which does
    not stay its parent, so it is found by the path it runs: a Windows path
    (Z:...) or one relative to its working directory."""
    exe = os.path.realpath(exe)
    deadline = time.time() + timeout
    while time.time() < deadline:
        for entry in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{entry}/cmdline", "rb") as f:
                    first = f.read().split(b"\0")[0].decode(errors="replace")
                if first[:2].lower() == "z:":
                    path = first[2:].replace("\\", "/")
                else:
                    path = os.path.join(os.readlink(f"/proc/{entry}/cwd"), first)
            except OSError:
                continue
            if first.lower().endswith("kalto.exe") and os.path.realpath(path) == exe:
                return int(entry)
        time.sleep(0.2)
    raise RuntimeError("kalto.exe did not start")


def thread_ticks(pid):
    """{tid: (kind, ticks)} of the living threads."""
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            ticks = stat_ticks(f"/proc/{pid}/task/{tid}/stat")
        except OSError:
            continue
        kind = "user-interface thread" if int(tid) == pid else KINDS.get(name, "Wine, COM and others")
        threads[int(tid)] = (kind, ticks)
    return threads


def measure(build):
    display = Display()
    session = KaltoSession(build, display.name, "en_US", wine_dir=os.environ["KALTO_NETNS_BUILD"])
    try:
        session.start()
        session.wait_for_text("s.ui.start", 10, enabled=True)
        pid = find_program(os.path.join(session.build, "kalto.exe"))
        log = session.log_path()
        first = thread_ticks(pid)
        process_start = stat_ticks(f"/proc/{pid}/stat")
        start = time.time()
        if session.reader("press", session.texts["s.ui.start"]).returncode != 0:
            raise RuntimeError("the start button could not be pressed")
        last = dict(first)
        checks = []  # (check, process ticks since the previous check's end)
        previous = process_start
        while True:
            time.sleep(0.5)
            last.update(thread_ticks(pid))  # threads that end keep their last reading
            with open(log, encoding="utf-8", errors="replace") as f:
                text = f.read()
            finished = [int(kind) for kind in FINISH.findall(text)]
            if len(finished) > len(checks):
                now = stat_ticks(f"/proc/{pid}/stat")
                # Checks that ended within one reading share it; the first takes it all.
                for index, kind in enumerate(finished[len(checks):]):
                    checks.append((kind, now - previous if index == 0 else 0))
                previous = now
            if LAST_FINISH in text:
                break
            if time.time() - start > 600:
                raise RuntimeError("the run did not end")
        wall = time.time() - start
        process = stat_ticks(f"/proc/{pid}/stat") - process_start
        last.update(thread_ticks(pid))
        session.close()
    finally:
        if session.process and not session.exited():
            session.process.kill()
        display.close()

    kinds, counts = {}, {}
    for tid, (kind, ticks) in last.items():
        kinds[kind] = kinds.get(kind, 0) + ticks - first.get(tid, (kind, 0))[1]
        counts[kind] = counts.get(kind, 0) + 1
    print(f"full run: {wall:.1f} s; processor time in seconds and share of one core")
    print(f"  {'whole process':28s} {process / TICK:7.2f} s {100.0 * process / TICK / wall:6.2f} %")
    for kind in sorted(kinds, key=kinds.get, reverse=True):
        seconds = kinds[kind] / TICK
        print(f"  {kind + f' ({counts[kind]})':28s} {seconds:7.2f} s {100.0 * seconds / wall:6.2f} %")
    print("processor time of the whole process by check, up to its end")
    for kind, ticks in checks:
        print(f"  {CHECKS.get(kind, kind):28s} {ticks / TICK:7.2f} s")


def main():
    if "KALTO_NETNS_BUILD" in os.environ:
        measure(sys.argv[1])
        return 0
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "win32"))
    env = dict(os.environ, KALTO_NETNS_HOSTS=HOSTS_FILE)
    return subprocess.run([os.path.join(ROOT, "tests", "fixtures", "netns_wine.sh"), build, TARGETS,
                           sys.executable, os.path.abspath(__file__), build], env=env).returncode


if __name__ == "__main__":
    sys.exit(main())
