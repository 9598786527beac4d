"""Start-up, refresh and shutdown of the real program against the content server."""

import os
import time
import unittest

from PIL import Image, ImageChops, ImageStat

from harness import EndToEnd, press_key, read, screenshot, wait_for, window_geometry, windows_of, xdotool

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
