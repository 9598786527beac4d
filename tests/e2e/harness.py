"""Runs the real tabrazo binary against the project's content server on the display of the test run."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = os.environ["TABRAZO_BINARY"]
SERVER = os.environ["TABRAZO_CONTENTSERVER"]
GENERATOR = os.environ["TABRAZO_DEMO_GENERATOR"]
X_SHIM = os.environ.get("TABRAZO_X_SHIM")


def x_env(base=None):
    """The environment of an X client of the tests: it connects again when the display drops it."""
    env = dict(os.environ if base is None else base)
    if X_SHIM:
        env["LD_PRELOAD"] = X_SHIM
    return env


def x_run(args, **kwargs):
    return subprocess.run(args, env=x_env(), **kwargs)


def wait_for(condition, timeout=20.0, interval=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(interval)
    return condition()


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ContentServer:
    def __init__(self, root, faults=()):
        args = [SERVER, "--root", root, "--port", "0"]
        for path, mode in faults:
            args += ["--fault", f"{path}={mode}"]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.proc.stdout.readline()
        if "listening on" not in line:
            raise RuntimeError("content server did not start: " + line)
        self.base = "http://" + line.split()[-1]

    def requests(self):
        import urllib.request
        with urllib.request.urlopen(self.base + "/__requests", timeout=5) as r:
            return r.read().decode("utf-8").splitlines()

    def requests_clear(self):
        import urllib.request
        urllib.request.urlopen(self.base + "/__requests?clear=1", timeout=5).read()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(5)


class Tabrazo:
    """One program folder with a run of the program in it."""

    def __init__(self, home, base, wrap=(), env=None):
        self.home = home
        self.base = base
        self.wrap = list(wrap)
        # Variables to set over the test's environment; None removes one.
        self.env = dict(env or {})
        self.proc = None
        self.log = None

    def start(self):
        env = x_env(dict(os.environ, TABRAZO_HOME=self.home, TABRAZO_SERVER=self.base, QT_QPA_PLATFORM="xcb"))
        for name, value in self.env.items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        self.log = open(os.path.join(os.path.dirname(self.home), "tabrazo.log"), "ab")
        self.proc = subprocess.Popen(self.wrap + [BINARY], env=env, stdout=self.log, stderr=self.log)
        return self

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=15):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.running():
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait(5)

    def path(self, name):
        return os.path.join(self.home, name)


def xdotool(*args, check=False):
    for _ in range(10):
        r = x_run(["xdotool", *args], capture_output=True, text=True)
        # Debian's xdotool dies on the first window that vanishes while it walks the tree, whoever
        # owns that window: asked again, it sees the tree without it.
        if "BadWindow" not in r.stderr:
            break
    if check and r.returncode != 0:
        raise RuntimeError("xdotool " + " ".join(args) + ": " + r.stderr)
    return r.stdout.split()


def windows_of(pid, name=None):
    args = ["search", "--onlyvisible", "--pid", str(pid)]
    if name is not None:
        args += ["--name", name]
    return xdotool(*args)


def window_geometry(window):
    out = x_run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def press_key(window, key):
    xdotool("windowactivate", "--sync", window)
    xdotool("windowfocus", "--sync", window)
    xdotool("key", key)


def click_at(x, y, button=1, double=False):
    xdotool("mousemove", "--sync", str(x), str(y))
    xdotool("click", "--repeat", "2" if double else "1", "--delay", "80", str(button))


def screenshot(path):
    x_run(["import", "-window", "root", path], check=True, capture_output=True)
    from PIL import Image
    return Image.open(path).convert("RGB")


class EndToEnd(unittest.TestCase):
    """A fresh temporary folder with a demo site and a seeded program folder for each test."""

    faults = ()

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="tabrazo-e2e-")
        self.site = os.path.join(self.tmp, "site")
        self.home = os.path.join(self.tmp, "home")
        # The generator needs the server's address; the server needs the site: start it on an
        # empty root first, then write the site into that root.
        os.makedirs(self.site)
        self.server = ContentServer(self.site, self.faults)
        subprocess.run([sys.executable, GENERATOR, "--site", self.site, "--program", self.home,
                        "--base", self.server.base], check=True, capture_output=True)
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.kill()
        self.server.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def app(self, wrap=(), env=None):
        a = Tabrazo(self.home, self.server.base, wrap, env)
        self.apps.append(a)
        return a

    def main_window(self, app, timeout=30):
        window = wait_for(lambda: (windows_of(app.proc.pid, "^Tabrazo$") or [None])[0], timeout)
        if not window:
            # What the program said is the only trace left once the test's folder is gone.
            app.log.flush()
            with open(app.log.name, "rb") as f:
                sys.stderr.write("--- tabrazo.log (running: %s)\n%s\n" % (app.running(), f.read()[-4000:].decode("utf-8", "replace")))
            sys.stderr.write("--- windows: %s\n" % x_run(["xdotool", "search", "--pid", str(app.proc.pid)],
                                                                    capture_output=True, text=True).stdout)
        return window

    def site_file(self, path):
        return read(os.path.join(self.site, path))

    def leftovers(self):
        """Files in the program folder that no part of the program owns."""
        known = {"Config.dll", "LDsend.Dll", "VerTmp.Dll", "VerSionIng.Dll", "ImgLoading.gif", "GamePath",
                 "UrlCache", "Favorite.mdb", "WebProfile"}
        return sorted(set(os.listdir(self.home)) - known)
