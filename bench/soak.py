#!/usr/bin/env python3
"""A soak of kalto.exe under Wine, as a user who runs it day after day meets it.

One kalto.exe process runs many checks in a row, each started and ended
through the accessibility tree as a screen reader does; half of them are
cancelled at a random point. The program runs in the private network
namespace of the black-box tests, against the echo responder and the web
stand-in, by default as the build's variant with four echoes per media
server. After every run the process's counters are read
(tests/e2e/process_counters.exe). Then the program is started and closed
again and again.

The soak fails (exit code 1, the reason on a line starting "FAIL") when a
run does not end in time, when a counter grows beyond its bound over its
value after the first runs (--settle), when a start shows no window or when
a close leaves the process. Under Wine some counters are stubs: the soak
says at the start what each figure it prints measures.

The seed of the random choices is printed first; --seed replays the same
runs and cancel points.

Needs root (a network namespace).
Usage: soak.py <build-dir> [--runs 50] [--cycles 20] [--seed N] [--settle 5]
               [--cancel-window 6] [--run-timeout 300] [--calibration-reads 20]
               [--shipped-echoes]
"""
import argparse
import os
import random
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from black_box_test import run_in_namespace  # noqa: E402
from kalto_driver import MAIN_CLASS, ROOT, Display, KaltoSession, can_run  # noqa: E402

MIB = 1024 * 1024

# The figures judged after every run: the counters of process_counters.exe
# that give each, in order of preference, with what each measures. A counter
# the system does not fill is passed over: a failed call, or a 0, which no
# running window process has for any of them (Wine's stubs answer 0).
FIGURES = {
    "handles": [("handles", "kernel handles (GetProcessHandleCount)"),
                ("system_handles", "the process's entries in the system handle list; under Wine the wineserver's "
                                   "handle table of the process, less the key handles Wine's device enumerator "
                                   "leaks at each enumeration of audio devices and cameras (column devenum)")],
    "gdi": [("gdi", "GDI objects (GetGuiResources)"),
            ("gdi_table", "entries in use in Wine's GDI handle table in the process's memory "
                          "(stock objects included)")],
    "user": [("user", "USER objects (GetGuiResources)"),
             ("windows", "windows of the process, top-level and child: a part of its USER objects")],
    "private": [("private_bytes", "private bytes (PrivateUsage)"),
                ("pagefile_bytes", "PagefileUsage; under Wine the process's anonymous resident memory plus its swap "
                                   "(RssAnon + VmSwap of the Unix process)")],
}

# How far each figure may rise over its baseline. A run opens and closes its
# HTTP request, six ping threads and their sockets, and rebuilds its rows;
# handles and windows come back to their count, so a few handles allow only
# for work still closing when the figures are read. The heap keeps freed
# blocks for reuse and fragments a little: 8 MiB is about a tenth of the
# process and below what a leak of one run's findings, rows or thread stacks
# (hundreds of KiB a run) adds up to over 45 runs.
BOUNDS = {"handles": 12, "gdi": 12, "user": 4, "private": 8 * MIB}
# Under Wine every read of the window's accessibility tree from another
# process leaves memory behind in the program: about 28 KiB a read, also
# with the window idle, whose accessible objects exist already and whose
# answers allocate nothing that stays; most likely Wine's side of the
# cross-process calls, whose stubs outlive the reader. The soak measures
# that cost at idle before its runs and allows it for each of its own reads
# since the baseline. Reads of a run's new rows cost more than that.
CALIBRATION_WARM_UP = 10
# Runs with two reads each keep the program's memory flat under Wine, so a
# completed run is left alone this long before the soak looks for its end
# (a run takes about 10 s here).
QUIET_SECONDS = 8.0
# How long a started program may take to show the window it has made.
SHOW_SECONDS = 10


class SoakFailure(Exception):
    pass


