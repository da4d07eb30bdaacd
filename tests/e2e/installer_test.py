#!/usr/bin/env python3
"""The installer as an administrator uses it, silently: it puts the program,
its skin, a Start-menu entry and an installed-programs entry in place; a
second setup replaces the files where they are; the installed program starts
and shows its window; the uninstaller leaves nothing of what was installed
and keeps the user's log.

Runs in the build tree's Wine prefix and leaves it as it found it.
Usage: installer_test.py <build-dir>
"""
import filecmp
import glob
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kalto_driver import ROOT, Display, KaltoSession, can_run, file_held  # noqa: E402

BUILD = None
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KALTO"
SETUP_NAME = re.compile(r"kalto-setup-(\d+\.\d+\.\d+\.\d+)\.exe$")
REG_VALUE = re.compile(r"^\s+(\S+)\s+(REG_\w+)\s+(.*)$")


def wine(*args):
    return subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), BUILD, *args], capture_output=True, text=True)


def setup_program():
    found = glob.glob(os.path.join(BUILD, "kalto-setup-*.exe"))
    if len(found) != 1:
        raise RuntimeError(f"expected one installer in {BUILD}, found {found}")
    return found[0]


def is_64bit(exe):
    with open(exe, "rb") as f:
        data = f.read(4096)
    offset = int.from_bytes(data[60:64], "little")
    return int.from_bytes(data[offset + 4:offset + 6], "little") == 0x8664


def uninstall_entry():
    """The installed-programs entry's values, or None without one. The
    32-bit program's entry lives in the 32-bit view of the registry."""
    view = "/reg:64" if is_64bit(os.path.join(BUILD, "kalto.exe")) else "/reg:32"
    out = wine("reg", "query", UNINSTALL_KEY, view)
    if out.returncode != 0:
        return None
    return {m.group(1): m.group(3).strip() for m in map(REG_VALUE.match, out.stdout.splitlines()) if m}


def prefix_path(windows_path):
    """A C: path of the build tree's Wine prefix as a path of this machine."""
    drive, rest = windows_path.split(":", 1)
    return os.path.join(BUILD, "wineprefix", "drive_" + drive.lower(), *rest.strip("\\").split("\\"))


START_MENU_LINK = os.path.join("ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "KALTO.lnk")


class Installer(unittest.TestCase):
    def test_silent_install_start_and_uninstall(self):
        setup = setup_program()
        version = SETUP_NAME.search(setup).group(1)
        self.assertEqual(wine(setup, "/S").returncode, 0)

        entry = uninstall_entry()
        self.assertIsNotNone(entry, "no installed-programs entry")
        self.assertEqual(entry.get("DisplayName"), "KALTO")
        self.assertEqual(entry.get("DisplayVersion"), version)
        self.assertEqual(entry.get("Publisher"), "Orvane")
        folder = entry["InstallLocation"]
        self.assertRegex(folder, r"^C:\\Program Files( \(x86\))?\\Orvane\\KALTO$")
        self.assertEqual(entry.get("DisplayIcon"), folder + r"\kalto.exe,0")
        self.assertEqual(entry.get("UninstallString"), '"' + folder + r'\uninstall.exe"')
        size_kb = int(entry["EstimatedSize"], 16)
        self.assertGreater(size_kb, os.path.getsize(os.path.join(BUILD, "kalto.exe")) // 1024)
        installed = prefix_path(folder)
        for name in ("kalto.exe", "skin.zip"):
            self.assertTrue(filecmp.cmp(os.path.join(BUILD, name), os.path.join(installed, name), shallow=False),
                        name)
        start_menu_link = os.path.join(BUILD, "wineprefix", "drive_c", START_MENU_LINK)
        self.assertTrue(os.path.isfile(start_menu_link))

        # A second setup over the first replaces the files in the same folder.
        with open(os.path.join(installed, "skin.zip"), "wb") as f:
            f.write(b"an older skin")
        self.assertEqual(wine(setup, "/S").returncode, 0)
        self.assertEqual(uninstall_entry().get("InstallLocation"), folder)
        self.assertTrue(filecmp.cmp(os.path.join(BUILD, "skin.zip"), os.path.join(installed, "skin.zip"),
                                    shallow=False))

        # The installed program starts from its folder and shows its window.
        # It is still open when the uninstaller runs, which closes it and
        # deletes its file once it has ended. The uninstaller hands over to a
        # copy of itself and returns at once; until it has ended, its own file
        # is held as a running program's is, here by another program for a
        # few seconds more, and the copy deletes it once it is let go.
        display = Display()
        session = KaltoSession(BUILD, display.name, "en_US", program=os.path.join(installed, "kalto.exe"))
        try:
            session.start()
            self.assertTrue(session.wait_for_text("s.ui.start", 30))
            log = session.log_path()
            with file_held(BUILD, folder + r"\uninstall.exe", readable=True):
                self.assertEqual(wine(os.path.join(installed, "uninstall.exe"), "/S").returncode, 0)
                self.assertEqual(session.process.wait(60), 0, "the uninstaller did not close the running program")
                time.sleep(3)
        finally:
            if session.process and not session.exited():
                session.process.kill()
            display.close()
        self.assertIsNotNone(log)

        deadline = time.time() + 60
        while time.time() < deadline and os.path.exists(installed):
            time.sleep(0.5)
        self.assertFalse(os.path.exists(installed), "left in the program's folder: %s" %
                         (os.listdir(installed) if os.path.isdir(installed) else "?"))
        self.assertFalse(os.path.exists(os.path.dirname(installed)), "the publisher folder was left behind")
        self.assertFalse(os.path.exists(start_menu_link))
        self.assertIsNone(uninstall_entry())
        self.assertTrue(os.path.isfile(log), "the user's log went with the program")


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    if not can_run(setup_program()):
        print("the installer is a 32-bit program, which this machine cannot run; skipped")
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
