"""The installed tree and the Debian package, checked with the desktop's own validators and dpkg-deb."""

import os
import shutil
import subprocess
import tempfile
import unittest

BUILD = os.environ["TABRAZO_BUILD"]
CMAKE = os.environ.get("CMAKE", "cmake")
CPACK = os.environ.get("CPACK", "cpack")

# Where Debian keeps a package's private libraries.
MULTIARCH = subprocess.run(["dpkg-architecture", "-qDEB_HOST_MULTIARCH"], check=True, capture_output=True,
                           text=True).stdout.strip()

EXPECTED = {
    "usr/share/doc/tabrazo/copyright",
    "usr/share/doc/tabrazo/changelog.gz",
    "usr/share/man/man6/tabrazo.6.gz",
    "usr/bin/tabrazo",
    "usr/lib/%s/tabrazo/libtabrazo_engine.so" % MULTIARCH,
    "usr/share/applications/tabrazo.desktop",
    "usr/share/metainfo/net.tabrazo.Tabrazo.metainfo.xml",
    "usr/share/tabrazo/ruffle/ruffle.js",
} | {f"usr/share/icons/hicolor/{s}x{s}/apps/tabrazo.png" for s in (16, 24, 32, 48, 64, 128, 256)}


def run(*args, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kwargs).stdout


def files_under(root):
    return {os.path.relpath(os.path.join(d, f), root) for d, _, names in os.walk(root) for f in names}


class Package(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="tabrazo-package-")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def test_installed_tree_validates(self):
        prefix = os.path.join(self.tmp, "usr")
        run(CMAKE, "--install", BUILD, "--prefix", prefix)
        installed = files_under(self.tmp)
        self.assertLessEqual(EXPECTED, installed)
        ruffle = {f for f in installed if f.startswith("usr/share/tabrazo/ruffle/")}
        self.assertTrue(any(f.endswith(".wasm") for f in ruffle))
        self.assertFalse(any(f.endswith(".map") for f in ruffle), "source maps are not installed")

        desktop = os.path.join(prefix, "share/applications/tabrazo.desktop")
        result = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotIn("error", result.stdout.lower())
        with open(desktop, encoding="utf-8") as f:
            entry = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.assertEqual(entry["Categories"], "Game;")
        self.assertEqual(entry["StartupWMClass"], "Tabrazo")  # the main window's WM_CLASS class
        self.assertEqual(entry["Icon"], "tabrazo")
        self.assertIn("Name[zh_CN]", entry)

        metainfo = os.path.join(prefix, "share/metainfo/net.tabrazo.Tabrazo.metainfo.xml")
        result = subprocess.run(["appstreamcli", "validate", "--no-net", "--explain", metainfo],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotIn("@PROJECT_VERSION@", open(metainfo, encoding="utf-8").read())

    def test_command_line(self):
        # Answered before any window exists, so no display is needed.
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        program = os.path.join(BUILD, "tabrazo")
        version = run(program, "--version", env=env)
        self.assertRegex(version, r"^Tabrazo \d+\.\d+\.\d+\n$")
        usage = run(program, "--help", env=env)
        self.assertTrue(usage.startswith("Usage: tabrazo [options]\n"), usage)
        for option in ("--help", "--version"):
            self.assertIn(option, usage)

    def test_debian_package(self):
        run(CPACK, "-G", "DEB", "-B", self.tmp, "--config", os.path.join(BUILD, "CPackConfig.cmake"))
        debs = [f for f in os.listdir(self.tmp) if f.startswith("tabrazo_") and f.endswith("_amd64.deb")]
        self.assertEqual(len(debs), 1, os.listdir(self.tmp))
        deb = os.path.join(self.tmp, debs[0])

        self.assertEqual(run("dpkg-deb", "-f", deb, "Package").strip(), "tabrazo")
        self.assertEqual(run("dpkg-deb", "-f", deb, "Section").strip(), "misc")
        # Debian's own checker finds nothing to say, but that it runs as root here.
        result = subprocess.run(["lintian", "--fail-on", "none", deb], capture_output=True, text=True)
        said = [line for line in (result.stdout + result.stderr).splitlines()
                if line.strip() and "running with root privileges" not in line]
        self.assertEqual(said, [])
        depends = {d.split("(")[0].strip() for d in run("dpkg-deb", "-f", deb, "Depends").split(",")}
        for package in ("libqt6core6", "libqt6widgets6", "libqt6webenginewidgets6", "libqt6sql6-sqlite",
                        "libxml2", "fonts-wqy-zenhei", "qt6-translations-l10n", "libpulse0"):
            self.assertIn(package, depends)

        listed = {line.split()[-1].lstrip("./") for line in run("dpkg-deb", "-c", deb).splitlines()
                  if not line.startswith("d")}
        self.assertLessEqual(EXPECTED, listed)
        self.assertEqual({f for f in listed if not f.startswith("usr/")}, set())
        # What the package unpacks to is what `cmake --install` makes, stripped.
        unpacked = os.path.join(self.tmp, "root")
        run("dpkg-deb", "-x", deb, unpacked)
        self.assertEqual(files_under(unpacked), listed)
        for binary in ("usr/bin/tabrazo", "usr/lib/%s/tabrazo/libtabrazo_engine.so" % MULTIARCH):
            self.assertNotIn(".debug_info", run("readelf", "-S", os.path.join(unpacked, binary)))
        # The web engine comes with its library, opened once the main window is up, and libpulse at
        # the first volume hotkey: never at exec.
        needed = run("readelf", "-d", os.path.join(unpacked, "usr/bin/tabrazo"))
        self.assertNotIn("WebEngine", needed)
        self.assertNotIn("libpulse", needed)
        self.assertIn("WebEngine", run("readelf", "-d", os.path.join(unpacked, "usr/lib/%s/tabrazo/libtabrazo_engine.so" % MULTIARCH)))
