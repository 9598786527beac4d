"""Start-up, refresh and shutdown of the real program against the content server."""

import os
import time
import unittest

from PIL import Image, ImageChops, ImageStat

from harness import EndToEnd, press_key, read, screenshot, wait_for, window_geometry, windows_of, xdotool
from test_play import ROW, TOP, Playing, catalogue

CATALOGUE = "flashxmlfile/gamelist.xml"
VERSION = "flashxmlfile/version.xml"
SKIN = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "skin")


class FirstStart(EndToEnd):
    def test_refreshes_the_seeded_folder_and_shows_the_catalogue(self):
        seeded_config = read(os.path.join(self.home, "Config.dll"))
        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")

        # The server's catalogue is newer than the seeded one: it is fetched and installed whole.
        catalogue = self.site_file(CATALOGUE)
        self.assertTrue(wait_for(lambda: read(app.path("LDsend.Dll")) == catalogue, 20))
        self.assertTrue(wait_for(lambda: read(app.path("VerTmp.Dll")) == self.site_file(VERSION), 10))
        self.assertEqual(read(app.path("VerSionIng.Dll")), self.site_file(VERSION))
        self.assertTrue(os.path.isdir(app.path("GamePath")))

        # The notice file comes after the five-second pause and never replaces an existing settings file.
        self.assertTrue(wait_for(lambda: "GET /ad1.txt" in "\n".join(self.server.requests()), 15))
        requests = self.server.requests()
        self.assertIn("GET /beta3/beta3tongji.html", requests)
        self.assertLess(requests.index("GET /flashxmlfile/version.xml"), requests.index("GET /ad1.txt"))
        time.sleep(1)
        config = read(app.path("Config.dll")).splitlines()
        for line in seeded_config.splitlines():
            self.assertIn(line, config)
        self.assertEqual(self.leftovers(), [])

        # The category list and the game list show rows: the list area is not just its background.
        x, y, w, h = window_geometry(main)
        shot = screenshot(os.path.join(self.tmp, "first.png"))
        list_area = shot.crop((x + 10, y + 105, x + w - 10, y + 200))
        self.assertGreater(len(set(list_area.getdata())), 20, "the lists look empty")
        # The colour key cuts the window's corner away; the centre of the header is the skin's.
        self.assertNotEqual(shot.getpixel((x, y)), (246, 0, 255))

    def test_second_start_is_refused_and_the_first_one_keeps_running(self):
        first = self.app().start()
        self.assertTrue(self.main_window(first))
        second = self.app().start()
        box = wait_for(lambda: (windows_of(second.proc.pid) or [None])[0], 15)
        self.assertTrue(box, "no message box from the second copy")
        press_key(box, "Return")
        self.assertEqual(second.wait_exit(10), 0)
        self.assertTrue(first.running())
        self.assertTrue(windows_of(first.proc.pid, "^Tabrazo$"))

    def test_cached_catalogue_is_loaded_when_the_server_is_not_newer(self):
        with open(os.path.join(self.home, "VerTmp.Dll"), "wb") as f:
            f.write(self.site_file(VERSION))
        seeded = read(os.path.join(self.home, "LDsend.Dll"))
        app = self.app().start()
        self.assertTrue(self.main_window(app))
        self.assertTrue(wait_for(lambda: "GET /flashxmlfile/version.xml" in self.server.requests(), 10))
        time.sleep(2)
        self.assertNotIn("GET /" + CATALOGUE, self.server.requests())
        self.assertEqual(read(app.path("LDsend.Dll")), seeded)


