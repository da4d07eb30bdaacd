#!/usr/bin/env python3
"""The audio item of silent runs of kalto.exe against a private PulseAudio
server, whose null sink and its monitor Wine shows as the default speaker
and microphone: a tone played into the sink is recorded at its level and the
item passes; the microphone muted delivers digital silence and gets its
warning; without any PulseAudio the item finds no device, as before; a
server that never answers holds the item no longer than its bound.

Runs in the private network namespace of black_box_test.py, with its
stand-ins. Usage: audio_signal_test.py <build-dir>
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
from black_box_test import namespace_arguments  # noqa: E402
from kalto_driver import KaltoSession, ROOT, SharedDisplay, read_string_table  # noqa: E402
from pulse_server import NO_SERVER, PulseServer, tone_level_db  # noqa: E402

BUILD = None
PREFIX = None
TEXTS = read_string_table("en_US")
TONE_AMPLITUDE = 0.1  # about -23 dB of full scale
LEVEL_TOLERANCE_DB = 3.0


class AudioSignal(SharedDisplay, unittest.TestCase):
    def program_log(self):
        """The latest log of the program in the namespace's prefix."""
        return KaltoSession(BUILD, self.display.name, wine_dir=PREFIX).log_text()

    def silent_run(self, pulse_server):
        """The audio item of the JSON report of one silent run whose
        PulseAudio server is `pulse_server`. A run that does not end fails
        with the end of its log, which shows where it stands."""
        report = os.path.join(PREFIX, "wineprefix", "drive_c", "audio-report.json")
        if os.path.exists(report):
            os.remove(report)
        env = dict(os.environ, PULSE_SERVER=pulse_server, DISPLAY=self.display.name, LC_ALL="en_US.UTF-8")
        with tempfile.TemporaryFile() as out:
            try:
                code = subprocess.call([os.path.join(ROOT, "tools", "wine-run.sh"), PREFIX,
                                        os.path.join(BUILD, "few_echoes", "kalto.exe"), "/report",
                                        "C:\\audio-report.json"], env=env, stdout=out, stderr=subprocess.STDOUT,
                                       timeout=300)
            except subprocess.TimeoutExpired:
                self.fail("the silent run did not end; its log ends with:\n" + self.program_log()[-4000:])
            finally:
                # Nothing of this run's Wine session, which knew this run's
                # PulseAudio server, is left for the next one.
                subprocess.run([os.path.join(ROOT, "tools", "wine-end.sh"), PREFIX], env=env)
            out.seek(0)
            self.assertIn(code, (0, 1, 2), out.read().decode("utf-8", "replace"))
        with open(report, encoding="utf-8") as f:
            return next(item for item in json.load(f)["items"] if item["type"] == 2)

    def test_tone_is_heard_at_its_level(self):
        with PulseServer() as pulse, pulse.tone(TONE_AMPLITUDE):
            audio = self.silent_run(pulse.server)
        findings = audio["findings"]
        self.assertTrue(findings["microphones"] and findings["speakers"], findings)
        self.assertEqual(audio["verdict"], 1, audio)
        self.assertEqual(findings["micSilent"], 0)
        self.assertAlmostEqual(findings["micLevelDb"], tone_level_db(TONE_AMPLITUDE), delta=LEVEL_TOLERANCE_DB)
        # The row shows the level in whole dB.
        before, after = TEXTS["s.fmt.detect.audio.mic.level"].split("%d")
        shown = [line[len(before):len(line) - len(after)] for line in audio["shown"]
                 if line.startswith(before) and line.endswith(after)]
        self.assertEqual(len(shown), 1, audio["shown"])
        self.assertAlmostEqual(int(shown[0]), findings["micLevelDb"], delta=0.6)
        self.assertEqual(findings["speakerMuted"], 0)

    def test_muted_microphone_is_silence(self):
        with PulseServer() as pulse:
            pulse.pactl("set-source-mute", pulse.SOURCE, "1")
            audio = self.silent_run(pulse.server)
        self.assertEqual(audio["verdict"], 2, audio)
        self.assertEqual(audio["findings"]["micSilent"], 1)
        self.assertNotIn("micLevelDb", audio["findings"])
        self.assertEqual(audio["shown"][1:3], [TEXTS["s.detect.audio.mic.silent"],
                                               TEXTS["s.detect.audio.sln.mic.silent"]])

    def test_a_sound_server_that_never_answers_holds_the_item_for_its_bound_only(self):
        with PulseServer() as pulse:
            os.kill(pulse.process.pid, signal.SIGSTOP)
            try:
                audio = self.silent_run(pulse.server)
            finally:
                os.kill(pulse.process.pid, signal.SIGCONT)
        self.assertEqual(audio["findings"], {"microphones": [], "speakers": []})
        self.assertIn("the sound system did not answer in time", self.program_log())

    def test_no_pulseaudio_leaves_the_item_as_before(self):
        audio = self.silent_run(NO_SERVER)
        self.assertEqual(audio["verdict"], 3, audio)
        self.assertEqual(audio["findings"], {"microphones": [], "speakers": []})
        self.assertEqual(audio["shown"][1], TEXTS["s.detect.audio.no.mic"])


if __name__ == "__main__":
    BUILD, PREFIX = namespace_arguments(__file__)
    unittest.main(verbosity=2)
