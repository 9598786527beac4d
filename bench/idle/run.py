#!/usr/bin/env python3
"""What the program costs when nothing happens, and what an evening of games leaves behind.

Usage: bench/idle/run.py [BUILD_DIR] [GAMES]   (needs a DISPLAY, e.g. Xvfb, and xdotool)

Figures, summed over the program and its web engine processes:
  idle               CPU share of one core and wakeups (context switches) per second over 60 s, with
                     both windows open and no game, and with the 2 MB demo game loaded but the player
                     window hidden (paused); whether an audio output thread exists then
  playing            CPU share while the 2 MB demo game plays, over 30 s, beside the same movie in
                     Ruffle in a bare QWebEngineView page of the player's size (bench_bareruffle)
  memory             RSS of the program and the web engine's total after the first game and after
                     GAMES (default 30) games played one after another, each time with the player
                     window hidden and 20 s to settle
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import types

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build")
GAMES = int(sys.argv[2]) if len(sys.argv) > 2 else 30
os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")


def load(name, path):
    """Another benchmark's run.py as a module (they share a file name, so no plain import)."""
    module = types.ModuleType(name)
    module.__file__ = path
    sys.argv, saved = [path, BUILD], sys.argv
    with open(path) as f:
        exec(compile(f.read(), path, "exec"), module.__dict__)
    sys.argv = saved
    return module


play = load("bench_play", os.path.join(ROOT, "bench", "play", "run.py"))
menus = load("bench_menus", os.path.join(ROOT, "bench", "menus", "run.py"))
TICK = os.sysconf("SC_CLK_TCK")


def threads(pid):
    """{(pid, tid): (cpu ticks, context switches)} and the thread names, over the process tree."""
    counts = {}
    names = []
    for p in menus.tree(pid):
        try:
            tasks = os.listdir(f"/proc/{p}/task")
        except OSError:
            continue
        for t in tasks:
            try:
                with open(f"/proc/{p}/task/{t}/stat") as f:
                    stat = f.read()
                with open(f"/proc/{p}/task/{t}/status") as f:
                    status = f.read().splitlines()
            except OSError:
                continue
            names.append(stat[stat.index("(") + 1:stat.rindex(")")])
            fields = stat.rsplit(")", 1)[1].split()
            counts[(p, t)] = (int(fields[11]) + int(fields[12]),
                              sum(int(line.split()[1]) for line in status if "ctxt_switches" in line))
    return counts, names


def measure(pid, seconds):
    """Threads that start or end during the measurement count from zero or up to their last look."""
    before, _ = threads(pid)
    time.sleep(seconds)
    after, names = threads(pid)
    ticks = sum(a[0] - before.get(k, (0, 0))[0] for k, a in after.items())
    switches = sum(a[1] - before.get(k, (0, 0))[1] for k, a in after.items())
    audio = any(n.startswith("AudioOutputDev") for n in names)
    return 100.0 * ticks / TICK / seconds, switches / seconds, audio


def rss_kb(pid):
    def one(p):
        try:
            with open(f"/proc/{p}/status") as f:
                return next(int(line.split()[1]) for line in f if line.startswith("VmRSS"))
        except (OSError, StopIteration):
            return 0
    tree = menus.tree(pid)
    return one(pid), sum(one(p) for p in tree[1:])


def toggle_player(run):
    x, y, _, _ = play.geometry(run.main)
    play.xdotool("mousemove", "--sync", str(x + 283), str(y + 45))
    play.xdotool("click", "1")
    time.sleep(1)


def start_game(run, game_id):
    run.point_at(game_id)
    play.xdotool("click", "--repeat", "2", "--delay", "60", "1")
    _, _, title = run.locate(game_id)
    # The cache names files as the program does: a title's slashes become "_".
    cached = run.path(os.path.join("GamePath", title.replace("/", "_").replace("\\", "_") + ".swf"))
    play.wait_for(lambda: os.path.exists(cached), 60, "game %d" % game_id)
    time.sleep(3)


def report(name, figures):
    cpu, wakeups, audio = figures
    print(f"{name:44s} {cpu:5.2f} % of a core, {wakeups:6.0f} wakeups/s, audio output thread: "
          f"{'yes' if audio else 'no'}", flush=True)


def bare_page(site, base, ruffle, size):
    """CPU share of the 2 MB movie in Ruffle in a bare page, nothing else."""
    shutil.copytree(ruffle, os.path.join(site, "ruffle"))
    with open(os.path.join(site, "bare.html"), "w") as f:
        f.write('<!doctype html><html><body style="margin:0;background:#000">'
                '<script>window.RufflePlayer = { config: { publicPath: "/ruffle/", autoplay: "on", '
                'unmuteOverlay: "hidden", splashScreen: false } };</script><script src="/ruffle/ruffle.js"></script>'
                '<div id="stage" style="width:100%;height:100vh"></div><script>'
                'const p = window.RufflePlayer.newest().createPlayer(); p.style.width = "100%"; p.style.height = "100%";'
                'document.getElementById("stage").appendChild(p); p.load({ url: "/flash/MOVIE.swf" });</script>'
                '</body></html>'.replace("MOVIE", str(play.BIG)))
    proc = subprocess.Popen([os.path.join(BUILD, "bench", "idle", "bench_bareruffle"), base + "/bare.html",
                             str(size[0]), str(size[1])], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(15)
        return measure(proc.pid, 30)
    finally:
        proc.kill()
        proc.wait()


def ruffle_folder():
    for folder in (os.environ.get("TABRAZO_RUFFLE", ""), os.path.join(BUILD, "ruffle"),
                   os.path.join(ROOT, "node_modules", "@ruffle-rs", "ruffle")):
        if folder and os.path.exists(os.path.join(folder, "ruffle.js")):
            return folder
    raise SystemExit("Ruffle not found")


def main():
    tmp = tempfile.mkdtemp(prefix="bench-idle-")
    try:
        home = os.path.join(tmp, "home")
        server, base = play.serve_demo(tmp, home)
        site = play.SITE
        run = play.Run(home, base)
        try:
            time.sleep(20)
            report("idle, both windows, no game", measure(run.proc.pid, 60))
            start_game(run, play.BIG)
            report("playing the 2 MB demo game", measure(run.proc.pid, 30))
            player = run.player()
            _, _, width, height = play.geometry(player)
            movie_size = (width - 20, height - 175)
            toggle_player(run)
            time.sleep(5)
            report("2 MB game loaded, player window hidden", measure(run.proc.pid, 60))

            time.sleep(15)
            first = rss_kb(run.proc.pid)
            # Rows that every list shows without scrolling.
            ids = [i for games in run.cats for i, _ in games[:12]]
            toggle_player(run)
            for n in range(1, GAMES):
                start_game(run, ids[n % len(ids)])
            toggle_player(run)
            time.sleep(20)
            last = rss_kb(run.proc.pid)
            print(f"memory after the first game: program {first[0] / 1024:.1f} MB, web engine {first[1] / 1024:.1f} MB;"
                  f" after {GAMES}: program {last[0] / 1024:.1f} MB ({(last[0] - first[0]) / 1024:+.1f}),"
                  f" web engine {last[1] / 1024:.1f} MB ({(last[1] - first[1]) / 1024:+.1f})", flush=True)
        finally:
            run.stop()
        report("the same movie in a bare page, %dx%d" % movie_size,
               bare_page(site, base, ruffle_folder(), movie_size))
        server.kill()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
