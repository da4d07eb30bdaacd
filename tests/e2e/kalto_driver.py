#!/usr/bin/env python3
"""Drives kalto.exe under Wine as a user would: real mouse clicks on an X
display, texts read back through the window's accessibility tree, screenshots.

Used by the black-box tests and by tools/run.sh on a machine without a display.
"""
import contextlib
import glob
import os
import select
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAIN_CLASS = "kalto.mainwnd"
# Longer than a read takes even while Wine's desktop process is started anew
# for it, emulated.
READER_TIMEOUT = 240
DESKTOP_TIMEOUT = 600
STATE_UNAVAILABLE = 0x1
ROLE_PUSHBUTTON = 43


def read_string_table(language):
    """The texts of one language, as the program shows them."""
    table = {}
    path = os.path.join(ROOT, "skin", "strings", language + ".txt")
    with open(path, encoding="utf-8-sig") as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith("#") or "=" not in line:
                continue
            key, value = (part.strip() for part in line.split("=", 1))
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            table[key] = value.replace("\\n", "\n").replace('\\"', '"').replace("\\\\", "\\")
    return table


@dataclass
class Element:
    depth: int
    role: int
    state: int
    x: int
    y: int
    w: int
    h: int
    name: str

    @property
    def enabled(self):
        return not self.state & STATE_UNAVAILABLE

    @property
    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2


class Display:
    """A private Xvfb display."""

    def __init__(self, size="1280x800"):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", size + "x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            self.name = ":" + f.readline().strip()

    def close(self):
        self.process.terminate()
        self.process.wait()


class SharedDisplay:
    """For a test case class whose cases share one private display,
    cls.display: Wine's desktop process on it serves them all, where a
    display of each case's own would start Wine's session again for each."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.display = Display()

    @classmethod
    def tearDownClass(cls):
        cls.display.close()
        super().tearDownClass()


class LogWatch:
    """For a test case whose log() reads the program's latest log: waits until
    the log says a text. LOG_POLL is the seconds between reads."""
    LOG_POLL = 0.5

    def wait_for_log(self, text, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if text in self.log():
                return
            time.sleep(self.LOG_POLL)
        self.fail("the log never said " + text)


def can_run(exe):
    """Whether this machine can run the Windows program (see tools/wine-loader.sh)."""
    check = 'source "$0/tools/wine-loader.sh" && kalto_can_run "$1"'
    return subprocess.run(["bash", "-c", check, ROOT, exe]).returncode == 0


def build_from_arguments():
    """The build tree named by the test script's first argument, taken off the
    arguments; exits with ctest's skip code where this machine cannot run the
    tree's program."""
    build = os.path.abspath(sys.argv.pop(1))
    if not can_run(os.path.join(build, "kalto.exe")):
        name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
        print(name + ": this machine runs no 32-bit processes, so this build cannot run here; skipped")
        sys.exit(77)
    return build


def runs_emulated(exe):
    """Whether the Windows program runs here under the emulated 32-bit loader,
    many times slower than natively (see tools/wine-loader.sh)."""
    check = ('source "$0/tools/wine-loader.sh" && [ "$KALTO_WINE_EMULATED" = 1 ] && '
             '[ "$(kalto_pe_machine "$1")" -eq $((0x14c)) ]')
    return subprocess.run(["bash", "-c", check, ROOT, exe]).returncode == 0


def set_screen_dpi(wine_dir, dpi):
    """Sets the DPI that Wine gives the programs started next in the prefix of
    `wine_dir` (its LogPixels setting); None restores the default, 96."""
    key = r"HKCU\Control Panel\Desktop"
    tool = os.path.join(ROOT, "tools", "wine-run.sh")
    if dpi is None:
        args = ["reg", "delete", key, "/v", "LogPixels", "/f"]
    else:
        args = ["reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"]
    subprocess.run([tool, wine_dir, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=dpi is not None)


@contextlib.contextmanager
def file_held(build_dir, windows_path, wine_dir=None, env=None, sharing=None):
    """Holds a file of the Wine prefix open for the `with` block, as another
    program may (tests/e2e/file_holder.cpp): without sharing, or with the
    sharing it names: "readable", so that others may still read and run it
    but not change, rename or delete it, or "renamable"."""
    wine_dir = os.path.abspath(wine_dir or build_dir)
    flag = os.path.join(wine_dir, "wineprefix", "drive_c", "kalto-held.flag")
    if os.path.exists(flag):
        os.remove(flag)
    said = tempfile.TemporaryFile()
    holder = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), wine_dir,
                               os.path.join(os.path.abspath(build_dir), "tests", "e2e", "file_holder.exe"),
                               windows_path, "C:\\kalto-held.flag", *([sharing] if sharing else [])],
                              env=env, stdout=said, stderr=subprocess.STDOUT)
    try:
        deadline = time.time() + 60
        while not os.path.exists(flag) and holder.poll() is None and time.time() < deadline:
            time.sleep(0.2)
        if not os.path.exists(flag):
            said.seek(0)
            raise RuntimeError(f"{windows_path} could not be held (holder's exit {holder.poll()}): "
                               + said.read().decode("utf-8", "replace").strip())
        yield
    finally:
        if os.path.exists(flag):
            os.remove(flag)
        holder.wait(30)
        said.close()


