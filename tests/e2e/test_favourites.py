"""A favourite from the player's button, kept in Favorite.mdb, played again from the favourites list."""

import os
import sqlite3
import time
import unittest

from harness import press_key, wait_for, window_geometry, windows_of, xdotool
from test_play import ROW, TOP, Playing, catalogue


class Favourites(Playing):
    def log_text(self, app):
        app.log.flush()
        with open(app.log.name, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def answer_box(self, app, before, text):
        """Waits for the message box that says text, a window new since before, and answers it."""
        self.assertTrue(wait_for(lambda: ("message box: " + text) in self.log_text(app), 10), "no box: " + text)
        box = wait_for(lambda: ([w for w in windows_of(app.proc.pid) if w not in before] or [None])[0], 10)
        self.assertTrue(box, "the box is not on screen: " + text)
        press_key(box, "Return")
        if not wait_for(lambda: box not in windows_of(app.proc.pid), 3):
            # The game may have taken the keyboard back: press the box's only button instead.
            x, y, w, h = window_geometry(box)
            self.click_screen(x + w - 50, y + h - 24)
        self.assertTrue(wait_for(lambda: box not in windows_of(app.proc.pid), 10), "the box stays: " + text)

    def stored(self, app):
        with sqlite3.connect(app.path("Favorite.mdb")) as db:
            return db.execute("select [Style], [name], flashurl from Favorite order by rowid").fetchall()

    def test_add_from_the_player_and_play_from_the_favourites(self):
        app, main = self.start()
        category, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "first.png")
        player = self.player_window(app, main)

        # FlashSC, the first button of the player's tool strip.
        def press_add():
            px, py, _, _ = window_geometry(player)
            before = windows_of(app.proc.pid)
            self.click_screen(px + 40, py + 12)
            return before

        before = press_add()
        self.answer_box(app, before, "《%s-%s》已经成功添加至收藏列表！请到收藏列表中查看！" % (category, title))
        rows = self.stored(app)
        self.assertEqual(len(rows), 1)
        self.assertEqual(rows[0][0], category.ljust(10)[:10])
        self.assertEqual(rows[0][1], title.ljust(50))
        self.assertEqual(rows[0][2].rstrip(), "%s/flash/%d.swf" % (self.server.base, game_id))

        before = press_add()
        self.answer_box(app, before, "该游戏已经存在于收藏列表了，请勿重复添加！")
        self.assertEqual(len(self.stored(app)), 1)

        # ScList, then a double-click on the favourite plays it from the cache.
        self.click(main, 148, 84)
        time.sleep(1)
        self.server.requests_clear()
        self.click(main, 3 + 150, TOP + ROW // 2, double=True)
        self.assertTrue(wait_for(lambda: "GET /flash/%d.swf" % game_id in self.server.requests(), 20))
        self.assert_plays(app, main, game_id, title, "favourite.png")
        self.assertEqual(os.listdir(app.path("GamePath")), [title + ".swf"])
        self.assertEqual(self.leftovers(), [])

    def click_screen(self, x, y):
        xdotool("mousemove", "--sync", str(x), str(y))
        time.sleep(0.1)
        xdotool("click", "1")


if __name__ == "__main__":
    unittest.main()
