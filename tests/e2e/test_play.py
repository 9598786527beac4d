"""Picking a game and playing it: the real program, real X input, Ruffle drawing the movie."""

import os
import re
import sys
import time
import unittest

from harness import EndToEnd, read, screenshot, wait_for, window_geometry, windows_of, x_run, xdotool

sys.path.insert(0, os.path.join(os.path.dirname(os.environ["TABRAZO_DEMO_GENERATOR"])))
import movies  # noqa: E402  (the demo's own colour rule for each game)
from generate import DEFAULT_SEED  # noqa: E402

CATALOGUE = "flashxmlfile/gamelist.xml"
ROW = 21  # list rows are as high as the list font's line: 21 pixels with the bundled font
TOP = 100  # the first row of every list, below the list's border, in main window coordinates


def catalogue(path):
    """[(category name, [(id, title), ...]), ...] in file order."""
    text = read(path).decode("gb18030")
    result = []
    for block in re.finditer(r'<category name="([^"]*)">(.*?)</category>', text, re.S):
        games = [(int(m.group(1)), m.group(2).replace("&amp;", "&"))
                 for m in re.finditer(r'<data id="(\d+)" title="([^"]*)"', block.group(2))]
        result.append((block.group(1), games))
    return result


def basic_rnd():
    """The 24-bit generator of classic BASIC, from its fixed seed."""
    x = 327680
    while True:
        x = (x * 1140671485 + 12820163) % (1 << 24)
        yield x / (1 << 24)


def window_name(window):
    return x_run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout.strip()


def hero_x(image, box):
    """Mean x of the near-white pixels (the demo's hero is the only white shape), or None."""
    region = image.crop(box)
    xs = [i % region.width for i, p in enumerate(region.getdata()) if min(p) > 235]
    return sum(xs) / len(xs) if len(xs) > 20 else None


def colour_share(image, colour, box):
    """Share of sampled pixels in box close to colour."""
    region = image.crop(box)
    pixels = list(region.getdata())[::7]
    near = sum(1 for p in pixels if sum(abs(a - b) for a, b in zip(p, colour)) < 36)
    return near / max(1, len(pixels))


class Playing(EndToEnd):
    """Starting the program, clicking its lists and checking what the player shows."""

    def start(self):
        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        site = self.site_file(CATALOGUE)
        self.assertTrue(wait_for(lambda: os.path.exists(app.path("LDsend.Dll")) and read(app.path("LDsend.Dll")) == site, 30))
        time.sleep(1)
        return app, main

    def click(self, main, dx, dy, double=False):
        x, y, _, _ = window_geometry(main)
        xdotool("mousemove", "--sync", str(x + dx), str(y + dy))
        time.sleep(0.1)
        xdotool("click", "--repeat", "2" if double else "1", "--delay", "60", "1")

    def player_window(self, app, main):
        def find():
            others = [w for w in windows_of(app.proc.pid) if w != main]
            return others[0] if others else None
        return wait_for(find, 20)

    def assert_plays(self, app, main, game_id, title, shot_name):
        """The cache holds the served file, the caption names the game, and the player shows the movie."""
        cached = app.path(os.path.join("GamePath", title + ".swf"))
        served = self.site_file("flash/%d.swf" % game_id)
        self.assertTrue(wait_for(lambda: os.path.exists(cached) and read(cached) == served, 30),
                        "no cache file for " + title)
        player = self.player_window(app, main)
        self.assertTrue(player, "no player window")
        self.assertTrue(wait_for(lambda: window_name(player) == "您当前正在玩的游戏是：《%s》" % title, 10),
                        window_name(player))
        background, _ = movies.game_colors(game_id, DEFAULT_SEED)
        self.assert_player_shows(player, background, shot_name)
        return cached

    def assert_player_shows(self, player, colour, shot_name):
        px, py, pw, ph = window_geometry(player)
        # The movie's area: below the tool strip, above the information strip.
        box = (px + 10, py + 35, px + pw - 10, py + ph - 140)
        share = wait_for(lambda: colour_share(screenshot(os.path.join(self.tmp, shot_name)), colour, box) > 0.25, 40, 0.5)
        self.assertTrue(share, "the player does not show the movie's colours (%s)" % shot_name)


