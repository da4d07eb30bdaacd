#!/usr/bin/env python3
"""The installer as an administrator or a deployment tool uses it, silently,
in one scenario whose steps build on each other: a first setup into a folder
named with /D=; upgrades, found in that folder, over a copy of the program
that is hung, over one in a place no window of the setup reaches, and over
the other edition's installation; upgrades while another program holds the
program's file, letting it be renamed or not, the latter of which must not
claim success; an upgrade that /D= moves; the silent uninstall of the
installed-programs entry with the program open, followed at once by a setup;
and the uninstall a user starts, which removes the user's data too.

Runs in the build tree's Wine prefix and leaves it as it found it.
Usage: installer_test.py <build-dir>
"""
import contextlib
import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kalto_driver import MAIN_CLASS, ROOT, Display, KaltoSession, can_run, file_held  # noqa: E402

BUILD = None
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KALTO"
PENDING_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"
SETUP_NAME = re.compile(r"kalto-setup-(\d+\.\d+\.\d+\.\d+)\.exe$")
REG_VALUE = re.compile(r"^\s+(\S+)\s+(REG_\w+)\s+(.*)$")
CUSTOM = r"C:\Tools\KALTO"
OTHER_EDITION = r"C:\OtherEdition\KALTO"
START_MENU_LINK = os.path.join("ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "KALTO.lnk")
# 3010, as Windows sees it; Wine hands a process's exit code on as a unix
# exit status, which keeps its lowest byte.
EXIT_RESTART_NEEDED = 3010 % 256
# The longest any one step may take: the setup's own waits for a program to
# end are far shorter, even emulated.
STEP_TIMEOUT = 180


def wine(*args, env=None):
    """Runs a Windows program of the prefix. A step that never ends fails the
    test naming the step, what Wine's desktop keeper said and the prefix's
    processes, and ends the prefix's session, so that the steps and tests
    after it start a fresh one instead of waiting on this one."""
    command = [os.path.join(ROOT, "tools", "wine-run.sh"), BUILD, *args]
    try:
        return subprocess.run(command, capture_output=True, text=True, env=env, timeout=STEP_TIMEOUT)
    except subprocess.TimeoutExpired as hung:
        keeper = os.path.join(BUILD, "desktop_keeper.log")
        said = "(no keeper log)"
        if os.path.exists(keeper):
            with open(keeper, errors="replace") as f:
                said = f.read()[-2000:]
        processes = subprocess.run([os.path.join(ROOT, "tools", "wine-processes.sh"),
                                    os.path.join(BUILD, "wineprefix")], capture_output=True, text=True).stdout
        ended = subprocess.run([os.path.join(ROOT, "tools", "wine-end.sh"), BUILD], capture_output=True, text=True)
        raise AssertionError(f"{' '.join(args)} did not end in {STEP_TIMEOUT} s; its output: {hung.stdout!r} "
                             f"{hung.stderr!r}; the desktop keeper's log: {said}\n{processes}{ended.stderr}") from None


def wine_command_line(command, env=None):
    """Runs a command line as Windows would: the quoted program and the rest
    as written. Wine quotes an argument that holds a space, so the rest is
    passed split at its spaces, which Wine joins back unchanged."""
    program, rest = re.match(r'"([^"]+)"\s*(.*)$', command).groups()
    return wine(program, *rest.split(), env=env)


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


def uninstall_entry(other_edition=False):
    """The installed-programs entry's values, or None without one. The 32-bit
    edition's entry lives in the 32-bit view of the registry, the 64-bit
    edition's in the 64-bit view."""
    wide = is_64bit(os.path.join(BUILD, "kalto.exe")) != other_edition
    out = wine("reg", "query", UNINSTALL_KEY, "/reg:64" if wide else "/reg:32")
    if out.returncode != 0:
        return None
    return {m.group(1): m.group(3).strip() for m in map(REG_VALUE.match, out.stdout.splitlines()) if m}


def prefix_path(windows_path):
    """A C: path of the build tree's Wine prefix as a path of this machine."""
    drive, rest = windows_path.split(":", 1)
    return os.path.join(BUILD, "wineprefix", "drive_" + drive.lower(), *rest.strip("\\").split("\\"))


def program_processes(windows_program):
    """This machine's ids of the prefix's processes that run the program."""
    prefix = ("WINEPREFIX=" + os.path.join(BUILD, "wineprefix")).encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                args = f.read().split(b"\0")
            with open(f"/proc/{pid}/environ", "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if prefix in environ and windows_program.lower().encode() in (a.strip(b'"').lower() for a in args[:3]):
            found.append(int(pid))
    return found


def wait_until(condition, timeout):
    deadline = time.time() + timeout
    while not condition() and time.time() < deadline:
        time.sleep(0.5)
    return condition()


class Installer(unittest.TestCase):
    def setUp(self):
        self.setup = setup_program()
        self.version = SETUP_NAME.search(self.setup).group(1)
        self.display = Display()
        self.started = []

    def tearDown(self):
        for process in self.started:
            if process.poll() is None:
                process.kill()
        self.display.close()
        # What a failed step may have left.
        for path in (os.path.dirname(prefix_path(CUSTOM)), os.path.dirname(prefix_path(OTHER_EDITION)),
                     prefix_path(r"C:\Program Files\Orvane"), prefix_path(r"C:\Program Files (x86)\Orvane")):
            shutil.rmtree(path, ignore_errors=True)
        for view in ("/reg:32", "/reg:64"):
            wine("reg", "delete", UNINSTALL_KEY, "/f", view)
        with contextlib.suppress(FileNotFoundError):
            os.remove(os.path.join(BUILD, "wineprefix", "drive_c", START_MENU_LINK))

    def run_setup(self, folder=None):
        """Runs the setup silently, into the folder when named (with /D=, which
        stays unquoted even with spaces); its exit code and duration."""
        began = time.time()
        # On the program's display, as the programs of one Wine prefix share one desktop.
        result = wine_command_line(f'"{self.setup}" /S' + (" /D=" + folder if folder else ""),
                                   env=dict(os.environ, DISPLAY=self.display.name))
        if result.returncode not in (0, EXIT_RESTART_NEEDED):
            print(f"the setup ended with {result.returncode}; Wine said: {result.stdout[-2000:]}{result.stderr[-2000:]}",
                  file=sys.stderr)
        return result.returncode, time.time() - began

    def start_program(self, folder, desktop=None):
        """Starts the installed program and waits until it has started its
        log; in a Wine desktop of its own, when named, which no window of the
        setup's reaches, as a program in another user's session."""
        program = folder + r"\kalto.exe"
        session = KaltoSession(BUILD, self.display.name, "en_US", program=program)
        if desktop:
            before = session.log_path()
            session.process = subprocess.Popen(
                [os.path.join(ROOT, "tools", "wine-run.sh"), BUILD, "explorer", f"/desktop={desktop},800x600", program],
                env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            started = wait_until(lambda: session.log_path() not in (None, before) and program_processes(program), 120)
        else:
            session.start_detached()
            started = session.reader("wait", "120").returncode == 0
        self.started.append(session.process)
        self.assertTrue(started, "the installed program did not start")
        return program_processes(program)

    def mark_installed_program(self, folder):
        """Adds a byte to the installed kalto.exe, so that the old file can be told from the new."""
        with open(prefix_path(folder + r"\kalto.exe"), "ab") as f:
            f.write(b"\0")

    def assert_installed(self, folder):
        installed = prefix_path(folder)
        for name in ("kalto.exe", "skin.zip"):
            self.assertTrue(filecmp.cmp(os.path.join(BUILD, name), os.path.join(installed, name), shallow=False),
                            name + " is not the new one")
        self.assertTrue(os.path.isfile(os.path.join(installed, "uninstall.exe")))
        self.assertEqual(sorted(os.listdir(installed)), ["kalto.exe", "skin.zip", "uninstall.exe"])
        entry = uninstall_entry()
        self.assertIsNotNone(entry, "no installed-programs entry")
        self.assertEqual(entry.get("InstallLocation"), folder)
        self.assertEqual(entry.get("DisplayVersion"), self.version)
        self.assertTrue(os.path.isfile(os.path.join(BUILD, "wineprefix", "drive_c", START_MENU_LINK)))
        return entry

    def test_install_upgrade_and_uninstall(self):
        with open(self.setup, "rb") as f:
            self.assertIn(b"<dpiAware", f.read(), "the installer does not declare itself DPI-aware")

        # A first setup into a folder of the administrator's choice.
        self.assertEqual(self.run_setup(CUSTOM)[0], 0)
        entry = self.assert_installed(CUSTOM)
        self.assertEqual(entry.get("DisplayName"), "KALTO")
        self.assertEqual(entry.get("Publisher"), "Orvane")
        self.assertEqual(entry.get("DisplayIcon"), CUSTOM + r"\kalto.exe,0")
        self.assertEqual(entry.get("UninstallString"), '"' + CUSTOM + r'\uninstall.exe"')
        self.assertGreater(int(entry["EstimatedSize"], 16), os.path.getsize(os.path.join(BUILD, "kalto.exe")) // 1024)

        # An upgrade finds it there and replaces a copy that never answers its
        # close, its window thread stuck: the setup ends its process.
        self.mark_installed_program(CUSTOM)
        self.start_program(CUSTOM)
        self.assertEqual(wine(os.path.join(BUILD, "tests", "e2e", "window_freezer.exe"), MAIN_CLASS).returncode, 0)
        code, took = self.run_setup()
        print(f"upgrade over a copy whose window thread is suspended: exit {code} after {took:.0f} s", file=sys.stderr)
        self.assertEqual(program_processes(CUSTOM + r"\kalto.exe"), [])
        self.assertEqual(code, 0)
        self.assert_installed(CUSTOM)

        # One in a place the setup has no window for, while the other edition
        # is installed too: the program is ended, the other edition removed.
        other = prefix_path(OTHER_EDITION)
        os.makedirs(other)
        for name in ("kalto.exe", "skin.zip", "uninstall.exe"):
            shutil.copy(os.path.join(prefix_path(CUSTOM), name), other)
        wide = is_64bit(os.path.join(BUILD, "kalto.exe"))
        for value in ("InstallLocation", "DisplayName"):
            wine("reg", "add", UNINSTALL_KEY, "/v", value, "/d", OTHER_EDITION if value == "InstallLocation"
                 else "KALTO", "/f", "/reg:32" if wide else "/reg:64")
        self.mark_installed_program(CUSTOM)
        self.start_program(CUSTOM, desktop="elsewhere")
        code, took = self.run_setup()
        print(f"upgrade over a copy in another Wine desktop, the other edition installed: exit {code} after "
              f"{took:.0f} s; other edition's folder left: {os.path.exists(other)}", file=sys.stderr)
        self.assertEqual(code, 0)
        self.assertEqual(program_processes(CUSTOM + r"\kalto.exe"), [])
        self.assert_installed(CUSTOM)
        self.assertFalse(os.path.exists(other))
        self.assertIsNone(uninstall_entry(other_edition=True))

        # A program file that another program holds but lets be renamed, as
        # Windows does a running program's: the new one takes its place at
        # once, the old one goes at the next restart.
        self.mark_installed_program(CUSTOM)
        with file_held(BUILD, CUSTOM + r"\kalto.exe", sharing="renamable"):
            code, took = self.run_setup()
            aside = [name for name in os.listdir(prefix_path(CUSTOM)) if name.endswith(".old")]
        print(f"upgrade while kalto.exe is held but may be renamed: exit {code} after {took:.0f} s; "
              f"set aside: {aside}", file=sys.stderr)
        self.assertEqual(code, 0)
        self.assertTrue(filecmp.cmp(os.path.join(BUILD, "kalto.exe"), prefix_path(CUSTOM + r"\kalto.exe"),
                                    shallow=False))
        self.assertEqual(uninstall_entry().get("DisplayVersion"), self.version)

        # One that cannot even be renamed: the setup says so in its exit code
        # and leaves the old program and its entry as they were; at the next
        # start of the prefix (Wine's restart) the new program takes its
        # place and the old files set aside go.
        self.mark_installed_program(CUSTOM)
        wine("reg", "add", UNINSTALL_KEY, "/v", "DisplayVersion", "/d", "0.9.0.0", "/f",
             "/reg:64" if wide else "/reg:32")
        with file_held(BUILD, CUSTOM + r"\kalto.exe", sharing="readable"):
            code, took = self.run_setup()
        marked = os.path.getsize(prefix_path(CUSTOM + r"\kalto.exe")) != os.path.getsize(
            os.path.join(BUILD, "kalto.exe"))
        print(f"upgrade while kalto.exe is held: exit {code} after {took:.0f} s; old file kept: {marked}; "
              f"entry's version: {uninstall_entry().get('DisplayVersion')}", file=sys.stderr)
        self.assertEqual(code, EXIT_RESTART_NEEDED)
        self.assertTrue(marked)
        self.assertEqual(uninstall_entry().get("DisplayVersion"), "0.9.0.0")
        self.assertIn("kalto.exe.new", wine("reg", "query", PENDING_KEY, "/v", "PendingFileRenameOperations").stdout)
        subprocess.run([os.path.join(ROOT, "tools", "wine-end.sh"), BUILD], check=True)
        wine("reg", "query", PENDING_KEY)
        subprocess.run(["wineserver", "-p"], env=dict(os.environ, WINEPREFIX=os.path.join(BUILD, "wineprefix")))
        self.assertTrue(filecmp.cmp(os.path.join(BUILD, "kalto.exe"), prefix_path(CUSTOM + r"\kalto.exe"),
                                    shallow=False), "the new program was not put in place at the restart")
        self.assertEqual([name for name in os.listdir(prefix_path(CUSTOM)) if name.endswith(".old")], [])
        self.assertEqual(self.run_setup()[0], 0)
        self.assert_installed(CUSTOM)

        # /D= moves an installation: the old one is removed, waiting for its
        # uninstaller; the folder the administrator made for it stays.
        default = r"C:\Program Files (x86)\Orvane\KALTO" if not wide else r"C:\Program Files\Orvane\KALTO"
        self.assertEqual(self.run_setup(default)[0], 0)
        entry = self.assert_installed(default)
        self.assertFalse(os.path.exists(prefix_path(CUSTOM)))
        self.assertTrue(os.path.isdir(os.path.dirname(prefix_path(CUSTOM))), "the administrator's folder went")

        # The entry's silent uninstall, with the program open, has finished
        # when it returns: a setup started at once installs for good.
        self.start_program(default)
        log = KaltoSession(BUILD, self.display.name).log_path()
        result = wine_command_line(entry["QuietUninstallString"])
        left = sorted(os.listdir(prefix_path(default))) if os.path.isdir(prefix_path(default)) else []
        print(f"silent uninstall with the program open: exit {result.returncode}; left when it returned: {left}; "
              f"entry left: {uninstall_entry() is not None}", file=sys.stderr)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(program_processes(default + r"\kalto.exe"), [])
        self.assertNotIn("kalto.exe", left)
        self.assertNotIn("skin.zip", left)
        self.assertIsNone(uninstall_entry())
        self.assertFalse(os.path.exists(os.path.join(BUILD, "wineprefix", "drive_c", START_MENU_LINK)))
        self.assertTrue(os.path.isfile(log), "the user's log went with the program")
        self.assertEqual(self.run_setup()[0], 0)
        entry = self.assert_installed(default)

        # The uninstall command a user starts, which hands over to a copy of
        # the uninstaller and returns at once, silent and with the user's
        # data: it removes that too, and the publisher's folder with the
        # program's.
        result = wine_command_line(entry["UninstallString"] + " /S /REMOVEUSERDATA")
        self.assertEqual(result.returncode, 0)
        publisher = os.path.dirname(prefix_path(default))
        self.assertTrue(wait_until(lambda: not os.path.exists(publisher), 60), "the publisher folder was left behind")
        self.assertFalse(os.path.exists(os.path.dirname(log)), "the user's data was left")
        self.assertIsNone(uninstall_entry())


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    if not can_run(setup_program()):
        print("the installer is a 32-bit program, which this machine cannot run; skipped")
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
