"""A Wayland desktop: a headless weston, with its XWayland or without, and the real program in it."""

import os
import re
import shutil
import signal
import subprocess
import time
import unittest

from PIL import Image

from harness import read, wait_for, x_run, xdotool
from test_play import ROW, TOP, Playing, catalogue, colour_share

WESTON = shutil.which("weston")
X_SOCKETS = "/tmp/.X11-unix"


class Weston:
    """A compositor on no screen, with a runtime folder and a socket of its own."""

    def __init__(self, folder, xwayland):
        runtime = os.path.join(folder, "weston-run")
        os.makedirs(runtime)
        os.chmod(runtime, 0o700)
        self.socket = os.path.join(runtime, "wayland-tabrazo")
        self.log = os.path.join(folder, "weston.log")
        args = [WESTON, "--backend=headless-backend.so", "--socket=wayland-tabrazo", "--width=1280",
                "--height=1024", "--idle-time=0", "--no-config", "--log=" + self.log]
        if xwayland:
            args.append("--xwayland")
            # Weston puts its X socket there but does not make the folder; the first X server does.
            if not os.path.isdir(X_SOCKETS):
                os.makedirs(X_SOCKETS, exist_ok=True)
                os.chmod(X_SOCKETS, 0o1777)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "LD_PRELOAD")}
        env["XDG_RUNTIME_DIR"] = runtime
        with open(os.path.join(folder, "weston.out"), "wb") as out:
            # A session of its own, so that its shell clients and XWayland go with it.
            self.proc = subprocess.Popen(args, env=env, stdout=out, stderr=out, start_new_session=True)
        self.display = None
        if not wait_for(lambda: os.path.exists(self.socket) or self.proc.poll() is not None, 20) \
                or self.proc.poll() is not None:
            raise RuntimeError("weston did not start:\n" + self.words())
        if xwayland:
            self.display = wait_for(self.x_display, 20)
            if not self.display:
                raise RuntimeError("weston serves no X display:\n" + self.words())

    def x_display(self):
        found = re.search(r"xserver listening on display (:\d+)", self.words())
        return found.group(1) if found else None

    def words(self):
        return read(self.log).decode("utf-8", "replace") if os.path.exists(self.log) else ""

    def stop(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait(5)


@unittest.skipUnless(WESTON, "weston is not installed")
class WaylandDesktop(Playing):
    xwayland = True

    def setUp(self):
        super().setUp()
        try:
            self.weston = Weston(self.tmp, self.xwayland)
        except Exception:
            super().tearDown()
            raise
        # The X tools of the tests look at the compositor's X display, not the test display.
        self.saved_display = os.environ.get("DISPLAY")
        if self.weston.display:
            os.environ["DISPLAY"] = self.weston.display
        else:
            os.environ.pop("DISPLAY", None)

    def tearDown(self):
        # The program goes before its compositor, and the compositor before its folder.
        for app in self.apps:
            app.kill()
        self.weston.stop()
        super().tearDown()
        if self.saved_display is None:
            os.environ.pop("DISPLAY", None)
        else:
            os.environ["DISPLAY"] = self.saved_display

    def app(self, wrap=(), env=None):
        session = {"WAYLAND_DISPLAY": self.weston.socket, "XDG_SESSION_TYPE": "wayland", "QT_QPA_PLATFORM": None,
                   "DISPLAY": self.weston.display}
        return super().app(wrap, dict(session, **(env or {})))

    def click(self, main, dx, dy, double=False):
        # XWayland drops the absolute moves xdotool asks for; relative ones move its pointer.
        x, y = self.place(main)
        target = (x + dx, y + dy)
        for _ in range(5):
            here = self.pointer()
            if here == target:
                break
            xdotool("mousemove_relative", "--", str(target[0] - here[0]), str(target[1] - here[1]))
            wait_for(lambda: self.pointer() != here, 2, 0.05)
        self.assertEqual(self.pointer(), target)
        time.sleep(0.1)
        xdotool("click", "--repeat", "2" if double else "1", "--delay", "60", "1")

    def place(self, window):
        # xdotool counts the offset of a window in its frame twice, and weston's frames have margins.
        out = x_run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
        return tuple(int(re.search(r"Absolute upper-left %s:\s+(-?\d+)" % axis, out).group(1)) for axis in "XY")

    def assert_player_shows(self, player, colour, shot_name):
        # A rootless X server keeps no picture of its root window: the player's own is taken.
        path = os.path.join(self.tmp, shot_name)

        def shows():
            if x_run(["import", "-window", player, path], capture_output=True).returncode != 0:
                return False
            image = Image.open(path).convert("RGB")
            return colour_share(image, colour, (10, 35, image.width - 10, image.height - 140)) > 0.25
        self.assertTrue(wait_for(shows, 40, 0.5), "the player does not show the movie's colours (%s)" % shot_name)

    def pointer(self):
        values = dict(field.split(":", 1) for field in xdotool("getmouselocation") if ":" in field)
        return int(values["x"]), int(values["y"])

    def said(self, app):
        app.log.flush()
        return read(app.log.name).decode("utf-8", "replace")


class ThroughXWayland(WaylandDesktop):
    def test_both_windows_on_the_x_display_and_a_game_plays(self):
        app, main = self.start()
        self.assertIn("running through XWayland", self.said(app))
        _, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        # The second row of List2, as in the plain X session.
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "xwayland.png")
        self.assertTrue(app.running())


class Native(WaylandDesktop):
    xwayland = False

    def test_starts_without_an_x_display_and_says_what_is_missing(self):
        app = self.app().start()
        # The start-up ran to the catalogue's refresh, which follows the main window's creation.
        site = self.site_file("flashxmlfile/gamelist.xml")
        self.assertTrue(wait_for(lambda: not app.running() or read(app.path("LDsend.Dll")) == site, 30),
                        self.said(app)[-3000:])
        time.sleep(3)
        self.assertTrue(app.running(), self.said(app)[-3000:])
        said = self.said(app)
        self.assertIn("running natively", said)
        self.assertIn("docking the player", said)
        self.assertIn("hotkeys are unavailable", said)


if __name__ == "__main__":
    unittest.main()
