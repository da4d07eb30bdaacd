#!/usr/bin/env python3
"""The run reports of kalto.exe under Wine: the command line (usage, a bad
argument, a report path that cannot be written, is read-only or held by
another program), none of which costs a kept log; a silent run to a
relative path against the stand-ins whose JSON report and exit code agree
with the log's findings, with its window never shown and a second silent
run refused meanwhile; the same run as a user without root; and on the
end-of-run page of an interactive run the copy control, Ctrl+C and the Save
dialog in both formats, driven with the mouse and keyboard. Every JSON
report is validated against docs/report.schema.json.

Runs in the private network namespace of black_box_test.py, with its
stand-ins. Usage: report_black_box_test.py <build-dir>
"""
import glob
import json
import math
import os
import subprocess
import sys
import tempfile
import time
import unittest

import jsonschema

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from black_box_test import ITEM_KEYS, SERVERS, SLOW_ADDRESS_SECONDS, Findings, namespace_arguments  # noqa: E402
from kalto_driver import KaltoSession, ROOT, SharedDisplay  # noqa: E402
from standin_control import ADDRESS_PATH, control  # noqa: E402

BUILD = None
PREFIX = None
EXIT_COULD_NOT_RUN = 3
NOBODY = 65534
with open(os.path.join(ROOT, "docs", "report.schema.json"), encoding="utf-8") as schema_file:
    REPORT_SCHEMA = json.load(schema_file)


def read_report(path):
    """The JSON report at `path`, valid against the published schema."""
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    jsonschema.Draft7Validator(REPORT_SCHEMA).validate(data)
    return data


def drive_c(*parts):
    return os.path.join(PREFIX, "wineprefix", "drive_c", *parts)


def remove(*paths):
    for path in paths:
        if os.path.exists(path):
            os.remove(path)


