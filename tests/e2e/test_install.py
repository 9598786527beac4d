"""The installed program: `cmake --install` into a prefix the user cannot write, started with no
TABRAZO_HOME, keeps its files in the user's data folder and plays a game with its own Ruffle copy."""

import os
import signal
import subprocess
import time
import unittest

from harness import Tabrazo, read, wait_for, windows_of, x_env, x_run
from test_play import CATALOGUE, ROW, TOP, Playing, catalogue

BUILD = os.environ["TABRAZO_BUILD"]
CMAKE = os.environ.get("CMAKE", "cmake")
CPACK = os.path.join(os.path.dirname(CMAKE), "cpack")
NOBODY = 65534
VERSION = "flashxmlfile/version.xml"


def tree(folder):
    return sorted(os.path.join(d, f) for d, _, names in os.walk(folder) for f in names)


class Installed(Tabrazo):
    """The installed executable as another user sees it: a clean environment, no TABRAZO_HOME."""

    def __init__(self, executable, user, base, wrap):
        super().__init__(os.path.join(user, ".local", "share", "Tabrazo"), base, wrap)
        self.executable = executable
        self.user = user

    def start(self):
        env = {
            "PATH": "/usr/bin:/bin",
            "HOME": self.user,
            "XDG_RUNTIME_DIR": os.path.join(self.user, "run"),
            "DISPLAY": os.environ.get("DISPLAY", ":0"),
            "LANG": "C.UTF-8",
            "QT_QPA_PLATFORM": "xcb",
            "QTWEBENGINE_DISABLE_SANDBOX": "1",
            "TABRAZO_SERVER": self.base,
        }
        self.log = open(os.path.join(os.path.dirname(self.user), "tabrazo.log"), "ab")
        self.proc = subprocess.Popen(self.wrap + [self.executable], env=x_env(env), stdout=self.log, stderr=self.log)
        return self


class Install(Playing):
    def setUp(self):
        super().setUp()
        os.chmod(self.tmp, 0o755)
        self.prefix = os.path.join(self.tmp, "prefix")
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", os.path.join(self.prefix, "usr"), "--strip"],
                       check=True, capture_output=True)
        self.user = os.path.join(self.tmp, "user")
        os.makedirs(os.path.join(self.user, "run"))
        os.chmod(os.path.join(self.user, "run"), 0o700)
        if os.geteuid() == 0:
            # Root writes through any permission bits: the program runs as an unprivileged user.
            for folder in (self.user, os.path.join(self.user, "run")):
                os.chown(folder, NOBODY, NOBODY)
            self.wrap = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
        else:
            self.wrap = []
            for folder, _, _ in os.walk(self.prefix):
                os.chmod(folder, 0o555)

    def tearDown(self):
        for folder, _, _ in os.walk(self.prefix):
            os.chmod(folder, 0o755)
        super().tearDown()

    def app(self, wrap=()):
        a = Installed(os.path.join(self.prefix, "usr", "bin", "tabrazo"), self.user, self.server.base, self.wrap)
        self.apps.append(a)
        return a

    def test_installed_copy_writes_only_the_user_data_folder_and_plays(self):
        bin_folder = os.path.join(self.prefix, "usr", "bin")
        self.assertNotEqual(subprocess.run(self.wrap + ["test", "-w", bin_folder]).returncode, 0,
                            "the installed tree must be read-only for the user")
        installed = tree(self.prefix)

        # The server keeps its catalogue where its own version file says, not where a client would
        # guess; the new user's folder has no version file to name it.
        announced = "flashxmlfile/list-%d.xml" % os.getpid()
        with open(os.path.join(self.site, announced), "wb") as f:
            f.write(self.site_file(CATALOGUE))
        version = self.site_file(VERSION).replace(CATALOGUE.encode(), announced.encode())
        self.assertIn(announced.encode(), version)
        with open(os.path.join(self.site, VERSION), "wb") as f:
            f.write(version)

        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        # The catalogue lands in the user's data folder, from the announced address.
        self.assertTrue(wait_for(lambda: os.path.exists(app.path("LDsend.Dll")), 30))
        time.sleep(1)
        self.assertEqual(read(app.path("LDsend.Dll")), self.site_file(CATALOGUE))
        self.assertIn("GET /" + announced, self.server.requests())
        self.assertNotIn("GET /" + CATALOGUE, self.server.requests())
        self.assertEqual(read(app.path("VerTmp.Dll")), version)
        self.assertTrue(os.path.isdir(app.path("GamePath")))

        _, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "installed.png")
        # A first start has nothing to ask: no hotkey is chosen yet, so none is armed.
        self.assertEqual(error_boxes(app.proc.pid), [])
        app.log.flush()
        self.assertNotIn(b"message box:", read(app.log.name))

        app.proc.send_signal(signal.SIGTERM)
        app.wait_exit(10)
        app.log.flush()
        log = read(app.log.name).decode("utf-8", "replace")
        self.assertIn("Ruffle from \"%s\"" % os.path.join(self.prefix, "usr", "share", "tabrazo", "ruffle"), log)
        self.assertEqual(tree(self.prefix), installed)


@unittest.skipUnless(os.geteuid() == 0, "installs the Debian package into this machine")
class DebianPackage(Playing):
    """The package as a user gets it: built by CPack, installed by apt, started by an ordinary user."""

    def setUp(self):
        super().setUp()
        if subprocess.run(["dpkg-query", "-W", "tabrazo"], capture_output=True).returncode == 0:
            self.skipTest("a tabrazo package is installed already")
        os.chmod(self.tmp, 0o755)
        subprocess.run([CPACK, "-G", "DEB", "-B", self.tmp, "--config", os.path.join(BUILD, "CPackConfig.cmake")],
                       check=True, capture_output=True)
        deb = [os.path.join(self.tmp, f) for f in os.listdir(self.tmp) if f.endswith(".deb")][0]
        apt = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        self.addCleanup(subprocess.run, ["apt-get", "remove", "-y", "-q", "tabrazo"], env=apt, capture_output=True)
        result = subprocess.run(["apt-get", "install", "-y", "-q", "--no-install-recommends", deb], env=apt,
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.user = os.path.join(self.tmp, "user")
        os.makedirs(os.path.join(self.user, "run"), mode=0o700)
        for folder in (self.user, os.path.join(self.user, "run")):
            os.chown(folder, NOBODY, NOBODY)

    def test_installed_package_plays(self):
        wrap = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
        app = Installed("/usr/bin/tabrazo", self.user, self.server.base, wrap)
        self.apps.append(app)
        app.start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        self.assertTrue(wait_for(lambda: os.path.exists(app.path("LDsend.Dll")), 30))
        time.sleep(1)
        _, games = catalogue(app.path("LDsend.Dll"))[0]
        game_id, title = games[1]
        self.click(main, 112 + 100, TOP + ROW + ROW // 2, double=True)
        self.assert_plays(app, main, game_id, title, "package.png")
        app.kill()
        app.log.flush()
        self.assertIn(b"Ruffle from \"/usr/share/tabrazo/ruffle\"", read(app.log.name))
        self.assertNotIn(b"message box:", read(app.log.name))


def error_boxes(pid):
    def name(window):
        return x_run(["xdotool", "getwindowname", window], capture_output=True).stdout.decode("utf-8", "replace")
    return [w for w in windows_of(pid) if name(w).strip() == "错误"]


if __name__ == "__main__":
    unittest.main()