def parse_counters(text):
    """process_counters.exe's output: name to value, None for "-"."""
    counters = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 2:
            counters[parts[0]] = None if parts[1] == "-" else int(parts[1])
    return counters


def choose_sources(counters):
    """For each figure, the first of its counters that reads more than 0, or None."""
    chosen = {}
    for figure, sources in FIGURES.items():
        chosen[figure] = next((name for name, _ in sources if counters.get(name)), None)
    return chosen


def growth_failures(samples, kinds, settle, bounds=BOUNDS, read_cost=0):
    """The figures that rose beyond their bound, one line each.

    `samples[i]` holds the figures after run i + 1, with "reads", the soak's
    reads of the accessibility tree so far, and `kinds[i]` how that run
    ended: a completed run leaves its findings, requests and ping units to
    the next start, a cancelled one less, so each kind is judged against its
    own baseline, the highest value of that kind over runs 1 to `settle`
    (caches fill during the first runs), or the first run of that kind when
    none came so early. The runs before the first completed one are left out:
    the first completed run fills caches, of devices and system queries,
    that every run after it keeps, a cancelled one included. Private bytes
    may rise by `read_cost` more for each read since the baseline. A figure
    not read at the baseline is not judged."""
    failures = []
    warm = kinds.index("completed") if "completed" in kinds else 0
    for kind in sorted(set(kinds)):
        runs = [i for i, k in enumerate(kinds) if k == kind and i >= warm]
        if not runs:
            continue
        early = [i for i in runs if i < settle] or runs[:1]
        for figure, bound in bounds.items():
            values = [samples[i].get(figure) for i in early]
            if None in values:
                continue
            base = max(values)
            for i in runs:
                if i <= early[-1]:
                    continue
                value = samples[i].get(figure)
                if value is None:
                    failures.append(f"{figure} could no longer be read after run {i + 1}")
                    break
                allowed = bound
                if figure == "private":
                    allowed += read_cost * (samples[i]["reads"] - samples[early[-1]]["reads"])
                if value - base > allowed:
                    failures.append(f"{figure} rose from {base} after the {kind} runs up to run {early[-1] + 1} "
                                    f"to {value} after run {i + 1} (allowed: {allowed} more)")
                    break
    return failures


