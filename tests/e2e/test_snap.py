"""The player window beside the main window: where it opens, and how it docks and follows, with no
window manager and under a real one (openbox)."""

import subprocess
import time
import unittest

from harness import EndToEnd, wait_for, windows_of, x_env, x_run, xdotool

PLAYER_BUTTON = (283, 45)  # GameFrmButton, in main window coordinates


def frame(window):
    """The window's frame as the user sees it: (left, top, right, bottom) in screen pixels."""
    info = x_run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    values = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    x, y = int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])
    w, h = int(values["Width"]), int(values["Height"])
    extents = x_run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], capture_output=True, text=True).stdout
    left = right = top = bottom = 0
    if "=" in extents:
        left, right, top, bottom = (int(v) for v in extents.split("=", 1)[1].split(","))
    return x - left, y - top, x + w + right, y + h + bottom, (left, top)


class Snap(EndToEnd):
    wm = None

    def tearDown(self):
        super().tearDown()
        if self.wm:
            self.wm.terminate()
            self.wm.wait(5)

    def start(self):
        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        # The player opens at start by default.
        player = wait_for(lambda: ([w for w in windows_of(app.proc.pid) if w != main] or [None])[0], 30)
        self.assertTrue(player, "no player window")
        return app, main, player

    def settled(self, window):
        """The frame once it stops moving."""
        last = [None]

        def still():
            now = frame(window)
            same = now == last[0]
            last[0] = now
            return now if same else None
        return wait_for(still, 10, 0.3)

    def assert_flush_right(self, main, player, offset=0):
        m, p = self.settled(main), self.settled(player)
        self.assertEqual((p[0], p[1]), (m[2], m[1] + offset), "main %s player %s" % (m, p))

    def move_frame(self, window, left, top):
        """Moves a window so that its frame's top left lands at left, top."""
        _, _, _, _, (fl, ft) = frame(window)
        xdotool("windowmove", window, str(left + fl), str(top + ft))
        time.sleep(0.8)

    def drive(self):
        app, main, player = self.start()
        # At start: flush right of the main window's frame, frames aligned at the top.
        self.assert_flush_right(main, player)

        # From the player button, after the player was moved away and hidden.
        m = self.settled(main)
        self.move_frame(player, m[2] + 200, m[1] + 100)
        x, y = m[0] + PLAYER_BUTTON[0], m[1] + PLAYER_BUTTON[1]
        for _ in range(2):
            xdotool("mousemove", "--sync", str(x), str(y))
            xdotool("click", "1")
            time.sleep(1.5)
        self.assertIn(player, windows_of(app.proc.pid))
        self.assert_flush_right(main, player)

        # Dropped 8 pixels from the main window's right edge: it docks, keeping its height.
        m = self.settled(main)
        self.move_frame(player, m[2] + 8, m[1] + 40)
        self.assert_flush_right(main, player, 40)
        # The main window moves, the docked player goes along with the same offset.
        self.move_frame(main, m[0] - 60, m[1] + 30)
        self.assert_flush_right(main, player, 40)
        # A wider main window (where the window manager lets it) pushes the player outward.
        m = self.settled(main)
        xdotool("windowsize", main, str(m[2] - m[0] + 40), str(m[3] - m[1]))
        time.sleep(0.8)
        self.assert_flush_right(main, player, 40)

        # Dropped 11 pixels away it stays where it was dropped, and the main window moves without it.
        m = self.settled(main)
        self.move_frame(player, m[2] + 11, m[1] + 40)
        p = self.settled(player)
        self.assertEqual((p[0], p[1]), (m[2] + 11, m[1] + 40))
        self.move_frame(main, m[0] + 50, m[1] - 20)
        self.assertEqual(self.settled(player)[:2], p[:2])

    def test_without_window_manager(self):
        self.drive()

    def test_under_openbox(self):
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=x_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertTrue(wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in x_run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True).stdout, 10))
        self.drive()


if __name__ == "__main__":
    unittest.main()
