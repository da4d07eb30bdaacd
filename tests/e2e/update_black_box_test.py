#!/usr/bin/env python3
"""The remote configuration and the update offer as a user meets them.

kalto.exe runs in a private network namespace whose hosts file leads the
program's own host names to web_standin.py, which serves the configuration
file each case sets, and whose echo_responder.py answers the media servers
that file names. Cases: no service at all; a file with new media-server
hosts; a newer version in each language (read through the accessibility
tree, accepted, declined and dismissed with Esc); a package whose published
SHA-256 does not match; closing while the package downloads. Pictures of the update window go to
<build>/e2e-shots/update-<language>.png.

Needs root (a network namespace). Usage: update_black_box_test.py <build-dir>
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from kalto_driver import KaltoSession, LogWatch, ROOT, SharedDisplay, build_from_arguments  # noqa: E402
from standin_control import CONFIG_PATH, PACKAGE_SIZE, WEB, control  # noqa: E402

BUILD = None
WINE_DIR = None  # a Wine prefix of its own: its wineserver lives in this namespace
UPDATE_CLASS = "UpdateFrameUI"
SERVERS = ["127.0.0.%d" % n for n in range(21, 27)]
SERVER_KEYS = ["cncDomain1", "cncDomain2", "ctcDomain1", "ctcDomain2", "cmcDomain1", "cmcDomain2"]
PACKAGE_PATH = "/download/kalto/kalto_setup.exe"
# Where Windows looks up the application-data folder, for the current user.
SHELL_FOLDER_KEYS = [r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders",
                     r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"]
# DLLs the program loads that are not on Windows' KnownDLLs list. Not
# version, comctl32 and bcrypt: Wine's own user32, gdi32 and comdlg32 import
# the first two when the program starts, and its crypt32, behind WinHTTP, the
# third, from the program's folder when told to prefer DLLs there; Windows'
# KnownDLLs and their dependencies always come from the system folder.
PLANTED_DLLS = ["winhttp", "iphlpapi", "sensapi", "gdiplus", "oleacc"]
NOTES = {
    "zh_CN": "启动更快|声音检测更准确|修复了摄像头检测",
    "zh_TW": "啟動更快|聲音檢測更準確|修復了攝影機檢測",
    "en_US": "Starts faster|More accurate sound check|Camera check fixed",
}


def serve_config(lines):
    control("/set", path=CONFIG_PATH, mode="text", arg="[KALTO_CH]\r\n" + "\r\n".join(lines) + "\r\n")


def leftover_downloads():
    """The download's temporary files in the program's folder ("kalXXXX.tmp")."""
    return [name for name in os.listdir(app_data()) if re.fullmatch(r"kal[0-9A-Fa-f]{1,4}\.tmp", name)]


def app_data():
    folders = subprocess.run(["bash", "-c", 'echo "$0"/wineprefix/drive_c/users/*/AppData/Roaming', WINE_DIR],
                             capture_output=True, text=True).stdout.split()
    return os.path.join(folders[0], "Orvane", "KALTO")


class UpdateBlackBox(LogWatch, SharedDisplay, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.shots = os.path.join(BUILD, "e2e-shots")

    def setUp(self):
        control("/reset")
        control("/listen", on="1")
        # Each case starts without the previous run's file and package.
        for name in ("kalto.ini", "kalto_setup.exe"):
            path = os.path.join(app_data(), name)
            if os.path.exists(path):
                os.remove(path)
        self.session = None

    def tearDown(self):
        if self.session:
            if not self.session.exited():
                self.session.close()
            if not self.session.exited():
                self.session.process.kill()

    def start(self, language="en_US", few_echoes=False):
        self.session = KaltoSession(BUILD, self.display.name, language, wine_dir=WINE_DIR, few_echoes=few_echoes)
        self.session.start()
        return self.session

    def log(self):
        with open(self.session.log_path(), encoding="utf-8", errors="replace") as f:
            return f.read()

    def update_window(self, timeout=30):
        """The update window's elements once its version label is filled."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            elements = self.session.elements(UPDATE_CLASS)
            if any(e.name == "9.1.0.0" for e in elements):
                return elements
            time.sleep(0.5)
        self.fail("no update window")

    def package_hits(self):
        return int(control("/hits", path=PACKAGE_PATH))

    def test_no_service_keeps_the_defaults_and_enables_start_after_five_seconds(self):
        control("/listen", on="0")
        session = self.start()
        shown = time.time()
        session.wait_for_text("s.ui.start", 30, enabled=True)
        # The window appears after its initialisation; the five-second timer
        # enables start, so not much less than five seconds pass here.
        self.assertGreater(time.time() - shown, 2.5)
        self.wait_for_log("download update failed!", 10)
        log = self.log()
        self.assertIn("[SetDomainCNC1 strVal = cnc1.media.orvane.com]", log)
        self.assertNotIn("ParseDownloadConfig", log)
        self.assertEqual(session.reader("dump", window_class=UPDATE_CLASS).returncode, 1)
        self.assertFalse(os.path.exists(os.path.join(app_data(), "kalto.ini")))

    def test_a_file_with_new_hosts_is_what_the_run_measures(self):
        serve_config(["%s=%s" % (key, host) for key, host in zip(SERVER_KEYS, SERVERS)] +
                     ["cncName1=\u5317\u4eac\u8054\u901a"])
        session = self.start(few_echoes=True)  # the hosts matter here, not the length of the series
        session.click(session.wait_for_text("s.ui.start", 15, enabled=True))
        self.wait_for_log("every media server reported", 120)
        log = self.log()
        for host in SERVERS:
            # No loss: the responder, which answers only these addresses, saw every echo.
            self.assertRegex(log, r"server %s nDelay = \d+, nLost = 0," % re.escape(host))
        self.assertEqual(session.reader("dump", window_class=UPDATE_CLASS).returncode, 1)

    def offer(self, language, extra=()):
        serve_config(["version=9.1.0.0", "rerolve=" + NOTES[language],
                      "url=http://download.orvane.com" + PACKAGE_PATH + "?channel=stable"] + list(extra))
        session = self.start(language)
        elements = self.update_window()
        names = [e.name for e in elements]
        for text in [session.texts["s.ui.update.title"], session.texts["s.ui.update.now"],
                     session.texts["s.ui.update.later"]] + NOTES[language].split("|"):
            self.assertIn(text, names)
        return elements

    def press(self, elements, key):
        text = self.session.texts[key]
        self.session.click(next(e for e in elements if e.name == text))

    def test_an_accepted_update_lands_in_the_folder_and_is_selected(self):
        elements = self.offer("en_US")
        self.session.screenshot(os.path.join(self.shots, "update-en_US.png"), window_class=UPDATE_CLASS)
        self.press(elements, "s.ui.update.now")
        self.session.wait_for_text("s.ui.update.ready", 60)
        self.session.screenshot(os.path.join(self.shots, "update-ready-en_US.png"))
        package = os.path.join(app_data(), "kalto_setup.exe")
        self.assertEqual(os.path.getsize(package), PACKAGE_SIZE)
        self.assertRegex(self.log(), r'explorer /select,"C:\\users\\[^\\]+\\AppData\\Roaming\\Orvane\\KALTO\\'
                                     r'kalto_setup\.exe", code = \d+')

    def test_a_declined_update_downloads_nothing(self):
        for language in ("zh_CN", "zh_TW"):
            elements = self.offer(language)
            self.session.screenshot(os.path.join(self.shots, "update-%s.png" % language), window_class=UPDATE_CLASS)
            if language == "zh_CN":
                self.press(elements, "s.ui.update.later")
            else:
                subprocess.run(["xdotool", "key", "Escape"], env=self.session.env, check=True)
            self.session.wait_for(lambda _: self.session.reader("dump", window_class=UPDATE_CLASS).returncode == 1, 20)
            time.sleep(2)
            self.assertEqual(self.package_hits(), 0)
            self.assertFalse(os.path.exists(os.path.join(app_data(), "kalto_setup.exe")))
            self.assertNotIn(self.session.texts["s.ui.update.downloading"], self.session.names())
            self.session.close()

    def test_a_package_that_does_not_match_its_digest_is_deleted(self):
        elements = self.offer("en_US", ["sha256=" + "0" * 64])
        self.press(elements, "s.ui.update.now")
        self.session.wait_for_text("s.ui.update.damaged", 60)
        self.assertEqual(self.package_hits(), 1)
        self.assertFalse(os.path.exists(os.path.join(app_data(), "kalto_setup.exe")))
        self.assertIn("package damaged", self.log())
        self.assertNotIn("explorer /select", self.log())

    def test_closing_during_the_download_leaves_no_temporary_file(self):
        control("/set", path=PACKAGE_PATH, mode="stall", arg="60")
        elements = self.offer("en_US")
        self.press(elements, "s.ui.update.now")
        deadline = time.time() + 30
        while not leftover_downloads() and time.time() < deadline:
            time.sleep(0.5)
        self.assertTrue(leftover_downloads(), "the download never began")
        self.assertEqual(self.session.close(), 0)
        self.assertEqual(leftover_downloads(), [])


    def test_a_profile_folder_outside_the_code_page_gets_its_configuration_package_and_log(self):
        # A Chinese user name on an English Windows: the application-data
        # folder has a name that the system code page, 1252 here, cannot hold.
        # (C.UTF-8 gives Wine that code page, as en_US.UTF-8 would, and UTF-8
        # file names on this machine, which has no en_US locale installed.)
        roaming = os.path.dirname(os.path.dirname(app_data()))
        folder = os.path.join(roaming, "学生资料")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        user = os.path.basename(os.path.dirname(os.path.dirname(roaming)))
        previous = {key: app_data_setting(key) for key in SHELL_FOLDER_KEYS}
        serve_config(["version=9.1.0.0", "rerolve=" + NOTES["en_US"],
                      "url=http://download.orvane.com" + PACKAGE_PATH])
        try:
            set_app_data_settings({key: ("REG_SZ", "C:\\users\\%s\\AppData\\Roaming\\学生资料" % user)
                                   for key in SHELL_FOLDER_KEYS})
            self.session = KaltoSession(BUILD, self.display.name, wine_dir=WINE_DIR, few_echoes=True)
            self.session.env["LC_ALL"] = "C.UTF-8"
            self.session.start()
            self.press(self.update_window(), "s.ui.update.now")
            self.session.wait_for_text("s.ui.update.ready", 60)
        finally:
            set_app_data_settings(previous)
        ours = os.path.join(folder, "Orvane", "KALTO")
        self.assertTrue(os.path.exists(os.path.join(ours, "kalto.ini")))
        self.assertEqual(os.path.getsize(os.path.join(ours, "kalto_setup.exe")), PACKAGE_SIZE)
        logs = glob.glob(os.path.join(ours, "log", "kalto_*.log"))
        self.assertEqual(len(logs), 1)
        with open(logs[0], encoding="utf-8") as f:
            self.assertRegex(f.read(), r'explorer /select,"C:\\users\\[^\\]+\\AppData\\Roaming\\学生资料\\Orvane'
                                       r'\\KALTO\\kalto_setup\.exe", code = \d+')

    def test_dlls_planted_beside_the_program_are_never_loaded(self):
        # Windows takes a DLL from the program's folder before its own unless
        # it is one of its KnownDLLs or loaded by full path. Wine prefers its
        # builtin DLLs unless told to prefer one beside the program, as here.
        folder = os.path.join(WINE_DIR, "wineprefix", "drive_c", "users", "Public", "Downloads", "kalto")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name in ("kalto.exe", "skin.zip"):
            shutil.copy(os.path.join(BUILD, "few_echoes", name), folder)
        for name in PLANTED_DLLS:
            shutil.copy(os.path.join(BUILD, "tests", "e2e", "planted_dll.dll"), os.path.join(folder, name + ".dll"))
        serve_config(["%s=%s" % (key, host) for key, host in zip(SERVER_KEYS, SERVERS)])
        self.session = KaltoSession(BUILD, self.display.name, wine_dir=WINE_DIR,
                                    program=os.path.join(folder, "kalto.exe"))
        self.session.env["WINEDLLOVERRIDES"] = ",".join(PLANTED_DLLS) + "=n,b"
        self.session.start()
        # The run uses the network DLLs; the configuration's download, WinHTTP.
        self.session.click(self.session.wait_for_text("s.ui.start", 15, enabled=True))
        self.wait_for_log("every media server reported", 120)
        self.assertIn("ParseDownloadConfig", self.log())
        mark = os.path.join(folder, "planted-loaded.txt")
        self.assertFalse(os.path.exists(mark), os.path.exists(mark) and open(mark).read())


