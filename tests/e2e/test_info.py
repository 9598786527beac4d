"""The information window of a game, opened from the game list's menu with real X input: its place,
the game's picture fetched from the content server, and its share link's text on the X clipboard."""

import os
import re
import time
import unittest

from PIL import Image, ImageChops, ImageSequence, ImageStat

from harness import press_key, read, screenshot, wait_for, window_geometry, windows_of, x_run, xdotool
from test_play import ROW, TOP, Playing, catalogue

INFO_SIZE = (481, 280)
PICTURE = (28, 57, 100, 75)  # NetPicture1 in the window
SHARE_LINK = (48 + 20, 243 + 6)  # "游戏分享"


def game_fields(path, game_id):
    text = read(path).decode("gb18030")
    tag = re.search(r'<data id="%d"[^>]*>' % game_id, text).group(0)
    # The program keeps attribute values as written in the file, entities included.
    return dict(re.findall(r'(\w+)="([^"]*)"', tag))


def name_of(window):
    r = x_run(["xdotool", "getwindowname", window], capture_output=True, text=True)
    return r.stdout.rstrip("\n")


def clipboard():
    r = x_run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=5)
    return r.stdout.decode("utf-8", "replace") if r.returncode == 0 else None


def difference(shot, frame):
    """Mean channel difference between the shown area and a frame of the served picture."""
    expected = frame.convert("RGB").resize(shot.size, Image.BILINEAR)
    return sum(ImageStat.Stat(ImageChops.difference(shot, expected)).mean) / 3


class Info(Playing):
    def setUp(self):
        super().setUp()
        # The program's temporary picture files go here, where the test can see them.
        self.temporary = os.path.join(self.tmp, "tmp")
        os.makedirs(self.temporary)
        self.saved_tmpdir = os.environ.get("TMPDIR")
        os.environ["TMPDIR"] = self.temporary

    def tearDown(self):
        if self.saved_tmpdir is None:
            os.environ.pop("TMPDIR", None)
        else:
            os.environ["TMPDIR"] = self.saved_tmpdir
        super().tearDown()

    def picture_files(self):
        return [n for n in os.listdir(self.temporary) if n.startswith("tabrazo-read-")]

    def test_information_window_shows_the_picture_and_shares_the_game(self):
        app, main = self.start()
        _, games = catalogue(app.path("LDsend.Dll"))[0]
        # A game with a GIF thumbnail among the first rows of the first category.
        row = next(i for i, (game_id, _) in enumerate(games[:8]) if game_id % 3 == 0)
        game_id, _ = games[row]
        fields = game_fields(app.path("LDsend.Dll"), game_id)
        self.assertTrue(fields["litpic"].endswith(".gif"))
        self.server.requests_clear()

        # Right-click the game (which selects it), then "查看介绍", the menu's third item.
        before = windows_of(app.proc.pid)
        x, y, _, _ = window_geometry(main)
        xdotool("mousemove", "--sync", str(x + 212), str(y + TOP + row * ROW + ROW // 2))
        time.sleep(0.1)
        xdotool("click", "3")
        self.assertTrue(wait_for(lambda: [w for w in windows_of(app.proc.pid) if w not in before], 10), "no menu")
        xdotool("key", "Down", "Down", "Down", "Return")
        # The caption ends in a blank; xdotool's own name search does not take such text reliably.
        info = wait_for(lambda: ([w for w in windows_of(app.proc.pid) if name_of(w) == "游戏介绍 "] or [None])[0], 10)
        self.assertTrue(info, "no information window")
        ix, iy, iw, ih = window_geometry(info)
        self.assertEqual((iw, ih), INFO_SIZE)
        # The first time in the middle of the screen.
        self.assertLessEqual(abs(ix + iw // 2 - 640), 1)
        self.assertLessEqual(abs(iy + ih // 2 - 512), 1)

        # The thumbnail's file was asked for, and its pixels are on screen.
        self.assertTrue(wait_for(lambda: "GET /" + fields["litpic"] in self.server.requests(), 10),
                        self.server.requests())
        frames = [f.copy() for f in ImageSequence.Iterator(Image.open(os.path.join(self.site, fields["litpic"])))]
        px, py, pw, ph = PICTURE
        box = (ix + px, iy + py, ix + px + pw, iy + py + ph)

        def shows_picture():
            shot = screenshot(os.path.join(self.tmp, "info.png")).crop(box)
            return min(difference(shot, frame) for frame in frames) < 12
        self.assertTrue(wait_for(shows_picture, 15, 0.5), "the window does not show the game's picture")

        # "游戏分享": the recommendation text on the clipboard, and the message saying so.
        before = windows_of(app.proc.pid)
        xdotool("mousemove", "--sync", str(ix + SHARE_LINK[0]), str(iy + SHARE_LINK[1]))
        time.sleep(0.1)
        xdotool("click", "1")
        box = wait_for(lambda: ([w for w in windows_of(app.proc.pid) if w not in before] or [None])[0], 10)
        self.assertTrue(box, "no message box")
        expected = "我在Tabrazo上面发现了一款很好玩的游戏，名字叫%s-%s游戏地址是：%s" % (
            fields["title"], fields["flashsay"], fields["flashurl"])
        self.assertEqual(wait_for(lambda: clipboard() == expected and expected, 10) or clipboard(), expected)
        press_key(box, "Return")
        self.assertTrue(wait_for(lambda: box not in windows_of(app.proc.pid), 10))
        self.assertTrue(app.running())

        # The animated picture reads its one file; nothing lands in the program folder, and the
        # file goes when the program ends.
        self.assertLessEqual(len(self.picture_files()), 1, os.listdir(self.temporary))
        self.assertEqual(self.leftovers(), [])
        x, y, w, h = window_geometry(main)
        xdotool("mousemove", "--sync", str(x + w - 18), str(y + 10))
        xdotool("click", "1")
        self.assertEqual(app.wait_exit(10), 0)
        self.assertEqual(self.picture_files(), [])


if __name__ == "__main__":
    unittest.main()
