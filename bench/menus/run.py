#!/usr/bin/env python3
"""The main window's menus and its idle cost, with the real program under X.

Usage: bench/menus/run.py [BUILD_DIR] [RUNS]   (needs a DISPLAY, e.g. Xvfb, and xdotool)

Figures:
  right-click to menu   median milliseconds from the right-click over a game row to the menu's
                        window mapped, over RUNS clicks (bench_menuopen watches for the map; its
                        figure includes starting xdotool for the click)
  idle CPU              CPU seconds per minute of the program and its web engine processes, idle
                        with the notice rotation running, and with it never started (the notice
                        file answering 404)
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build")
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 15
os.environ.setdefault("TABRAZO_BINARY", os.path.join(BUILD, "tabrazo"))
os.environ.setdefault("TABRAZO_CONTENTSERVER", os.path.join(BUILD, "tools", "contentserver", "tabrazo-contentserver"))
os.environ.setdefault("TABRAZO_DEMO_GENERATOR", os.path.join(ROOT, "demo", "generate.py"))
os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import ContentServer, Tabrazo, wait_for, window_geometry, windows_of, xdotool  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def tree(pid):
    """pid and every process below it."""
    pids, frontier = [pid], [pid]
    while frontier:
        parent = frontier.pop()
        try:
            with open(f"/proc/{parent}/task/{parent}/children") as f:
                children = [int(c) for c in f.read().split()]
        except OSError:
            children = []
        pids += children
        frontier += children
    return pids


def cpu_seconds(pid):
    total = 0
    for p in tree(pid):
        try:
            with open(f"/proc/{p}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / TICK


def run(faults, work):
    site, home = os.path.join(work, "site"), os.path.join(work, "home")
    os.makedirs(site, exist_ok=True)
    server = ContentServer(site, faults)
    subprocess.run([sys.executable, os.environ["TABRAZO_DEMO_GENERATOR"], "--site", site, "--program", home,
                    "--base", server.base], check=True, capture_output=True)
    app = Tabrazo(home, server.base).start()
    main = wait_for(lambda: (windows_of(app.proc.pid, "^Tabrazo$") or [None])[0], 30)
    return server, app, main


def right_click_latency(work):
    server, app, main = run((), work)
    try:
        wait_for(lambda: os.path.exists(os.path.join(work, "home", "LDsend.Dll")), 30)
        time.sleep(3)
        x, y, _, _ = window_geometry(main)
        samples = []
        for _ in range(RUNS):
            xdotool("mousemove", "--sync", str(x + 212), str(y + 110))
            out = subprocess.run([os.path.join(BUILD, "bench", "menus", "bench_menuopen")], capture_output=True,
                                 text=True).stdout.strip()
            if out and out != "timeout":
                samples.append(float(out))
            xdotool("key", "Escape")
            time.sleep(0.3)
        return samples
    finally:
        app.kill()
        server.stop()


def idle_cpu(faults, work):
    server, app, main = run(faults, work)
    try:
        time.sleep(25)
        before = cpu_seconds(app.proc.pid)
        time.sleep(60)
        return cpu_seconds(app.proc.pid) - before
    finally:
        app.kill()
        server.stop()


def main():
    with tempfile.TemporaryDirectory() as work:
        samples = right_click_latency(os.path.join(work, "a"))
        print(f"right-click to menu: median {statistics.median(samples):.1f} ms over {len(samples)} clicks "
              f"(min {min(samples):.1f}, max {max(samples):.1f})")
        running = idle_cpu((), os.path.join(work, "b"))
        stopped = idle_cpu((("/ad1.txt", "404"),), os.path.join(work, "c"))
        print(f"idle CPU per minute: {running:.2f} s with the notice rotation, {stopped:.2f} s without")


if __name__ == "__main__":
    main()