class ServedReader:
    """One window reader (ui_reader.exe serve) that answers a session's reads
    over a pipe: a process start costs about a second where the 32-bit loader
    is emulated, and a test reads the window hundreds of times."""

    def __init__(self, wine_dir, exe, env):
        self.process = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), wine_dir, exe, "serve"],
                                        env=dict(env, KALTO_WINE_EXEC="1"), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.pending = b""

    def ask(self, args, timeout):
        """The command's output and exit code as a CompletedProcess; None when
        the reader has ended (its Wine session was ended, say). A command
        that has not been answered after `timeout` seconds raises TimeoutError."""
        try:
            self.process.stdin.write(("\t".join(args) + "\n").encode("utf-8"))
            self.process.stdin.flush()
        except (BrokenPipeError, ValueError):
            return None
        source = self.process.stdout.fileno()
        deadline = time.time() + timeout
        while True:
            mark = self.pending.find(b"\x1e")
            end = self.pending.find(b"\n", mark) if mark >= 0 else -1
            if end >= 0:
                out, code = self.pending[:mark], int(self.pending[mark + 1:end])
                self.pending = self.pending[end + 1:]
                return subprocess.CompletedProcess(args, code, out, b"")
            left = deadline - time.time()
            if left <= 0:
                raise TimeoutError
            # Wine's processes may hold the pipe open after the reader ended,
            # so its end is also watched for.
            if select.select([source], [], [], min(left, 0.5))[0]:
                chunk = os.read(source, 65536)
                if not chunk:
                    return None
                self.pending += chunk
            elif self.process.poll() is not None:
                return None

    def close(self):
        with contextlib.suppress(OSError, ValueError):
            self.process.stdin.close()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class KaltoSession:
    def __init__(self, build_dir, display, language="en_US", wine_dir=None, program=None, few_echoes=False):
        """`wine_dir` holds the Wine prefix to run in (the build tree's own by default);
        `program` is the kalto.exe to start (the build tree's by default). With
        `few_echoes` the program is the build's variant that sends four echoes per
        media server, for runs whose subject is not the series."""
        self.build = os.path.abspath(build_dir)
        program_dir = os.path.join(self.build, "few_echoes") if few_echoes else self.build
        self.program = program or os.path.join(program_dir, "kalto.exe")
        self.wine_dir = os.path.abspath(wine_dir or build_dir)
        self.display = display
        self.language = language
        self.texts = read_string_table(language)
        self.env = dict(os.environ, DISPLAY=display, LC_ALL=language + ".UTF-8")
        self.process = None
        self.served = None
        self.serving = True
        # Each window class's outer element as last read: where a screenshot crops.
        self.frames = {}

    # -- the program --------------------------------------------------------
    def start_detached(self):
        """Launches the program and returns at once."""
        self.process = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), self.wine_dir, self.program],
                                        env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def prepare_desktop(self):
        """Waits until the prefix and Wine's desktop process on the session's
        display are up (tools/wine-desktop.sh), at most DESKTOP_TIMEOUT
        seconds. A prefix's first start makes the prefix and starts Wine's
        services and desktop for the first time, which on a loaded machine
        took over three minutes: a wait the program's own start is not to be
        judged by."""
        try:
            done = subprocess.run([os.path.join(ROOT, "tools", "wine-desktop.sh"), self.wine_dir], env=self.env,
                                  capture_output=True, text=True, timeout=DESKTOP_TIMEOUT)
        except subprocess.TimeoutExpired as hung:
            raise RuntimeError(f"Wine's desktop for {self.wine_dir} was not up after {DESKTOP_TIMEOUT} s: "
                               f"{hung.stderr!r}") from None
        if done.stderr:
            print(done.stderr, end="", file=sys.stderr)

    def start(self, timeout=60):
        """Launches the program, once Wine's desktop is up, and waits for its main window."""
        self.prepare_desktop()
        self.start_detached()
        if self.reader("wait", str(timeout)).returncode != 0:
            raise RuntimeError("the main window did not appear")

    def close(self, timeout=30):
        if not self.process:
            return None
        self.reader("close")
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise

    def exited(self):
        return self.process is not None and self.process.poll() is not None

    # -- reading the window -------------------------------------------------
    def reader(self, *args, window_class=MAIN_CLASS):
        """Runs a command of the window reader, through the session's served
        reader while it answers (started again once after it ended), else as a
        process of its own. A command that has not ended after READER_TIMEOUT
        seconds (a window that answers no message holds it) raises
        RuntimeError with the end of the program's log."""
        exe = os.path.join(self.build, "tests", "e2e", "ui_reader.exe")
        try:
            for _ in range(2):
                if not self.serving:
                    break
                if self.served is None:
                    self.served = ServedReader(self.wine_dir, exe, self.env)
                done = self.served.ask([window_class, *args], READER_TIMEOUT)
                if done is not None:
                    return done
                self.served.close()
                self.served = None
            self.serving = False
            return subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), self.wine_dir, exe, window_class, *args],
                                  env=self.env, capture_output=True, timeout=READER_TIMEOUT)
        except (TimeoutError, subprocess.TimeoutExpired):
            if self.served:
                self.served.process.kill()
                self.served = None
            raise RuntimeError(f"the window reader ({' '.join(args)}) did not end in {READER_TIMEOUT} s; "
                               "the program's log ends with:\n" + self.log_tail()) from None

    def elements(self, window_class=MAIN_CLASS):
        out = self.reader("dump", window_class=window_class)
        elements = []
        for line in out.stdout.decode("utf-8", "replace").splitlines():
            stripped = line.lstrip(" ")
            parts = stripped.split("\t")
            if len(parts) != 4:
                continue
            x, y, w, h = (int(v) for v in parts[2].split())
            elements.append(Element((len(line) - len(stripped)) // 2, int(parts[0]), int(parts[1]), x, y, w, h, parts[3]))
        if elements:
            self.frames[window_class] = elements[0]
        return elements

    def names(self):
        return [e.name for e in self.elements() if e.name]

    def find(self, name, elements=None):
        for element in elements if elements is not None else self.elements():
            if element.name == name:
                return element
        return None

    def wait_for(self, predicate, timeout, interval=0.5):
        deadline = time.time() + timeout
        while time.time() < deadline:
            elements = self.elements()
            result = predicate(elements)
            if result:
                return result
            if self.exited():
                raise RuntimeError("the program ended")
            time.sleep(interval)
        raise TimeoutError("the window did not reach the expected state")

    def wait_for_text(self, key, timeout, enabled=None, interval=0.5):
        text = self.texts[key]

        def match(elements):
            element = self.find(text, elements)
            if element and (enabled is None or element.enabled == enabled):
                return element
            return None
        return self.wait_for(match, timeout, interval)

    # -- acting ---------------------------------------------------------------
    def point_at(self, x, y):
        """Moves the pointer to (x, y) and waits until it is there. xdotool's
        own wait (--sync) lasts about 15 s when the pointer is already there,
        as it is for a button that takes the place of the one just pressed."""
        where = subprocess.run(["xdotool", "getmouselocation", "--shell"], env=self.env, check=True,
                               capture_output=True, text=True).stdout
        if f"X={x}\nY={y}\n" not in where:
            subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], env=self.env, check=True)

    def click(self, element):
        x, y = element.centre
        self.point_at(x, y)
        time.sleep(0.2)
        subprocess.run(["xdotool", "click", "1"], env=self.env, check=True)

    def scroll(self, element, notches):
        """Turns the mouse wheel over `element`: positive notches scroll down."""
        self.point_at(*element.centre)
        button = "5" if notches > 0 else "4"
        subprocess.run(["xdotool", "click", "--repeat", str(abs(notches)), "--delay", "50", button], env=self.env,
                       check=True)
        time.sleep(0.3)

    def screenshot(self, path, window_only=True, window_class=MAIN_CLASS):
        """The screen, or only one window's rectangle (the main window's by default), as a PNG.
        The rectangle is the one last read, if any: a read of the window costs
        seconds where the 32-bit loader is emulated, and the window keeps its place."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        crop = []
        if window_only and window_class not in self.frames:
            self.elements(window_class)
        root = self.frames.get(window_class) if window_only else None
        if root:
            crop = ["-crop", f"{root.w}x{root.h}+{root.x}+{root.y}", "+repage"]
        subprocess.run(["import", "-display", self.display, "-window", "root", *crop, path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def log_path(self):
        pattern = os.path.join(self.wine_dir, "wineprefix", "drive_c", "users", "*", "AppData", "Roaming",
                               "Orvane", "KALTO", "log", "kalto_*.log")
        files = glob.glob(pattern)
        return max(files, key=os.path.getmtime) if files else None

    def log_text(self):
        """The program's latest log, or "" without one."""
        path = self.log_path()
        if not path:
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def log_tail(self, length=4000):
        """The end of the program's latest log, which shows where a run that
        never ended stands."""
        return self.log_text()[-length:] or "(no log)"
