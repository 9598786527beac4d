#!/usr/bin/env python3
"""The program against a server that never stops answering.

Usage: bench/hostile/run.py [BUILD_DIR] [SECONDS]   (needs a DISPLAY, e.g. Xvfb)

For each case the program starts in bench_hostilestart against the project's content server and
runs SECONDS (default 30) while the server sends the version file or the catalogue without end,
with no length or in endless chunks. Figures per case: the process's peak memory (VmHWM) and its
growth over a run against a well-behaved server, and the longest gap between two turns of the
event loop, in the first 5 s (start-up) and after.
"""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build")
SECONDS = sys.argv[2] if len(sys.argv) > 2 else "30"
os.environ.setdefault("TABRAZO_BINARY", os.path.join(BUILD, "tabrazo"))
os.environ.setdefault("TABRAZO_CONTENTSERVER", os.path.join(BUILD, "tools", "contentserver", "tabrazo-contentserver"))
os.environ.setdefault("TABRAZO_DEMO_GENERATOR", os.path.join(ROOT, "demo", "generate.py"))
os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import ContentServer  # noqa: E402

VERSION = "/flashxmlfile/version.xml"
CATALOGUE = "/flashxmlfile/gamelist.xml"
CASES = [
    ("well-behaved server", ()),
    ("endless version file, no length", ((VERSION, "endless:<a>"),)),
    ("endless version file, chunked", ((VERSION, "chunked:<a>"),)),
    ("endless catalogue, no length", ((CATALOGUE, "endless"),)),
    ("endless catalogue, chunked", ((CATALOGUE, "chunked"),)),
]


def run(faults, work):
    site, home = os.path.join(work, "site"), os.path.join(work, "home")
    os.makedirs(site)
    server = ContentServer(site, faults)
    try:
        subprocess.run([sys.executable, os.environ["TABRAZO_DEMO_GENERATOR"], "--site", site, "--program", home,
                        "--base", server.base], check=True, capture_output=True)
        env = dict(os.environ, TABRAZO_HOME=home, TABRAZO_SERVER=server.base)
        out = subprocess.run([os.path.join(BUILD, "bench", "hostile", "bench_hostilestart"), SECONDS], env=env,
                             capture_output=True, text=True, timeout=int(SECONDS) + 120).stdout
        figures = dict(line.split() for line in out.splitlines() if len(line.split()) == 2)
        return {key: int(value) for key, value in figures.items()}
    finally:
        server.stop()


def main():
    baseline = None
    with tempfile.TemporaryDirectory() as work:
        for i, (name, faults) in enumerate(CASES):
            f = run(faults, os.path.join(work, str(i)))
            baseline = baseline if baseline is not None else f["peak_kb"]
            print(f"{name:34s} peak {f['peak_kb'] / 1024:6.1f} MB (growth over well-behaved "
                  f"{(f['peak_kb'] - baseline) / 1024:+6.1f} MB), RSS at end {f['rss_end_kb'] / 1024:6.1f} MB, "
                  f"longest event-loop gap {f['longest_gap_first_5s_ms']} ms in the first 5 s, "
                  f"{f['longest_gap_after_ms']} ms after", flush=True)


if __name__ == "__main__":
    main()