def app_data_setting(key):
    """The AppData value under a key of SHELL_FOLDER_KEYS: (type, value)."""
    out = subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), WINE_DIR, "reg", "query", key, "/v", "AppData"],
                         capture_output=True, check=True).stdout
    for line in out.decode("utf-8", "replace").splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == "AppData":
            return parts[1], parts[2].strip()
    raise RuntimeError("no AppData under " + key)


def set_app_data_settings(values):
    """Sets the AppData values, {key: (type, value)}, through a registry file
    in UTF-16: Wine would pass a command line's Chinese characters on garbled."""
    text = "Windows Registry Editor Version 5.00\r\n"
    for key, (kind, value) in values.items():
        data = ('"%s"' % value.replace("\\", "\\\\") if kind == "REG_SZ" else
                "hex(2):" + ",".join("%02x" % b for b in (value + "\0").encode("utf-16-le")))
        text += "\r\n[%s]\r\n\"AppData\"=%s\r\n" % (key.replace("HKCU", "HKEY_CURRENT_USER"), data)
    with open(os.path.join(WINE_DIR, "wineprefix", "drive_c", "kalto-appdata.reg"), "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))
    subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), WINE_DIR, "reg", "import", "C:\\kalto-appdata.reg"],
                   capture_output=True, check=True)


