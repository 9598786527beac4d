"""The volume hotkeys: combinations kept in Config.dll are grabbed on the desktop and change the
default sink of the real sound server while another program has the keyboard; a combination
another client holds already is a conflict."""

import os
import re
import subprocess
import sys
import time
import unittest

from harness import EndToEnd, click_at, read, screenshot, wait_for, window_geometry, windows_of, x_env, xdotool

CATALOGUE = "flashxmlfile/gamelist.xml"

# Ctrl + Alt with the arrow keys and M, as the settings file of a Windows installation keeps them.
HOTKEYS = [
    ("用户设置", [("增加音量", "1"), ("减少音量", "1"), ("禁音", "1")]),
    ("RKHotKey", [("HK1Text", "Ctrl + Alt + Num 8"), ("HK1KeyCode", "38"), ("HK1ModKeyCode", "3"),
                  ("HK2Text", "Ctrl + Alt + Num 2"), ("HK2KeyCode", "40"), ("HK2ModKeyCode", "3"),
                  ("HK3Text", "Ctrl + Alt + M"), ("HK3KeyCode", "77"), ("HK3ModKeyCode", "3")]),
]

# Another X client holding a key combination on the root window, as a desktop's own shortcut does.
GRABBER = r"""
import ctypes, sys, time
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                       ctypes.c_int]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
d = x.XOpenDisplay(None)
x.XGrabKey(d, x.XKeysymToKeycode(d, int(sys.argv[1], 16)), int(sys.argv[2]), x.XDefaultRootWindow(d), 1, 1, 1)
x.XSync(d, 0)
print("grabbed", flush=True)
time.sleep(600)
"""


def pactl(*args):
    return subprocess.run(["pactl", *args], capture_output=True, text=True, timeout=10)


def volume():
    out = pactl("get-sink-volume", "@DEFAULT_SINK@").stdout
    return int(re.search(r"/\s*(\d+)%", out).group(1))


def muted():
    return pactl("get-sink-mute", "@DEFAULT_SINK@").stdout.split()[-1] == "yes"


class Hotkeys(EndToEnd):
    def setUp(self):
        super().setUp()
        self.assertEqual(pactl("info").returncode, 0, "no sound server (scripts/test.sh starts one)")
        pactl("set-sink-volume", "@DEFAULT_SINK@", "50%")
        pactl("set-sink-mute", "@DEFAULT_SINK@", "0")
        config = os.path.join(self.home, "Config.dll")
        # The seed's own options section gives way to this one.
        text = re.sub(r"\[用户设置\][^\[]*", "", read(config).decode("gbk")).rstrip("\r\n") + "\r\n"
        for section, entries in HOTKEYS:
            text += "[%s]\r\n" % section + "".join("%s=%s\r\n" % entry for entry in entries)
        with open(config, "wb") as f:
            f.write(text.encode("gbk"))
        self.others = []

    def tearDown(self):
        for proc in self.others:
            proc.kill()
            proc.wait(5)
        super().tearDown()

    def log_text(self, app):
        app.log.flush()
        with open(app.log.name, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def start(self):
        app = self.app().start()
        self.assertTrue(self.main_window(app), "main window never appeared")
        # The hotkeys are armed again once the catalogue check is over.
        site = self.site_file(CATALOGUE)
        self.assertTrue(wait_for(lambda: read(app.path("LDsend.Dll")) == site, 30))
        time.sleep(1)
        return app

    def other_window(self):
        proc = subprocess.Popen(["xmessage", "-title", "tabrazo-other", "-geometry", "+700+600", "another program"],
                                env=x_env(), stderr=subprocess.DEVNULL)
        self.others.append(proc)
        window = wait_for(lambda: (xdotool("search", "--onlyvisible", "--name", "^tabrazo-other$") or [None])[0], 10)
        self.assertTrue(window, "xmessage did not come up")
        xdotool("windowfocus", "--sync", window)
        return window

    def test_keys_change_the_default_sink_while_another_window_has_the_focus(self):
        app = self.start()
        other = self.other_window()
        self.assertEqual(xdotool("getwindowfocus"), [other])

        xdotool("key", "ctrl+alt+Up")
        self.assertTrue(wait_for(lambda: volume() == 52, 5), volume())
        xdotool("key", "ctrl+alt+Down", "ctrl+alt+Down")
        self.assertTrue(wait_for(lambda: volume() == 48, 5), volume())
        xdotool("key", "ctrl+alt+m")
        self.assertTrue(wait_for(muted, 5))
        xdotool("key", "ctrl+alt+m")
        self.assertTrue(wait_for(lambda: not muted(), 5))

        # Caps Lock and Num Lock do not hide the combination.
        xdotool("key", "Caps_Lock", "Num_Lock")
        try:
            xdotool("key", "ctrl+alt+Up")
            self.assertTrue(wait_for(lambda: volume() == 50, 5), volume())
        finally:
            xdotool("key", "Caps_Lock", "Num_Lock")

        # Never above 100 %: 50 % and 30 steps of 2 % end there.
        for _ in range(30):
            xdotool("key", "ctrl+alt+Up")
        self.assertTrue(wait_for(lambda: volume() == 100, 10), volume())
        time.sleep(0.5)
        self.assertEqual(volume(), 100)

        # The keys went to the grab, not to the window that has the focus, and nothing was said.
        self.assertEqual(xdotool("getwindowfocus"), [other])
        self.assertNotIn("message box:", self.log_text(app))
        self.assertTrue(app.running())

        # The settings button shows the window with the three combinations.
        main = windows_of(app.proc.pid, "^Tabrazo$")[0]
        x, y, _, _ = window_geometry(main)
        click_at(x + 4500 // 15 + 8, y + 1185 // 15 + 8)
        settings = wait_for(lambda: windows_of(app.proc.pid, "^Tabrazo设置$"), 10)
        self.assertTrue(settings, "no settings window")
        shot = screenshot(os.path.join(self.tmp, "settings.png"))
        sx, sy, sw, sh = window_geometry(settings[0])
        self.assertGreater(len(set(shot.crop((sx, sy, sx + sw, sy + sh)).getdata())), 20)

    def test_combination_held_by_another_client_is_a_conflict(self):
        grabber = subprocess.Popen([sys.executable, "-c", GRABBER, "6d", str(4 | 8)], env=x_env(), stdout=subprocess.PIPE, text=True)
        self.others.append(grabber)
        self.assertEqual(grabber.stdout.readline().strip(), "grabbed")

        app = self.start()
        self.assertTrue(wait_for(lambda: "message box: 热键冲突，请换一个热键。" in self.log_text(app), 10))
        self.assertEqual(self.log_text(app).count("热键冲突"), 1)
        box = wait_for(lambda: xdotool("search", "--onlyvisible", "--pid", str(app.proc.pid), "--name", "^错误$"), 10)
        self.assertTrue(box, "no error box on screen")

        # The other two hotkeys still work; the cleared one is neither grabbed nor saved.
        self.other_window()
        xdotool("key", "ctrl+alt+Up")
        self.assertTrue(wait_for(lambda: volume() == 52, 5), volume())
        self.assertIn("HK3KeyCode=77", read(app.path("Config.dll")).decode("gbk"))


if __name__ == "__main__":
    unittest.main()
