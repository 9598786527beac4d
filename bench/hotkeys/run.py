#!/usr/bin/env python3
"""The volume hotkeys with the real program under X and a real sound server.

Usage: bench/hotkeys/run.py [BUILD_DIR] [PRESSES]   (needs a DISPLAY, e.g. Xvfb, a PulseAudio
server with a default sink, e.g. a null sink, and pactl)

Figures:
  hotkey to volume   median milliseconds from a Ctrl+Alt+Up/Down sent through XTest (no helper
                     process started per press) to the sound server's change event on the sink,
                     read from `pactl subscribe`, over PRESSES presses alternating up and down
  pactl to volume    the same change made by starting `pactl set-sink-volume` per press, for
                     comparison with a program that would run pactl for each hotkey
"""

import ctypes
import os
import re
import select
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build")
PRESSES = int(sys.argv[2]) if len(sys.argv) > 2 else 50
os.environ.setdefault("TABRAZO_BINARY", os.path.join(BUILD, "tabrazo"))
os.environ.setdefault("TABRAZO_CONTENTSERVER", os.path.join(BUILD, "tools", "contentserver", "tabrazo-contentserver"))
os.environ.setdefault("TABRAZO_DEMO_GENERATOR", os.path.join(ROOT, "demo", "generate.py"))
os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import ContentServer, Tabrazo, read, wait_for, windows_of  # noqa: E402

SETTINGS = ("[用户设置]\r\n增加音量=1\r\n减少音量=1\r\n禁音=0\r\n[RKHotKey]\r\n"
            "HK1Text=Ctrl + Alt + Num 8\r\nHK1KeyCode=38\r\nHK1ModKeyCode=3\r\n"
            "HK2Text=Ctrl + Alt + Num 2\r\nHK2KeyCode=40\r\nHK2ModKeyCode=3\r\n")


class Keyboard:
    """Key presses through the XTest extension of the display."""

    def __init__(self):
        self.x = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            sys.exit("no X display")

    def chord(self, *keysyms):
        codes = [self.x.XKeysymToKeycode(self.display, k) for k in keysyms]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.display, code, 1, 0)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x.XFlush(self.display)


class SinkEvents:
    """Change events of sinks, as `pactl subscribe` prints them."""

    def __init__(self):
        self.proc = subprocess.Popen(["pactl", "subscribe"], stdout=subprocess.PIPE)
        self.buffer = b""
        time.sleep(0.3)

    def drain(self):
        while select.select([self.proc.stdout], [], [], 0.05)[0]:
            os.read(self.proc.stdout.fileno(), 65536)
        self.buffer = b""

    def wait(self, timeout=5.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while b"\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\n", 1)
                if b"'change' on sink #" in line:
                    return time.monotonic()
            if select.select([self.proc.stdout], [], [], max(0.0, deadline - time.monotonic()))[0]:
                self.buffer += os.read(self.proc.stdout.fileno(), 65536)
        return None

    def stop(self):
        self.proc.terminate()
        self.proc.wait(5)


def measure(events, act):
    times = []
    for i in range(PRESSES):
        events.drain()
        start = time.monotonic()
        act(i)
        end = events.wait()
        if end is None:
            sys.exit("no volume change after press %d" % (i + 1))
        times.append((end - start) * 1000)
        time.sleep(0.05)
    return times


def main():
    if subprocess.run(["pactl", "info"], capture_output=True).returncode != 0:
        sys.exit("no sound server")
    subprocess.run(["pactl", "set-sink-volume", "@DEFAULT_SINK@", "50%"], check=True)
    with tempfile.TemporaryDirectory(prefix="tabrazo-bench-") as tmp:
        site, home = os.path.join(tmp, "site"), os.path.join(tmp, "home")
        os.makedirs(site)
        server = ContentServer(site)
        subprocess.run([sys.executable, os.environ["TABRAZO_DEMO_GENERATOR"], "--site", site, "--program", home,
                        "--base", server.base], check=True, capture_output=True)
        config = os.path.join(home, "Config.dll")
        seed = re.sub(r"\[用户设置\][^\[]*", "", read(config).decode("gbk"))
        with open(config, "wb") as f:
            f.write((seed.rstrip("\r\n") + "\r\n" + SETTINGS).encode("gbk"))
        app = Tabrazo(home, server.base).start()
        events = SinkEvents()
        try:
            if not wait_for(lambda: windows_of(app.proc.pid, "^Tabrazo$"), 30):
                sys.exit("the program did not start")
            catalogue = read(os.path.join(site, "flashxmlfile", "gamelist.xml"))
            wait_for(lambda: read(os.path.join(home, "LDsend.Dll")) == catalogue, 30)
            time.sleep(2)
            keyboard = Keyboard()
            ctrl, alt, up, down = 0xffe3, 0xffe9, 0xff52, 0xff54
            hotkey = measure(events, lambda i: keyboard.chord(ctrl, alt, up if i % 2 == 0 else down))
            tool = measure(events, lambda i: subprocess.run(
                ["pactl", "set-sink-volume", "@DEFAULT_SINK@", "+2%" if i % 2 == 0 else "-2%"], check=True))
        finally:
            events.stop()
            app.kill()
            server.stop()
    print("hotkey to volume: median %.1f ms (min %.1f, max %.1f) over %d presses"
          % (statistics.median(hotkey), min(hotkey), max(hotkey), len(hotkey)))
    print("pactl to volume:  median %.1f ms (min %.1f, max %.1f) over %d runs"
          % (statistics.median(tool), min(tool), max(tool), len(tool)))


if __name__ == "__main__":
    main()