class EmptyFolder(Playing):
    """A new user: a program folder that does not exist yet, nothing seeded."""

    def test_first_start_asks_nothing_fills_the_lists_and_plays(self):
        self.home = os.path.join(self.tmp, "new", "Tabrazo")
        os.makedirs(os.path.dirname(self.home))
        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        # The catalogue comes from where the server's version file says, and that file is kept.
        catalogue_bytes = self.site_file(CATALOGUE)
        self.assertTrue(wait_for(lambda: os.path.exists(app.path("LDsend.Dll"))
                                 and read(app.path("LDsend.Dll")) == catalogue_bytes, 30))
        self.assertTrue(wait_for(lambda: os.path.exists(app.path("VerTmp.Dll")), 10))
        self.assertEqual(read(app.path("VerTmp.Dll")), self.site_file(VERSION))
        time.sleep(1)
        _, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "new-user.png")

        # The notice line shows the notices, and not one message box came up meanwhile.
        self.assertTrue(wait_for(lambda: "GET /ad1.txt" in self.server.requests(), 15))
        x, y, w, h = window_geometry(main)

        def notice_shown():
            line = screenshot(os.path.join(self.tmp, "notice.png")).crop((x + 7, y + 553, x + 250, y + 567))
            return len(set(line.getdata())) > 8
        # The rotation starts with an empty line; the first notice follows 15 seconds later.
        self.assertTrue(wait_for(lambda: not notice_shown(), 15, 0.5), "the notice line never went empty")
        self.assertTrue(wait_for(notice_shown, 25, 1), "no notice on the notice line")
        app.log.flush()
        self.assertNotIn(b"message box:", read(app.log.name))
        self.assertEqual(sorted(windows_of(app.proc.pid)), sorted([main, self.player_window(app, main)]))
        config = read(app.path("Config.dll")).decode("gb18030")
        self.assertIn("增加音量=0", config)
        self.assertIn("[AD1]", config)


class Shutdown(EndToEnd):
    def test_close_button_ends_the_program(self):
        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main)
        x, y, w, h = window_geometry(main)
        # Guanbi sits at the top right corner of the main window.
        xdotool("mousemove", "--sync", str(x + w - 18), str(y + 10))
        xdotool("click", "1")
        self.assertEqual(app.wait_exit(10), 0)


@unittest.skipUnless(os.geteuid() == 0, "needs a network namespace of its own")
class Offline(EndToEnd):
    def offline_app(self):
        return self.app(wrap=["unshare", "-n"]).start()

    def question(self, app):
        return wait_for(lambda: (windows_of(app.proc.pid) or [None])[0], 15)

    def test_answer_no_ends_before_any_window(self):
        app = self.offline_app()
        box = self.question(app)
        self.assertTrue(box, "no offline question")
        press_key(box, "Escape")
        self.assertEqual(app.wait_exit(10), 0)
        self.assertFalse(os.path.exists(app.path("GamePath")))

    def test_answer_yes_runs_in_offline_mode(self):
        seeded = read(os.path.join(self.home, "LDsend.Dll"))
        app = self.offline_app()
        box = self.question(app)
        self.assertTrue(box)
        press_key(box, "Return")
        main = self.main_window(app)
        self.assertTrue(main, "no main window after Yes")
        time.sleep(2)
        x, y, w, h = window_geometry(main)
        shot = screenshot(os.path.join(self.tmp, "offline.png"))
        # The offline cover lies over the lists: the screen there shows the cover's picture.
        cover = shot.crop((x + 3, y + 99, x + 3 + 322, y + 99 + 444))
        picture = Image.open(os.path.join(SKIN, "DJ.png")).convert("RGB").resize(cover.size)
        difference = ImageStat.Stat(ImageChops.difference(cover, picture)).mean
        self.assertTrue(app.running())
        self.assertEqual(read(app.path("LDsend.Dll")), seeded)
        self.assertTrue(os.path.isdir(app.path("GamePath")))
        self.assertLess(max(difference), 12)
        # The search box says why it is disabled.
        search = shot.crop((x + 8, y + 36, x + 200, y + 56))
        self.assertGreater(len(set(search.getdata())), 10)


if __name__ == "__main__":
    unittest.main()