def plan_runs(seed, runs, cancel_window):
    """Run number to the second after its start was pressed at which it is cancelled,
    or None for a run left to reach its summary: half the runs cancelled."""
    rng = random.Random(seed)
    cancelled = set(rng.sample(range(1, runs + 1), runs // 2))
    return {n: round(rng.uniform(0.5, cancel_window), 1) if n in cancelled else None for n in range(1, runs + 1)}


class CountingSession(KaltoSession):
    """A session that counts its reads of the window's accessibility tree."""
    reads = 0

    def reader(self, *args, **kwargs):
        if args and args[0] in ("dump", "press"):
            CountingSession.reads += 1
        return super().reader(*args, **kwargs)


class Soak:
    def __init__(self, build, prefix, display, few_echoes, out=print):
        self.build = build
        self.prefix = prefix
        self.display = display
        self.few_echoes = few_echoes
        self.out = out
        self.sources = None

    def session(self):
        return CountingSession(self.build, self.display.name, "en_US", wine_dir=self.prefix,
                               few_echoes=self.few_echoes)

    def read_cost(self, session, reads):
        """What one read of the idle window's accessibility tree adds to the
        program's private bytes, in bytes (0 when it adds nothing)."""
        for _ in range(CALIBRATION_WARM_UP):
            session.elements()
        before = self.counters(session)
        for _ in range(reads):
            session.elements()
        after = self.counters(session)
        name = self.sources["private"]
        if not name:
            return 0
        cost = max(0, (after[name] - before[name]) // reads)
        self.out(f"one read of the accessibility tree adds {cost / 1024:.0f} KiB to private bytes "
                 f"(measured over {reads} reads of the idle window)")
        return cost

    def counters(self, session):
        exe = os.path.join(self.build, "tests", "e2e", "process_counters.exe")
        done = subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), session.wine_dir, exe, MAIN_CLASS],
                              env=session.env, capture_output=True, timeout=120)
        if done.returncode != 0:
            raise SoakFailure("the counters could not be read: " + done.stderr.decode("utf-8", "replace").strip())
        return parse_counters(done.stdout.decode("utf-8", "replace"))

    def figures(self, session):
        counters = self.counters(session)
        if self.sources is None:
            self.sources = choose_sources(counters)
            for figure, name in self.sources.items():
                meaning = dict(FIGURES[figure]).get(name, "nothing: the system gives none of "
                                                    + ", ".join(n for n, _ in FIGURES[figure]))
                self.out(f"{figure}: {meaning}")
            self.out(f"{'run':>7}  {'outcome':<24} {'seconds':>7} {'handles':>7} {'gdi':>5} {'user':>5} "
                     f"{'private MiB':>11} {'devenum':>7} {'reads':>5}")
        figures = {figure: counters.get(name) if name else None for figure, name in self.sources.items()}
        figures["devenum"] = counters.get("devenum_keys")  # shown, not judged: Wine's leak, not the program's
        figures["reads"] = CountingSession.reads
        return figures

    def row(self, label, outcome, seconds, figures):
        def show(figure, scale=1):
            value = figures[figure]
            return "-" if value is None else (f"{value / scale:.1f}" if scale != 1 else str(value))
        self.out(f"{label:>7}  {outcome:<24} {seconds:>7.1f} {show('handles'):>7} {show('gdi'):>5} "
                 f"{show('user'):>5} {show('private', MIB):>11} {show('devenum'):>7} {show('reads'):>5}")

    def one_run(self, session, number, cancel_at, run_timeout):
        """One run from its button to its end; returns what happened and how
        long it took, the reading of the window included. The start button
        was seen enabled before: after a run, "s.detect.again" is."""
        texts = session.texts
        button = "s.ui.start" if number == 1 else "s.detect.again"
        started = time.monotonic()
        if session.reader("press", texts[button]).returncode != 0:
            raise SoakFailure(f"run {number}: its start button could not be pressed")
        pressed_at = time.monotonic()
        if cancel_at is None:
            outcome = "completed"
            time.sleep(QUIET_SECONDS)  # no reads while most of the run goes on
        else:
            time.sleep(max(0.0, pressed_at + cancel_at - time.monotonic()))
            # The press finds no cancel button once the run has reached its summary.
            cancelled = session.reader("press", texts["s.cancel.detect"]).returncode == 0
            outcome = f"cancelled at {cancel_at:.1f} s" if cancelled else "ended before the cancel"

        def run_over(elements):
            again = session.find(texts["s.detect.again"], elements)
            return again is not None and again.enabled
        try:
            # Read every 2 s: each read costs the program memory under Wine.
            session.wait_for(run_over, max(1.0, started + run_timeout - time.monotonic()), interval=2.0)
        except TimeoutError:
            raise SoakFailure(f"run {number} did not end within {run_timeout:.0f} s; the program's log ends with:\n"
                              + session.log_tail()) from None
        # A read walks the tree one call at a time, so the read that saw the
        # run end may hold parts from before it; the display is judged from
        # a read taken after.
        ended = session.elements()
        shown_cancelled = session.find(texts["s.detect.canceled"], ended) is not None
        if shown_cancelled != outcome.startswith("cancelled"):
            shown = [e.name for e in ended if e.name]
            raise SoakFailure(f"run {number} {outcome}, but the window "
                              + ("shows" if shown_cancelled else "does not show") + f" the cancelled display: {shown}")
        return outcome, time.monotonic() - started

    def runs(self, plan, settle, run_timeout, calibration_reads):
        """The runs of `plan` in one process; the figures after each."""
        session = self.session()
        samples, kinds = [], []
        try:
            session.start()
            session.wait_for_text("s.ui.start", 30, enabled=True)
            self.row("start", "window shown", 0.0, self.figures(session))
            read_cost = self.read_cost(session, calibration_reads) if calibration_reads else 0
            for number, cancel_at in sorted(plan.items()):
                outcome, seconds = self.one_run(session, number, cancel_at, run_timeout)
                time.sleep(1.0)  # the run's threads and requests close after its end is shown
                samples.append(self.figures(session))
                kinds.append("cancelled" if outcome.startswith("cancelled") else "completed")
                self.row(number, outcome, seconds, samples[-1])
            self.close(session, "the soak's process")
        finally:
            if session.process and not session.exited():
                session.process.kill()
        return growth_failures(samples, kinds, settle, read_cost=read_cost)

    def close(self, session, what):
        try:
            session.close(30)
        except subprocess.TimeoutExpired:
            raise SoakFailure(f"{what}: the close left the process running after 30 s") from None

    def start_close_cycles(self, cycles):
        for n in range(1, cycles + 1):
            session = self.session()
            try:
                try:
                    session.start(60)
                except RuntimeError:
                    raise SoakFailure(f"start {n} showed no window within 60 s") from None
                # The window is made first and shown a moment later.
                shown_by = time.monotonic() + SHOW_SECONDS
                while session.reader("shown").returncode != 0:
                    if time.monotonic() > shown_by:
                        raise SoakFailure(f"start {n}: the main window exists but was not shown within "
                                          f"{SHOW_SECONDS} s")
                    time.sleep(0.2)
                self.close(session, f"close {n}")
            finally:
                if session.process and not session.exited():
                    session.process.kill()
        self.out(f"{cycles} starts showed their window and {cycles} closes ended the process")


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Soak of kalto.exe under Wine.")
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--cycles", type=int, default=20, help="starts and closes after the runs")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--settle", type=int, default=5, help="the runs whose figures make the baselines")
    parser.add_argument("--cancel-window", type=float, default=6.0,
                        help="cancels fall between 0.5 s and this many seconds after a run's start was pressed")
    parser.add_argument("--run-timeout", type=float, default=300.0)
    parser.add_argument("--calibration-reads", type=int, default=20,
                        help="reads of the idle window that measure what a read costs (0: none)")
    parser.add_argument("--shipped-echoes", action="store_true", help="the shipped series instead of four echoes")
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    build = os.path.abspath(args.build)
    if not can_run(os.path.join(build, "kalto.exe")):
        print("soak: this machine runs no 32-bit processes, so this build cannot run here; skipped")
        return 77
    if args.seed is None:
        args.seed = random.randrange(1, 1 << 31)
    prefix = os.environ.get("KALTO_NETNS_BUILD")
    if not prefix:
        passed = ["--runs", str(args.runs), "--cycles", str(args.cycles), "--seed", str(args.seed),
                  "--settle", str(args.settle), "--cancel-window", str(args.cancel_window),
                  "--run-timeout", str(args.run_timeout), "--calibration-reads", str(args.calibration_reads)]
        passed += ["--shipped-echoes"] if args.shipped_echoes else []
        return run_in_namespace(build, __file__, passed)

    print(f"seed {args.seed} (replay with --seed {args.seed})", flush=True)
    plan = plan_runs(args.seed, args.runs, args.cancel_window)
    display = Display()
    soak = Soak(build, prefix, display, not args.shipped_echoes, out=lambda line: print(line, flush=True))
    started = time.monotonic()
    try:
        failures = soak.runs(plan, args.settle, args.run_timeout, args.calibration_reads)
        soak.start_close_cycles(args.cycles)
    except (SoakFailure, TimeoutError, RuntimeError) as failure:
        failures = [str(failure)]
    finally:
        display.close()
    for failure in failures:
        print("FAIL " + failure)
    print(f"soak {'failed' if failures else 'passed'} in {time.monotonic() - started:.0f} s (seed {args.seed})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
