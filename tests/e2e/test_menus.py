"""The main window driven like a desktop program: its links, its notice line, a right-click menu
chosen with the keyboard, and minimising to a real tray host and back (or, without one, not)."""

import os
import sqlite3
import stat
import subprocess
import time
import unittest

from harness import click_at, press_key, wait_for, window_geometry, windows_of, x_env, xdotool
from test_play import ROW, TOP, Playing, catalogue


class Menus(Playing):
    def setUp(self):
        super().setUp()
        # Qt hands addresses to xdg-open; this one only writes them down.
        self.opened_file = os.path.join(self.tmp, "opened.txt")
        bindir = os.path.join(self.tmp, "bin")
        os.makedirs(bindir)
        opener = os.path.join(bindir, "xdg-open")
        with open(opener, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % self.opened_file)
        os.chmod(opener, os.stat(opener).st_mode | stat.S_IEXEC)
        self.saved_path = os.environ["PATH"]
        os.environ["PATH"] = bindir + os.pathsep + self.saved_path
        self.tray = None

    def tearDown(self):
        os.environ["PATH"] = self.saved_path
        if self.tray:
            self.tray.terminate()
            self.tray.wait(5)
        super().tearDown()

    def opened(self):
        if not os.path.exists(self.opened_file):
            return []
        with open(self.opened_file) as f:
            return f.read().splitlines()

    def log_text(self, app):
        app.log.flush()
        with open(app.log.name, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def visible(self, app, window):
        return window in windows_of(app.proc.pid)

    def test_links_notice_and_right_click_menu(self):
        app, main = self.start()
        # FkButton, then the official-site link at the foot of the window.
        self.click(main, 221, 10)
        self.assertTrue(wait_for(lambda: len(self.opened()) == 1, 10), self.opened())
        self.click(main, 275, 560)
        self.assertTrue(wait_for(lambda: len(self.opened()) == 2, 10), self.opened())
        self.assertEqual(self.opened(), [self.server.base + "/forum.php?mod=forumdisplay&fid=36",
                                         self.server.base + "/"])

        # The notice line: empty at installation, the first notice 15 seconds later; its click
        # opens the notice's page.
        self.assertTrue(wait_for(lambda: "/ad1.txt" in " ".join(self.server.requests()), 20))
        time.sleep(16)
        self.click(main, 14, 560)
        self.assertTrue(wait_for(lambda: len(self.opened()) == 3, 10), self.opened())
        self.assertEqual(self.opened()[2], self.server.base + "/notice/1.html")

        # Right-click on the second game, then "添加收藏" chosen with the keyboard.
        category, games = catalogue(app.path("LDsend.Dll"))[0]
        _, title = games[1]
        before = windows_of(app.proc.pid)
        self.click_button(main, 112 + 100, TOP + ROW + ROW // 2, 3)
        menu = wait_for(lambda: ([w for w in windows_of(app.proc.pid) if w not in before] or [None])[0], 10)
        self.assertTrue(menu, "no menu")
        xdotool("key", "Down", "Down", "Return")
        self.assertTrue(wait_for(lambda: "《%s-%s》已经成功添加至收藏列表" % (category, title) in self.log_text(app), 10))
        box = wait_for(lambda: ([w for w in windows_of(app.proc.pid) if w not in before] or [None])[0], 10)
        press_key(box, "Return")
        with sqlite3.connect(app.path("Favorite.mdb")) as db:
            self.assertEqual([r[0].rstrip() for r in db.execute("select [name] from Favorite")], [title])

    def click_button(self, main, dx, dy, button):
        x, y, _, _ = window_geometry(main)
        xdotool("mousemove", "--sync", str(x + dx), str(y + dy))
        time.sleep(0.1)
        xdotool("click", str(button))

    def test_minimise_to_a_tray_host_and_back(self):
        self.tray = subprocess.Popen(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                      "--width", "64", "--heighttype", "pixel", "--height", "24"], env=x_env(),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        app, main = self.start()
        self.click(main, 273, 10)  # ZuiXH
        self.assertTrue(wait_for(lambda: not self.visible(app, main), 10), "the main window stays")
        panel = wait_for(lambda: (xdotool("search", "--onlyvisible", "--class", "trayer") or [None])[0], 10)
        self.assertTrue(panel, "no tray panel")
        px, py, pw, ph = window_geometry(panel)
        # The only icon in the panel, packed to its right end: a left click brings the window back.
        click_at(px + pw - 12, py + ph // 2)
        self.assertTrue(wait_for(lambda: self.visible(app, main), 10), "the tray icon did not restore the window")

        # The right button opens the tray menu; its last item, "退出", ends the program.
        before = windows_of(app.proc.pid)
        click_at(px + pw - 12, py + ph // 2, button=3)
        self.assertTrue(wait_for(lambda: [w for w in windows_of(app.proc.pid) if w not in before], 10), "no menu")
        xdotool("key", "Up", "Return")
        self.assertEqual(app.wait_exit(15), 0)

    def test_minimise_without_a_tray_host(self):
        app, main = self.start()
        self.click(main, 273, 10)  # ZuiXH
        time.sleep(2)
        # Nowhere to come back from: the window is not hidden.
        self.assertTrue(self.visible(app, main))
        self.assertTrue(app.running())


if __name__ == "__main__":
    unittest.main()
