#!/usr/bin/env python3
"""Double-click to the first frame of the 2 MB demo game on screen, on loopback.

Usage: bench/play/run.py [BUILD_DIR] [RUNS]   (needs a DISPLAY, e.g. Xvfb, and xdotool)

Figures, each a median over RUNS:
  first start   a fresh program folder, the first double-click of the run: the player window
                opens, the web engine and Ruffle start, the file is fetched
  not cached    the player already running, the file fetched again into an empty cache
  cached        the player already running, the cache file already there
"""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build")
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
sys.path.insert(0, os.path.join(ROOT, "demo"))
sys.path.insert(0, "/usr/lib/python3/dist-packages")
import movies  # noqa: E402
from generate import DEFAULT_SEED  # noqa: E402

BIG = 19
ROW = 21  # list rows, with the bundled font
TOP = 100  # first row of a list in the main window


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def wait_for(condition, timeout=30.0, what="the program"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise SystemExit("timed out waiting for " + what)


def geometry(window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def catalogue(path):
    text = open(path, "rb").read().decode("gb18030")
    return [[(int(m.group(1)), m.group(2)) for m in re.finditer(r'<data id="(\d+)" title="([^"]*)"', b.group(1))]
            for b in re.finditer(r'<category name="[^"]*">(.*?)</category>', text, re.S)]


class Run:
    def __init__(self, home, base):
        env = dict(os.environ, TABRAZO_HOME=home, TABRAZO_SERVER=base)
        self.home = home
        self.proc = subprocess.Popen([os.path.join(BUILD, "tabrazo")], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.main = wait_for(lambda: (xdotool("search", "--onlyvisible", "--pid", str(self.proc.pid), "--name", "^Tabrazo$") or [None])[0],
                             what="the main window")
        site = open(os.path.join(SITE, "flashxmlfile/gamelist.xml"), "rb").read()
        wait_for(lambda: os.path.exists(self.path("LDsend.Dll")) and open(self.path("LDsend.Dll"), "rb").read() == site,
                 what="the catalogue")
        time.sleep(0.5)
        self.cats = catalogue(self.path("LDsend.Dll"))

    def path(self, name):
        return os.path.join(self.home, name)

    def locate(self, game_id):
        for c, games in enumerate(self.cats):
            for g, (i, title) in enumerate(games):
                if i == game_id:
                    return c, g, title
        raise SystemExit("no game %d" % game_id)

    def point_at(self, game_id):
        """Selects the game's category and puts the pointer on its row of List2."""
        c, g, _ = self.locate(game_id)
        x, y, _, _ = geometry(self.main)
        xdotool("mousemove", "--sync", str(x + 50), str(y + TOP + c * ROW + ROW // 2))
        xdotool("click", "1")
        time.sleep(0.3)
        xdotool("mousemove", "--sync", str(x + 212), str(y + TOP + g * ROW + ROW // 2))
        time.sleep(0.1)

    def player(self):
        return wait_for(lambda: ([w for w in xdotool("search", "--onlyvisible", "--pid", str(self.proc.pid)) if w != self.main] or [None])[0],
                        what="the player window")

    def first_frame(self, game_id, area):
        (r, g, b), _ = movies.game_colors(game_id, DEFAULT_SEED)
        out = subprocess.run([os.path.join(BUILD, "bench", "play", "bench_firstframe"), *map(str, area),
                              str(r), str(g), str(b), "0.25"], capture_output=True, text=True).stdout.strip()
        if not out.isdigit():
            raise SystemExit("game %d never showed (%s)" % (game_id, out))
        return int(out)

    def stop(self):
        self.proc.kill()
        self.proc.wait()


def movie_area(player):
    x, y, w, h = geometry(player)
    return x + 10, y + 35, w - 20, h - 175


def median(values):
    return "median %.0f ms (min %d, max %d, %d runs)" % (statistics.median(values), min(values), max(values), len(values))


def serve_demo(tmp, program):
    """The content server on a fresh demo site in tmp, and a program folder seeded for it."""
    global SITE
    SITE = os.path.join(tmp, "site")
    os.makedirs(SITE)
    server = subprocess.Popen([os.path.join(BUILD, "tools/contentserver/tabrazo-contentserver"), "--root", SITE,
                               "--port", "0"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    base = "http://" + server.stdout.readline().split()[-1]
    subprocess.run([sys.executable, os.path.join(ROOT, "demo/generate.py"), "--site", SITE, "--program", program,
                    "--base", base], check=True, capture_output=True)
    return server, base


def main():
    tmp = tempfile.mkdtemp(prefix="bench-play-")
    try:
        seed = os.path.join(tmp, "seed")
        server, base = serve_demo(tmp, seed)
        size = os.path.getsize(os.path.join(SITE, "flash/%d.swf" % BIG))

        # Where the player window opens, learnt once.
        home = os.path.join(tmp, "probe")
        shutil.copytree(seed, home)
        run = Run(home, base)
        run.point_at(BIG)
        xdotool("click", "--repeat", "2", "--delay", "60", "1")
        area = movie_area(run.player())
        run.stop()

        first = []
        for i in range(RUNS):
            home = os.path.join(tmp, "first%d" % i)
            shutil.copytree(seed, home)
            run = Run(home, base)
            run.point_at(BIG)
            first.append(run.first_frame(BIG, area))
            run.stop()

        home = os.path.join(tmp, "warm")
        shutil.copytree(seed, home)
        run = Run(home, base)
        small = run.cats[0][0][0]
        run.point_at(small)
        run.first_frame(small, area)
        _, _, title = run.locate(BIG)
        cold, cached = [], []
        for i in range(RUNS):
            cache_file = run.path(os.path.join("GamePath", title + ".swf"))
            if os.path.exists(cache_file):
                os.remove(cache_file)
            run.point_at(BIG)
            cold.append(run.first_frame(BIG, area))
            run.point_at(small)
            run.first_frame(small, area)
            run.point_at(BIG)
            cached.append(run.first_frame(BIG, area))
            run.point_at(small)
            run.first_frame(small, area)
        run.stop()
        server.terminate()

        print("double-click to first frame, %d-byte game on loopback:" % size)
        print("  first start  ", median(first))
        print("  not cached   ", median(cold))
        print("  cached       ", median(cached))
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