class Play(Playing):
    def test_double_click_plays_the_game_and_the_cache_serves_the_next_start(self):
        app, main = self.start()
        category, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        # List2 lies at (112, 99) in the main window; its second row.
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        cached = self.assert_plays(app, main, game_id, title, "first.png")
        self.assertEqual(self.leftovers(), [])

        # The game has the keyboard without a click: the arrow key moves its hero.
        px, py, pw, ph = window_geometry(self.player_window(app, main))
        box = (px + 10, py + 35, px + pw - 10, py + ph - 140)
        before = hero_x(screenshot(os.path.join(self.tmp, "before.png")), box)
        xdotool("keydown", "Right")
        time.sleep(1.0)
        xdotool("keyup", "Right")
        after = hero_x(screenshot(os.path.join(self.tmp, "after.png")), box)
        self.assertIsNotNone(before)
        self.assertIsNotNone(after)
        self.assertGreater(after - before, 20, "the arrow key did not reach the game")
        first_copy = read(cached)

        # The server's file changes; the cache is write-once, so the next start plays the old copy.
        app.kill()
        replacement = self.site_file("flash/%d.swf" % games[0][0])
        with open(os.path.join(self.site, "flash/%d.swf" % game_id), "wb") as f:
            f.write(replacement)
        self.server.requests_clear()
        app, main = self.start()
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assertTrue(wait_for(lambda: "GET /flash/%d.swf" % game_id in self.server.requests(), 20))
        player = self.player_window(app, main)
        background, _ = movies.game_colors(game_id, DEFAULT_SEED)
        self.assert_player_shows(player, background, "second.png")
        self.assertEqual(read(cached), first_copy)
        self.assertEqual([n for n in os.listdir(app.path("GamePath"))], [title + ".swf"])
        self.assertEqual(self.leftovers(), [])

    def test_random_pick_plays(self):
        app, main = self.start()
        cats = catalogue(app.path("LDsend.Dll"))
        rnd = basic_rnd()
        # The first pick, drawn as the program draws it.
        c = int(next(rnd) * (len(cats) - 1) + 1)
        games = cats[c - 1][1]
        g = int(next(rnd) * (len(games) - 1) + 1)
        game_id, title = games[g - 1]
        # SbpLAY, then the first row of ListSB at (3, 99).
        self.click(main, 244, 84)
        time.sleep(1)
        self.click(main, 3 + 150, TOP + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "random.png")

    def test_search_result_plays(self):
        app, main = self.start()
        found = [(game_id, title) for _, games in catalogue(app.path("LDsend.Dll")) for game_id, title in games
                 if "2" in title]
        self.assertTrue(found, "the demo catalogue has no title with a 2 in it")
        # Text4, type, then SerImg.
        self.click(main, 108, 47)
        xdotool("type", "--delay", "50", "2")
        self.click(main, 223, 45)
        time.sleep(1)
        self.click(main, 112 + 100, TOP + ROW // 2, double=True)
        game_id, title = found[0]
        self.assert_plays(app, main, game_id, title, "search.png")


if __name__ == "__main__":
    unittest.main()


class ServerDown(Playing):
    """The content server cannot be reached: what the program has on disk still plays."""

    def test_cached_catalogue_and_game_without_the_server(self):
        _, games = catalogue(os.path.join(self.home, "LDsend.Dll"))[0]
        cached_id, cached_title = games[1]
        # A title the caption and the cache file name show as the list does.
        missing_row = next(i for i in range(2, len(games)) if "&" not in games[i][1])
        missing_title = games[missing_row][1]
        os.makedirs(os.path.join(self.home, "GamePath"), exist_ok=True)
        with open(os.path.join(self.home, "GamePath", cached_title + ".swf"), "wb") as f:
            f.write(self.site_file("flash/%d.swf" % cached_id))
        # Its port closed: every connection is refused.
        self.server.stop()
        app = self.app(env={"QT_LOGGING_RULES": "tabrazo.catalogue.debug=true"}).start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        x, y, w, h = window_geometry(main)

        def lists_filled():
            rows = screenshot(os.path.join(self.tmp, "lists.png")).crop((x + 10, y + 105, x + w - 10, y + 200))
            return len(set(rows.getdata())) > 20

        def failed_requests():
            app.log.flush()
            return read(app.log.name).count(b"version request failed")
        self.assertTrue(wait_for(lists_filled, 5, 0.25), "the cached catalogue is not listed")
        self.assertEqual(failed_requests(), 1)

        # "重载游戏列表" from the game-list button's drop-down: the lists come back from the cache.
        self.click(main, 82, 85)
        time.sleep(0.5)
        xdotool("key", "Down", "Return")
        self.assertTrue(wait_for(lambda: failed_requests() == 2, 5), "the list was not reloaded")
        self.assertTrue(wait_for(lists_filled, 5, 0.25), "the reload emptied the lists")

        # A game never stored says it could not be fetched.
        self.click(main, 112 + 100, TOP + missing_row * ROW + ROW // 2, double=True)
        player = self.player_window(app, main)
        self.assertTrue(player, "no player window")
        self.assertTrue(wait_for(lambda: window_name(player) == "您当前正在玩的游戏是：《%s》" % missing_title, 10))

        def said():
            app.log.flush()
            return ("no copy is cached: \"%s\"" % missing_title).encode() in read(app.log.name)
        self.assertTrue(wait_for(said, 10), "no failure for the game that is not cached")
        # A game stored by an earlier start plays from the cache (full screen, which covers the lists).
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        background, _ = movies.game_colors(cached_id, DEFAULT_SEED)
        self.assert_player_shows(player, background, "cached.png")

        self.assertFalse(os.path.exists(app.path(os.path.join("GamePath", missing_title + ".swf"))))
        self.assertTrue(app.running())


class DroppedDownload(Playing):
    """A game whose first answer breaks off half-way: the rest is fetched, and the game plays."""

    def test_a_reset_download_resumes_and_plays(self):
        app, main = self.start()
        _, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        path = "/flash/%d.swf" % game_id
        import urllib.request
        with urllib.request.urlopen("%s/__fault?path=%s&mode=reset:1" % (self.server.base, path), timeout=5) as r:
            self.assertEqual(r.status, 200)
        self.server.requests_clear()
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "resumed.png")
        asked = [line for line in self.server.requests() if line.startswith("GET " + path)]
        self.assertTrue(any(line.startswith("GET %s Range: bytes=" % path) for line in asked), asked)
        self.assertEqual(self.leftovers(), [])