def stop_wine():
    """Ends the prefix's wineserver and waits until it is gone, so the next start gets a fresh one."""
    subprocess.run([os.path.join(ROOT, "tools", "wine-end.sh"), WINE_DIR], check=True)


def enter_namespace():
    """Runs this script again in a private network and mount namespace."""
    if os.geteuid() != 0:
        print("update_black_box_test: a network namespace needs root; skipped")
        sys.exit(77)
    env = dict(os.environ, KALTO_IN_NETNS="1")
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--", sys.executable, os.path.abspath(__file__), BUILD], env)


def set_up_namespace():
    """Loopback, the hosts file, the web stand-in and the echo responder."""
    os.makedirs(WINE_DIR, exist_ok=True)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"], check=True)
    hosts = os.path.join(WINE_DIR, "hosts")
    with open(hosts, "w") as f:
        f.write("127.0.0.1 localhost\n%s ip.orvane.com download.orvane.com\n" % WEB)
    subprocess.run(["mount", "--bind", hosts, "/etc/hosts"], check=True)
    fixtures = os.path.join(ROOT, "tests", "fixtures")
    helpers = []
    for name, args in (("web_standin.py", ["--address", WEB, "--max-seconds", "1500"]),
                       ("echo_responder.py", [",".join(s + ":3:0" for s in SERVERS), "--max-seconds", "1500"])):
        log = open(os.path.join(WINE_DIR, name + ".log"), "w")
        helper = subprocess.Popen([sys.executable, os.path.join(fixtures, name)] + args, stdout=log, stderr=log)
        helpers.append(helper)
        for _ in range(100):
            if "ready" in open(log.name).read():
                break
            time.sleep(0.1)
    return helpers


if __name__ == "__main__":
    BUILD = build_from_arguments()
    WINE_DIR = os.path.join(BUILD, "update-netns")
    if os.environ.get("KALTO_IN_NETNS") != "1":
        enter_namespace()
    helpers = set_up_namespace()
    stop_wine()  # a wineserver of an earlier run would carry that run's network
    # One wineserver for all cases, kept between programs, as for the other Windows tests.
    subprocess.run(["wineserver", "-p"], env=dict(os.environ, WINEPREFIX=os.path.join(WINE_DIR, "wineprefix")))
    # The first use makes the prefix (a minute on a busy machine), ahead of any time-out.
    subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), WINE_DIR,
                    os.path.join(BUILD, "tests", "e2e", "ui_reader.exe"), UPDATE_CLASS, "dump"], capture_output=True)
    try:
        result = unittest.main(verbosity=2, exit=False).result
    finally:
        stop_wine()
        for helper in helpers:
            helper.kill()
    sys.exit(0 if result.wasSuccessful() else 1)
