#!/usr/bin/env python3
"""kalto.exe under the faults a user's machine and network throw at it: the
network gone in the middle of a run, host names that never resolve, an
address service that answers after 30 s, a configuration service that sends
garbage, an HTML page, a truncated file or 100 MB, a log folder that cannot
be written, the configuration file held by another program, no application
data folder, two starts at the same instant, and a speed measurement whose
transfers stall, are refused, break off or are cancelled. Each ends with the right
verdicts and summary (or a usable start button where only the start
matters), within a bounded wait, with the last good configuration whole and
the log in whole lines.

Runs in the private network namespace of black_box_test.py, with its
stand-ins. Where the whole run matters but not the screen, a silent run
(/report) gives every verdict; the lost network is watched on the screen.
Usage: fault_black_box_test.py <build-dir>
"""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from black_box_test import FAILED, HEADLINE_KEYS, ITEM_KEYS, SERVERS, leaves, namespace_arguments, printf  # noqa: E402
from kalto_driver import KaltoSession, LogWatch, ROOT, SharedDisplay, file_held  # noqa: E402
from standin_control import ADDRESS_PATH, CONFIG, CONFIG_PATH, control  # noqa: E402

BUILD = None
PREFIX = None
ADDRESS_ROW, SERVER_ROW = 8, 9
# Each entry as the logging library writes it: time, thread, level and the
# bracketed message, ended by a line end. (A WMI entry spreads its values over
# lines of their own.)
LOG_HEAD = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[ *\d+\] [A-Z]+ +\["
LOG_ENTRY = re.compile(LOG_HEAD + r".*\]\n", re.S)
SPEED_HOST = "http://download.orvane.com"
# What a previous run kept: two hosts that are not the built-in ones. As the
# program keeps it, UTF-16 behind its mark, so it has no reason to rewrite it.
PREVIOUS_HOSTS = {"cncDomain1": "cnc1.previous.orvane.com", "cmcDomain2": "cmc2.previous.orvane.com"}
PREVIOUS_CONFIG = b"\xff\xfe" + ("[KALTO_CH]\r\nversion=1.0.0.1\r\n" + "".join(
    "%s=%s\r\n" % item for item in PREVIOUS_HOSTS.items())).encode("utf-16-le")


def roaming():
    return glob.glob(os.path.join(PREFIX, "wineprefix", "drive_c", "users", "*", "AppData", "Roaming"))[0]


def app_data():
    return os.path.join(roaming(), "Orvane", "KALTO")


def log_seconds(log, text):
    """The time of day, in seconds, of the first log entry that says `text`."""
    match = re.search(r"(\d\d):(\d\d):(\d\d\.\d{3}) [^\n]*" + re.escape(text), log)
    assert match, "the log never said " + text
    return int(match.group(1)) * 3600 + int(match.group(2)) * 60 + float(match.group(3))


def speed_config(download, upload):
    """The configuration with the speed measurement's two addresses."""
    return CONFIG.decode() + "speedUrl=%s%s\nuploadUrl=%s%s\n" % (SPEED_HOST, download, SPEED_HOST, upload)


def set_link(state):
    subprocess.run(["ip", "link", "set", "lo", state], check=True)


def peak_memory_kib(program):
    """The peak resident size of the running Wine process of `program` in
    this tree's prefix (another tree's tests may run the same program)."""
    prefix = ("WINEPREFIX=" + os.path.join(PREFIX, "wineprefix")).encode()
    peaks = []
    for status in glob.glob("/proc/[0-9]*/status"):
        folder = os.path.dirname(status)
        try:
            # The program's path is the first argument, or a later one when
            # an emulator runs the loader (the emulator's arguments stay); of
            # the processes that name it, the program is by far the largest.
            with open(os.path.join(folder, "cmdline"), "rb") as f:
                arguments = f.read().decode("utf-8", "replace").lower().split("\0")
            with open(os.path.join(folder, "environ"), "rb") as f:
                environment = f.read().split(b"\0")
            if not any(argument.endswith(program) for argument in arguments) or prefix not in environment:
                continue
            with open(status) as f:
                peaks.append(int(re.search(r"VmHWM:\s+(\d+) kB", f.read()).group(1)))
        except (OSError, AttributeError):
            continue
    return max(peaks) if peaks else None


class FaultRuns(LogWatch, SharedDisplay, unittest.TestCase):
    # The lost-network case must set the link down before any server's
    # series has ended, so the log is read often.
    LOG_POLL = 0.05

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.env = dict(os.environ, DISPLAY=cls.display.name, LC_ALL="en_US.UTF-8")
        # The first use makes the prefix (a minute on a busy machine), ahead of any time-out.
        subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), PREFIX,
                        os.path.join(BUILD, "tests", "e2e", "ui_reader.exe"), "kalto.mainwnd", "count"],
                       env=cls.env, capture_output=True)

    def setUp(self):
        control("/reset")
        self.session = None
        # The folder as a previous run leaves it: its log folder, maybe a configuration.
        os.makedirs(os.path.join(app_data(), "log"), exist_ok=True)
        for name in os.listdir(app_data()):
            if name != "log":
                os.remove(os.path.join(app_data(), name))
        self.started = time.time()

    def tearDown(self):
        self.end_program()

    def end_program(self):
        """Ends whatever a failed case left running in the namespace's Wine session."""
        if self.session and self.session.process and not self.session.exited():
            self.session.process.kill()
            self.stop_wine()

    def stop_wine(self):
        subprocess.run(["wineserver", "-k"], env=dict(self.env, WINEPREFIX=os.path.join(PREFIX, "wineprefix")),
                       stderr=subprocess.DEVNULL)

    # -- the program ------------------------------------------------------
    def start(self):
        self.session = KaltoSession(BUILD, self.display.name, "en_US", wine_dir=PREFIX, few_echoes=True)
        self.session.start()
        return self.session

    def silent_run(self, timeout=300):
        """A whole run without a window: its exit code and its JSON report."""
        report = os.path.join(PREFIX, "wineprefix", "drive_c", "fault-report.json")
        if os.path.exists(report):
            os.remove(report)
        command = [os.path.join(ROOT, "tools", "wine-run.sh"), PREFIX, os.path.join(BUILD, "few_echoes", "kalto.exe"),
                   "/report", "C:\\fault-report.json"]
        process = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The program's peak memory, read while it runs: its last reading is the highest.
        deadline = time.time() + timeout
        self.peak_kib = None
        while process.poll() is None:
            if time.time() > deadline:
                process.kill()
                self.stop_wine()
                self.fail("the silent run did not end")
            self.peak_kib = peak_memory_kib("kalto.exe") or self.peak_kib
            time.sleep(0.2)
        code = process.returncode
        with open(report, encoding="utf-8") as f:
            data = json.load(f)
        self.assertEqual(sorted(item["type"] for item in data["items"]), list(range(11)), "all eleven checks ran")
        self.assertFalse(data["cancelled"])
        return code, data

    def log(self):
        """The log of the latest start of this case."""
        pattern = os.path.join(app_data(), "log", "kalto_*.log")
        files = [path for path in glob.glob(pattern) if os.path.getmtime(path) >= self.started - 1]
        self.assertTrue(files, "no log of this start")
        with open(max(files, key=os.path.getmtime), encoding="utf-8", errors="replace") as f:
            return f.read()

    def assert_whole_lines(self, log):
        entries = re.split("(?m)^(?=%s)" % LOG_HEAD, log)
        self.assertEqual(entries[0], "", "the log begins with an entry")
        self.assertGreater(len(entries), 10)
        for entry in entries[1:]:
            self.assertTrue(LOG_ENTRY.fullmatch(entry), entry)

    def row_verdicts(self, names):
        """The headline key under each row's name."""
        headlines = {self.session.texts[key]: key for key in HEADLINE_KEYS}
        verdicts = {}
        for key in ITEM_KEYS:
            at = names.index(self.session.texts[key])
            self.assertIn(names[at + 1], headlines, key)
            verdicts[key] = headlines[names[at + 1]]
        return verdicts

    @staticmethod
    def verdict(data, row):
        return next(item for item in data["items"] if item["type"] == row)["verdict"]

    # -- the network ------------------------------------------------------
    def test_the_network_lost_in_the_middle_of_a_run(self):
        # The address service is slow, so its answer is still on its way when
        # the network goes; the echo series have begun by then.
        control("/set", path=ADDRESS_PATH, mode="delay", arg="25")
        session = self.start()
        texts = session.texts
        session.click(session.wait_for_text("s.ui.start", 15, enabled=True))
        self.wait_for_log("CServerNetHandler::Start m_vecServerNetInfo[5]", 30)
        set_link("down")
        try:
            session.wait_for_text("s.detect.again", 120)
            shown = leaves(session.elements())
        finally:
            set_link("up")
        session.screenshot(os.path.join(BUILD, "e2e-shots", "fault-network-lost.png"))
        names = [e.name for e in shown]
        verdicts = self.row_verdicts(names)
        self.assertEqual(verdicts["s.detect.net.local"], "s.detect.not.pass")
        self.assertIn(texts["s.detect.ip.err.disconnect"], names)
        self.assertEqual(verdicts["s.detect.net.server"], "s.detect.not.pass")
        failures = sum(1 for key in verdicts.values() if key in FAILED)
        self.assertIn(printf(texts["s.fmt.detect.err"], failures), names)
        self.assertIn(texts["s.detect.net.disconnect"], names)
        # Every series lost echoes once the network was gone, and says so.
        figures = dict((host, int(lost)) for host, lost in
                       re.findall(r"server (\S+) nDelay = \d+, nLost = (\d+)", self.log()))
        self.assertEqual(sorted(figures), sorted(host for _, host, _, _, _ in SERVERS))
        self.assertTrue(all(lost > 1 for lost in figures.values()), figures)

        # The network is back: the next run finds the address again.
        control("/reset")
        session.click(session.wait_for_text("s.detect.again", 5, enabled=True))
        session.wait_for_text("s.cancel.detect", 10)
        session.wait_for_text("s.detect.again", 120)
        verdicts = self.row_verdicts([e.name for e in leaves(session.elements())])
        self.assertEqual(verdicts["s.detect.net.local"], "s.detect.pass")
        self.assertEqual(session.close(), 0)
        self.assert_whole_lines(self.log())

    def test_host_names_that_never_resolve(self):
        # Only localhost is known: every other name waits on a name server
        # that never answers, the configuration's and the address service's too.
        hosts = os.path.join(PREFIX, "hosts")
        with open(hosts) as f:
            known = f.read()
        with open(hosts, "w") as f:  # the same file: it is mounted over /etc/hosts
            f.write("127.0.0.1 localhost\n")
        try:
            code, data = self.silent_run()
        finally:
            with open(hosts, "w") as f:
                f.write(known)
        self.assertEqual(code, 2, "a run with failures")
        self.assertEqual(self.verdict(data, ADDRESS_ROW), 3)
        self.assertEqual(self.verdict(data, SERVER_ROW), 3)
        servers = next(item for item in data["items"] if item["type"] == SERVER_ROW)["servers"]
        self.assertEqual([s["lossPercent"] for s in servers], [100] * 6)
        self.assertEqual(data["summary"]["networkKey"], "s.detect.net.disconnect")
        self.assertEqual(data["summary"]["failures"], sum(1 for item in data["items"] if item["verdict"] == 3))
        log = self.log()
        self.assertIn("download update failed!", log)
        self.assert_whole_lines(log)

    def test_the_address_service_answering_after_30_seconds(self):
        control("/set", path=ADDRESS_PATH, mode="delay", arg="30")
        code, data = self.silent_run()
        self.assertEqual(code, 2)
        # The address check gave up at its limit; the run went on to measure the servers.
        self.assertEqual(self.verdict(data, ADDRESS_ROW), 3)
        log = self.log()
        self.assertRegex(log, r"\[CIPSiteHandler::DoDetect:\d+\]\[wait = 258, m_bFinish = 1, m_strClientIp = \]")
        self.assertEqual(self.verdict(data, SERVER_ROW), 1)
        self.assertIn("every media server reported", log)
        self.assertEqual(data["summary"]["networkKey"], "s.detect.net.disconnect")
        self.assert_whole_lines(log)

    # -- the speed measurement ----------------------------------------------
    def test_speed_transfers_that_stall_are_refused_or_break_off(self):
        # Download, upload, and what the log says of each. Nothing listens on port 81.
        faults = [("/t/stall/60", ":81/upload", "download not measured: stalled", "upload not measured: no connection"),
                  ("/t/paced/8000:2", "/t/drop", "download not measured: connection broke off",
                   "upload not measured: connection broke off"),
                  ("/t/huge", "/t/status/403", "download kbps = ", "upload not measured: HTTP status 403")]
        peaks = {}
        for download, upload, down_says, up_says in faults:
            with self.subTest(download):
                self.started = time.time()
                control("/set", path=CONFIG_PATH, mode="text", arg=speed_config(download, upload))
                code, data = self.silent_run()
                peaks[download] = self.peak_kib
                log = self.log()
                self.assertIn(down_says, log)
                self.assertIn(up_says, log)
                # Each transfer within its five seconds, and the run went on to its end.
                took = log_seconds(log, up_says) - log_seconds(log, "measuring download")
                self.assertLess(took % 86400, 12, "both transfers within their limits")
                findings = next(item for item in data["items"] if item["type"] == SERVER_ROW)["findings"]
                self.assertNotIn("uploadKbps", findings, "no figure made up")
                self.assertEqual("downloadKbps" in findings, download == "/t/huge", findings)
                self.assertEqual((findings["minDownKbps"], findings["minUpKbps"]), (0, 0))
                self.assert_whole_lines(log)
        # 100 MB as fast as the stand-in sends it never came near the
        # program's memory: its peak stays close to that of a stalled transfer.
        self.assertIsNotNone(peaks["/t/stall/60"])
        self.assertIsNotNone(peaks["/t/huge"])
        self.assertLess(peaks["/t/huge"], peaks["/t/stall/60"] + 50 * 1024, peaks)

    def test_a_cancel_during_the_speed_measurement(self):
        control("/set", path=CONFIG_PATH, mode="text", arg=speed_config("/t/paced/1000", "/t/paced/1000"))
        session = self.start()
        session.click(session.wait_for_text("s.ui.start", 15, enabled=True))
        # A first run to its end shows where the detect button is; a second
        # run's cancel is that button, clicked without a read of the window,
        # which can take longer than the transfers on a busy machine.
        detect = session.wait_for_text("s.detect.again", 300)
        session.click(detect)
        # Off the button, or the next click's synchronous move would wait for a move that never comes.
        subprocess.run(["xdotool", "mousemove", "0", "0"], env=session.env, check=True)
        deadline = time.time() + 120
        while self.log().count("measuring download") < 2 and time.time() < deadline:
            time.sleep(0.05)
        session.click(detect)
        session.wait_for_text("s.detect.canceled", 60)
        self.assertEqual(session.close(), 0)
        log = self.log()
        # From the cancel to the end of the transfer and of the run's last item.
        stop = log_seconds(log, "stopping the speed measurement")
        self.assertLess((log_seconds(log, "download not measured: cancelled") - stop) % 86400, 1)
        finish = re.findall(r"(\d\d):(\d\d):(\d\d\.\d{3}) [^\n]*DetectState = 2, m_pCurrnetHandler = 9", log)
        self.assertEqual(len(finish), 2)
        self.assertLess((int(finish[1][0]) * 3600 + int(finish[1][1]) * 60 + float(finish[1][2]) - stop) % 86400, 1)
        self.assertEqual(log.count("measuring upload"), 1, "the second run's upload never began")
        self.assert_whole_lines(log)

    # -- the configuration ------------------------------------------------
    def test_a_configuration_service_that_sends_no_configuration(self):
        faults = [("garbage", "body", "garbage"), ("an HTML page", "body", "notjson"),
                  ("a truncated file", "short", ""), ("100 MB", "hugechunked", "")]
        config = os.path.join(app_data(), "kalto.ini")
        peaks = {}
        for fault, mode, arg in faults:
            with self.subTest(fault):
                self.started = time.time()
                with open(config, "wb") as f:
                    f.write(PREVIOUS_CONFIG)
                control("/set", path=CONFIG_PATH, mode=mode, arg=arg)
                session = self.start()
                try:
                    self.wait_for_log("download update failed!", 60)
                    session.wait_for_text("s.ui.start", 15, enabled=True)
                    peaks[fault] = peak_memory_kib("kalto.exe")
                    self.assertEqual(session.close(), 0)
                finally:
                    self.end_program()
                with open(config, "rb") as f:
                    self.assertEqual(f.read(), PREVIOUS_CONFIG, "the last good configuration is whole")
                self.assertEqual(sorted(os.listdir(app_data())), ["kalto.ini", "log"], "nothing half-written is left")
                log = self.log()
                for key, host in PREVIOUS_HOSTS.items():
                    self.assertIn("[SetDomain%s strVal = %s]" % (key[:3].upper() + key[-1], host), log)
                self.assertNotIn("ParseDownloadConfig", log)
                self.assert_whole_lines(log)
        # 100 MB never came near the program's memory: its peak stays close to
        # that of a start with a small refused file.
        self.assertIsNotNone(peaks["garbage"])
        self.assertIsNotNone(peaks["100 MB"])
        self.assertLess(peaks["100 MB"], peaks["garbage"] + 50 * 1024, peaks)

    def test_the_configuration_file_held_by_another_program(self):
        config = os.path.join(app_data(), "kalto.ini")
        with open(config, "wb") as f:
            f.write(PREVIOUS_CONFIG)
        windows_config = "C:\\users\\%s\\AppData\\Roaming\\Orvane\\KALTO\\kalto.ini" % os.path.basename(
            os.path.dirname(os.path.dirname(roaming())))
        with file_held(BUILD, windows_config, wine_dir=PREFIX, env=self.env):
            session = self.start()
            self.wait_for_log("download update failed!", 60)
            session.wait_for_text("s.ui.start", 15, enabled=True)
            self.assertEqual(session.close(), 0)
        log = self.log()
        self.assertRegex(log, r"\[cannot read .*kalto\.ini, the built-in values apply\]")
        self.assertRegex(log, r"cannot replace .*kalto\.ini, err = \d+\]")
        self.assertIn("[SetDomainCNC1 strVal = cnc1.media.orvane.com]", log)
        with open(config, "rb") as f:
            self.assertEqual(f.read(), PREVIOUS_CONFIG)
        self.assertEqual(sorted(os.listdir(app_data())), ["kalto.ini", "log"])
        self.assert_whole_lines(log)

    # -- the program's folders ----------------------------------------------
    def test_a_log_folder_that_cannot_be_written(self):
        # A file where the log folder belongs: nothing can be made there.
        folder = os.path.join(app_data(), "log")
        aside = folder + ".aside"
        shutil.rmtree(aside, ignore_errors=True)
        os.rename(folder, aside)
        try:
            with open(folder, "w") as f:
                f.write("not a folder\n")
            code, data = self.silent_run()
            with open(folder) as f:
                self.assertEqual(f.read(), "not a folder\n")
        finally:
            if os.path.isfile(folder):
                os.remove(folder)
            os.rename(aside, folder)
        failures = sum(1 for item in data["items"] if item["verdict"] == 3)
        warnings = sum(1 for item in data["items"] if item["verdict"] == 2)
        self.assertEqual(code, 2 if failures else 1 if warnings else 0)
        self.assertEqual(self.verdict(data, ADDRESS_ROW), 1)
        self.assertEqual(self.verdict(data, SERVER_ROW), 1)

    def test_no_application_data_folder(self):
        shutil.rmtree(os.path.join(roaming(), "Orvane"))
        session = self.start()
        session.wait_for_text("s.ui.start", 15, enabled=True)
        self.wait_for_log("ParseDownloadConfig", 30)
        self.assertEqual(session.close(), 0)
        # Made again, with the downloaded configuration and the log in it.
        with open(os.path.join(app_data(), "kalto.ini"), "rb") as f:
            self.assertTrue(f.read().startswith(b"\xff\xfe[\0K\0A\0L\0T\0O\0_\0C\0H\0]\0"))
        self.assert_whole_lines(self.log())

    def test_two_starts_at_the_same_instant(self):
        sessions = [KaltoSession(BUILD, self.display.name, "en_US", wine_dir=PREFIX, few_echoes=True)
                    for _ in range(2)]
        for session in sessions:
            session.start_detached()
        self.session = sessions[0]
        try:
            self.assertEqual(sessions[0].reader("wait", "60").returncode, 0, "a main window")
            deadline = time.time() + 60
            while not any(s.exited() for s in sessions) and time.time() < deadline:
                time.sleep(0.2)
            ended = [s for s in sessions if s.exited()]
            self.assertEqual(len(ended), 1, "exactly one of the two ends")
            self.assertEqual(ended[0].process.returncode, 0)
            count = sessions[0].reader("count").stdout.decode().strip()
            self.assertEqual(count, "1", "exactly one main window")
            survivor = next(s for s in sessions if not s.exited())
            survivor.wait_for_text("s.ui.start", 15, enabled=True)
            self.assertEqual(survivor.close(), 0)
        finally:
            for session in sessions:
                if session.process and not session.exited():
                    session.process.kill()


if __name__ == "__main__":
    BUILD, PREFIX = namespace_arguments(__file__)
    unittest.main(verbosity=2)