class Reports(SharedDisplay, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.env = dict(os.environ, DISPLAY=cls.display.name, LC_ALL="en_US.UTF-8")

    def tearDown(self):
        # Whatever a failed case left running in the namespace's Wine session.
        # Only then is the session ended: the next case would pay for a new
        # start of Wine's desktop, seconds where the 32-bit loader is emulated.
        prefix = os.path.join(PREFIX, "wineprefix")
        left = subprocess.run([os.path.join(ROOT, "tools", "wine-processes.sh"), prefix],
                              capture_output=True, text=True).stdout
        if "kalto.exe" in left or "file_holder.exe" in left:
            subprocess.run(["wineserver", "-k"], env=dict(self.env, WINEPREFIX=prefix))

    def kalto(self, *args, cwd=None):
        """Starts kalto.exe with `args`; its output goes to a file, not a pipe,
        which Wine's service processes would hold open."""
        out = tempfile.TemporaryFile()
        process = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), PREFIX,
                                    os.path.join(BUILD, "few_echoes", "kalto.exe"), *args],
                                   env=self.env, stdout=out, stderr=subprocess.STDOUT, cwd=cwd)
        process.out = out
        return process

    def finish(self, process, timeout=120):
        """Its exit code and output."""
        code = process.wait(timeout)
        process.out.seek(0)
        text = process.out.read().decode("utf-8", "replace")
        process.out.close()
        return code, text

    def reader(self, *args, window_class="kalto.mainwnd"):
        exe = os.path.join(BUILD, "tests", "e2e", "ui_reader.exe")
        return subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), PREFIX, exe, window_class, *args],
                              env=self.env, capture_output=True)

    def test_command_line(self):
        logs = self.log_files()
        code, out = self.finish(self.kalto("/?"))
        self.assertEqual(code, 0, out)
        self.assertIn("/report <path>", out)

        code, out = self.finish(self.kalto("/frobnicate"))
        self.assertEqual(code, EXIT_COULD_NOT_RUN, out)
        self.assertIn("unknown argument: /frobnicate", out)

        # A folder that does not exist: refused at once, and nothing written.
        missing = drive_c("no-such-folder")
        self.assertFalse(os.path.exists(missing))
        before = set(os.listdir(drive_c()))
        code, out = self.finish(self.kalto("/report", "C:\\no-such-folder\\report.json"))
        self.assertEqual(code, EXIT_COULD_NOT_RUN, out)
        self.assertFalse(os.path.exists(missing))
        self.assertEqual(set(os.listdir(drive_c())), before)

        # A report that cannot be replaced, read-only or held by another
        # program, is refused before the run, not after it.
        target = drive_c("kept-report.json")
        with open(target, "w") as f:
            f.write("{}")
        os.chmod(target, 0o444)
        code, out = self.finish(self.kalto("/report", "C:\\kept-report.json"), 60)
        self.assertEqual(code, EXIT_COULD_NOT_RUN, out)
        self.assertIn("cannot be written to C:\\kept-report.json", out)
        os.chmod(target, 0o644)
        flag = drive_c("holding.flag")
        holder = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), PREFIX,
                                   os.path.join(BUILD, "tests", "e2e", "file_holder.exe"), "C:\\kept-report.json",
                                   "C:\\holding.flag"], env=self.env, stdout=subprocess.DEVNULL)
        try:
            deadline = time.time() + 60
            while not os.path.exists(flag) and time.time() < deadline:
                time.sleep(0.2)
            self.assertTrue(os.path.exists(flag), "the holder holds the report")
            code, out = self.finish(self.kalto("/report", "C:\\kept-report.json"), 60)
            self.assertEqual(code, EXIT_COULD_NOT_RUN, out)
            self.assertIn("cannot be written to C:\\kept-report.json", out)
        finally:
            remove(flag)
            holder.wait(60)
        with open(target) as f:
            self.assertEqual(f.read(), "{}", "left as it was")
        remove(target)
        self.assertEqual(self.log_files(), logs, "starts that ran nothing cost no kept log")

    def log_files(self):
        return sorted(glob.glob(drive_c("users", "*", "AppData", "Roaming", "Orvane", "KALTO", "log", "kalto_*.log")))

    def test_silent_run(self):
        report, second = drive_c("silent-report.json"), drive_c("second-report.json")
        remove(report, second)
        started = time.time()
        # A late address answer keeps the run going while the second start
        # and the reads of its window take their turns, even on a slow machine.
        control("/set", path=ADDRESS_PATH, mode="delay", arg=str(SLOW_ADDRESS_SECONDS))
        # A path relative to the current folder, as a scheduled task may give.
        first = self.kalto("/report", "silent-report.json", cwd=drive_c())
        try:
            self.assertEqual(self.reader("wait", "60").returncode, 0, "the window of the run exists")
            # Hidden: it can never come to the foreground.
            self.assertEqual(self.reader("shown").returncode, 3)
            code, out = self.finish(self.kalto("/report", "C:\\second-report.json"))
            self.assertEqual(code, EXIT_COULD_NOT_RUN, out)
            self.assertIn("another instance", out)
            self.assertFalse(os.path.exists(second))
            self.assertEqual(self.reader("shown").returncode, 3, "still hidden while it runs")
            code, out = self.finish(first, 400)
        finally:
            control("/reset")
            if first.poll() is None:
                first.kill()
        self.assertIn("report written to C:\\silent-report.json", out)
        data = read_report(report)
        self.assertEqual(glob.glob(drive_c("silent-report.json.*.tmp")), [], "the temporary file was renamed")

        verdicts = {item["type"]: item["verdict"] for item in data["items"]}
        self.assertEqual(sorted(verdicts), list(range(11)), "all eleven checks ran")
        failures = sum(1 for v in verdicts.values() if v == 3)
        warnings = sum(1 for v in verdicts.values() if v == 2)
        self.assertEqual(code, 2 if failures else 1 if warnings else 0)
        self.assertEqual(data["summary"]["failures"], failures)
        self.assertEqual(data["summary"]["warnings"], warnings)
        self.assertFalse(data["cancelled"])
        self.assertEqual(data["schemaVersion"], 1)
        self.assertEqual(data["language"], "en_US")

        # The media servers as the log found them.
        log = self.silent_log(started)
        self.assertIn("report = C:\\silent-report.json", log)
        findings = Findings(log)
        servers = {server["host"]: server for server in next(i for i in data["items"] if i["type"] == 9)["servers"]}
        passed = 0
        for name, host, address, _, _ in SERVERS:
            figures = findings.figures(host, address)
            self.assertEqual((servers[host]["roundTripMs"], servers[host]["lossPercent"]), figures, host)
            self.assertEqual(servers[host]["name"], name)
            self.assertGreaterEqual(servers[host]["jitterMs"], 0)
            passed += findings.within_limits(figures)
        self.assertEqual(servers["cmc2.media.orvane.com"]["lossPercent"], 100)
        self.assertEqual(verdicts[9], 1 if passed >= 2 else 3)
        # A configuration without the speed measurement's addresses: no
        # transfer, no speed line, and the eleven items' begin and finish only.
        server_item = next(i for i in data["items"] if i["type"] == 9)
        self.assertEqual(sorted(server_item["findings"]),
                         ["delayLimitMs", "echoesPerServer", "lostLimitPercent", "passCount"])
        self.assertEqual(len(server_item["shown"]), 1, server_item["shown"])
        self.assertEqual(findings.routines, 2 * len(ITEM_KEYS))
        self.assertFalse(findings.measured_speed)
        site = next(i for i in data["items"] if i["type"] == 8)["findings"]
        self.assertEqual(site["clientIp"], findings.client_ip)
        self.assertEqual(site["region"], findings.region)


    def test_silent_run_as_a_standard_user(self):
        """Wine gives a user without root an unprivileged echo socket for the
        raw one where net.ipv4.ping_group_range lets it, so all six servers
        are measured as for root; the refusal a standard user meets on
        Windows is tested by ping_loopback_test and ping_netns_test."""
        home = os.path.join(PREFIX, "standard-user")
        os.makedirs(home, exist_ok=True)
        os.chown(home, NOBODY, NOBODY)
        report = os.path.join(home, "wineprefix", "drive_c", "user-report.json")
        remove(report)
        subprocess.run(["sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647"], check=True)
        # The Wine loader is chosen anew for that user, who may not reach
        # the 32-bit emulator that root's set-up installed.
        env = {k: v for k, v in self.env.items() if not k.startswith("KALTO_WINE")}
        out = tempfile.TemporaryFile()
        code = subprocess.call(["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups",
                                os.path.join(ROOT, "tools", "wine-run.sh"), home,
                                os.path.join(BUILD, "few_echoes", "kalto.exe"), "/report", "C:\\user-report.json"],
                               env=dict(env, HOME=home, USER="nobody"), stdout=out, stderr=subprocess.STDOUT,
                               timeout=600)
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
        if code == 77:
            self.skipTest(text.strip())
        self.assertIn(code, (0, 1, 2), text)
        data = read_report(report)
        logs = sorted(glob.glob(os.path.join(home, "wineprefix", "drive_c", "users", "*", "AppData", "Roaming",
                                             "Orvane", "KALTO", "log", "kalto_*.log")), key=os.path.getmtime)
        with open(logs[-1], encoding="utf-8", errors="replace") as f:
            log = f.read()
        self.assertNotIn("WSASocket FAILED", log)
        findings = Findings(log)
        servers = {server["host"]: server for server in next(i for i in data["items"] if i["type"] == 9)["servers"]}
        for _, host, address, delay, lost in SERVERS:
            figures = findings.figures(host, address)
            self.assertEqual((servers[host]["roundTripMs"], servers[host]["lossPercent"]), figures, host)
            if delay is None:
                self.assertEqual(figures[1], 100, host)
            else:
                self.assertGreaterEqual(figures[0], delay, host)
                # The responder spreads its drops evenly over every request it
                # has had, so four echoes lose at most the share rounded up to
                # whole echoes (20 % may cost one echo, 25 %).
                self.assertLessEqual(figures[1], math.ceil(4 * lost / 100) * 25, host)

    def silent_log(self, since):
        """The log of the silent run that began after `since`."""
        pattern = drive_c("users", "*", "AppData", "Roaming", "Orvane", "KALTO", "log", "kalto_*.log")
        for path in sorted(glob.glob(pattern), key=os.path.getmtime, reverse=True):
            if os.path.getmtime(path) < since:
                break
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            if "silent run starts" in text:
                return text
        self.fail("no log of the silent run")

    def test_copy_and_save(self):
        session = KaltoSession(BUILD, self.display.name, "en_US", wine_dir=PREFIX, few_echoes=True)
        texts = session.texts
        saved_text, saved_json = drive_c("kalto-report.txt"), drive_c("kalto-report.json")
        remove(saved_text, saved_json)
        try:
            session.start()
            session.click(session.wait_for_text("s.ui.start", 8, enabled=True))
            session.click(session.wait_for_text("s.cancel.detect", 10))
            session.wait_for_text("s.detect.canceled", 60)
            names = session.names()
            begun = [texts[key] for key in ITEM_KEYS if texts[key] in names]
            self.assertTrue(begun)
            session.screenshot(os.path.join(BUILD, "e2e-shots", "en_US-report-actions.png"))

            session.click(session.wait_for_text("s.ui.report.copy", 5))
            session.wait_for_text("s.ui.report.copied", 10)
            copied = self.reader("clipboard").stdout.decode("utf-8")
            self.assertTrue(copied.startswith(texts["s.app.name"] + "1.0.0.1\r\n" + texts["s.report.time"] + " "),
                            copied[:200])
            self.assertIn("\r\n" + texts["s.report.computer"] + " ", copied)
            self.assertIn("\r\n" + texts["s.detect.canceled"] + "\r\n", copied)
            for name in begun:
                self.assertRegex(copied, r"\r\n\[[^\]]+\] " + name + "\r\n")

            self.save_as(session, "C:\\kalto-report.txt", saved_text)
            with open(saved_text, "rb") as f:
                content = f.read()
            self.assertTrue(content.startswith(b"\xEF\xBB\xBF"), "UTF-8 with its byte order mark")
            # The same report as the copy, but for the time it was taken.
            self.assertEqual(drop_time(content[3:].decode("utf-8"), texts), drop_time(copied, texts))
            session.wait_for_text("s.ui.report.saved", 10)

            # Ctrl+C copies too: the page says so again.
            subprocess.run(["xdotool", "key", "ctrl+c"], env=session.env, check=True)
            session.wait_for_text("s.ui.report.copied", 10)

            self.save_as(session, "C:\\kalto-report.json", saved_json)
            data = read_report(saved_json)
            self.assertTrue(data["cancelled"])
            self.assertEqual(data["summary"]["titleKey"], "s.detect.canceled")
            self.assertEqual(sorted(item["name"] for item in data["items"]), sorted(begun))
            self.assertEqual(session.close(), 0)
        finally:
            if not session.exited():
                session.process.kill()

    def save_as(self, session, windows_path, unix_path):
        """Saves through the Save dialog as a user does: the control, the name typed, Enter."""
        session.click(session.wait_for_text("s.ui.report.save", 5))
        self.assertEqual(self.reader("wait", "20", window_class="#32770").returncode, 0, "the Save dialog opened")
        time.sleep(1)
        subprocess.run(["xdotool", "key", "ctrl+a"], env=session.env, check=True)
        subprocess.run(["xdotool", "type", "--delay", "50", windows_path], env=session.env, check=True)
        subprocess.run(["xdotool", "key", "Return"], env=session.env, check=True)
        deadline = time.time() + 20
        while not os.path.exists(unix_path) and time.time() < deadline:
            time.sleep(0.3)
        self.assertTrue(os.path.exists(unix_path), windows_path)


def drop_time(report, texts):
    return "\r\n".join(line for line in report.split("\r\n") if not line.startswith(texts["s.report.time"]))


if __name__ == "__main__":
    BUILD, PREFIX = namespace_arguments(__file__)
    unittest.main(verbosity=2)
