"""The start-up refresh against a server that fails in every way it can: nothing is lost or left behind."""

import os
import time
import unittest

from harness import EndToEnd, press_key, read, wait_for, windows_of, xdotool, window_geometry

CATALOGUE = "/flashxmlfile/gamelist.xml"
VERSION = "/flashxmlfile/version.xml"
NOTICE = "/ad1.txt"


class Faults(EndToEnd):
    def start_with_fault(self, path, mode):
        self.server_fault(path, mode)
        self.seeded = {name: read(os.path.join(self.home, name)) for name in ("LDsend.Dll", "VerTmp.Dll", "Config.dll")}
        app = self.app().start()
        self.addCleanup(app.kill)
        main = self.main_window(app)
        self.assertTrue(main, f"{path}={mode}: no main window")
        return app, main

    def server_fault(self, path, mode):
        import urllib.request
        url = f"{self.server.base}/__fault?path={path}&mode={mode}"
        with urllib.request.urlopen(url, timeout=5) as r:
            self.assertEqual(r.status, 200)

    def answer_boxes(self, app, main, seconds):
        """Answers any message box the program shows (a version file that is no XML shows one)."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            for window in windows_of(app.proc.pid, "^Tabrazo$"):
                if window != main:
                    press_key(window, "Return")
            time.sleep(0.3)

    def assert_responsive(self, app, main):
        # The player button hides the player window and shows it again.
        x, y, w, h = window_geometry(main)
        xdotool("mousemove", "--sync", str(x + 283), str(y + 45))
        before = len(windows_of(app.proc.pid))
        xdotool("click", "1")
        self.assertTrue(wait_for(lambda: len(windows_of(app.proc.pid)) != before, 5), "the window does not answer")
        xdotool("click", "1")
        self.assertTrue(wait_for(lambda: len(windows_of(app.proc.pid)) == before, 5))

    def assert_unchanged(self, app, *names):
        for name in names:
            self.assertEqual(read(app.path(name)), self.seeded[name], f"{name} changed")

    def version_file_fault(self, mode):
        app, main = self.start_with_fault(VERSION, mode)
        self.answer_boxes(app, main, 7)
        self.assertTrue(app.running())
        self.assert_responsive(app, main)
        # No new catalogue without a readable newer version.
        self.assertNotIn("GET " + CATALOGUE, self.server.requests())
        self.assert_unchanged(app, "LDsend.Dll", "VerTmp.Dll")
        self.assertEqual([f for f in self.leftovers() if f.startswith(".dl-")], [])

    def test_version_file_cut(self):
        self.version_file_fault("cut")

    def test_version_file_404(self):
        self.version_file_fault("404")

    def test_version_file_500(self):
        self.version_file_fault("500")

    def test_version_file_reset(self):
        self.version_file_fault("reset")

    def test_version_file_stall(self):
        self.version_file_fault("stall")

    def test_endless_version_file(self):
        # Refused past its limit and never written: no memory or disk filled, nothing installed.
        for mode in ("endless:<a>", "chunked:<a>"):
            self.server.requests_clear()
            self.version_file_fault(mode)
            version = self.home + "/VerSionIng.Dll"
            self.assertTrue(not os.path.exists(version) or os.path.getsize(version) < 4096, mode)
            for app in self.apps:
                app.kill()

    def test_version_file_without_length_still_refreshes(self):
        app, main = self.start_with_fault(VERSION, "nolength")
        catalogue = self.site_file(CATALOGUE.lstrip("/"))
        self.assertTrue(wait_for(lambda: read(app.path("LDsend.Dll")) == catalogue, 20))

    def catalogue_fault(self, mode):
        app, main = self.start_with_fault(CATALOGUE, mode)
        self.assertTrue(wait_for(lambda: "GET " + CATALOGUE in self.server.requests(), 10))
        self.answer_boxes(app, main, 3)
        self.assert_responsive(app, main)
        self.assert_unchanged(app, "LDsend.Dll", "VerTmp.Dll")
        if mode != "stall":
            self.assertTrue(wait_for(lambda: not [f for f in self.leftovers() if f.startswith(".dl-")], 10))
        self.assertEqual([f for f in self.leftovers() if not f.startswith(".dl-")], [])

    def test_catalogue_cut(self):
        self.catalogue_fault("cut")

    def test_catalogue_404(self):
        self.catalogue_fault("404")

    def test_catalogue_500(self):
        self.catalogue_fault("500")

    def test_catalogue_reset(self):
        self.catalogue_fault("reset")

    def test_catalogue_stall(self):
        self.catalogue_fault("stall")

    def test_endless_catalogue_stops_at_its_ceiling(self):
        self.catalogue_fault("endless")

    def test_answer_that_is_no_catalogue_is_not_installed(self):
        # An error page served as a success, and an empty body: the lists the user has stay, and
        # the next start fetches again.
        for body in (b"<html><body><h1>Service Unavailable</h1></body></html>", b""):
            with open(os.path.join(self.site, CATALOGUE.lstrip("/")), "wb") as f:
                f.write(body)
            self.server.requests_clear()
            app, main = self.start_with_fault(CATALOGUE, "none")
            self.assertTrue(wait_for(lambda: "GET " + CATALOGUE in self.server.requests(), 10))
            self.answer_boxes(app, main, 3)
            self.assert_responsive(app, main)
            self.assert_unchanged(app, "LDsend.Dll", "VerTmp.Dll")
            self.assertTrue(wait_for(lambda: not [f for f in self.leftovers() if f.startswith(".dl-")], 10))
            app.kill()

    def test_catalogue_without_length_is_installed_whole(self):
        app, main = self.start_with_fault(CATALOGUE, "nolength")
        catalogue = self.site_file(CATALOGUE.lstrip("/"))
        self.assertTrue(wait_for(lambda: read(app.path("LDsend.Dll")) == catalogue, 20))
        self.assertTrue(wait_for(lambda: read(app.path("VerTmp.Dll")) == self.site_file(VERSION.lstrip("/")), 5))

    def notice_fault(self, mode):
        app, main = self.start_with_fault(NOTICE, mode)
        self.assertTrue(wait_for(lambda: "GET " + NOTICE in self.server.requests(), 15))
        time.sleep(1)
        config = read(app.path("Config.dll")).splitlines()
        for line in self.seeded["Config.dll"].splitlines():
            self.assertIn(line, config)
        self.assertTrue(wait_for(lambda: not [f for f in self.leftovers() if f.startswith(".dl-")], 10))

    def test_notice_cut(self):
        self.notice_fault("cut")

    def test_notice_404(self):
        self.notice_fault("404")

    def test_notice_reset(self):
        self.notice_fault("reset")

    def test_notice_whole_does_not_replace_the_settings_file(self):
        self.notice_fault("nolength")

    def test_killed_during_catalogue_download_keeps_a_catalogue_and_fetches_it_next_time(self):
        app, main = self.start_with_fault(CATALOGUE, "slow:2000")
        self.assertTrue(wait_for(lambda: "GET " + CATALOGUE in self.server.requests(), 10))
        time.sleep(1)
        app.kill()
        self.assert_unchanged(app, "LDsend.Dll", "VerTmp.Dll")
        # The next start finds the server still newer and fetches the catalogue again.
        self.server_fault(CATALOGUE, "none")
        again = self.app().start()
        catalogue = self.site_file(CATALOGUE.lstrip("/"))
        self.assertTrue(wait_for(lambda: read(again.path("LDsend.Dll")) == catalogue, 20))
        self.assertTrue(wait_for(lambda: not [f for f in self.leftovers() if f.startswith(".dl-")], 10))

    def test_player_server_answers_only_its_own_host(self):
        app, main = self.start_with_fault(NOTICE, "none")
        port = wait_for(lambda: self.player_port(app.proc.pid), 30)
        self.assertTrue(port, "no player server")
        for host in ("attacker.example:%d" % port, "127.0.0.1", "localhost:1"):
            status, body = http_get(port, "/player.html", host)
            self.assertEqual((status, body), (403, b""), host)
        status, body = http_get(port, "/player.html", "localhost:%d" % port)
        self.assertEqual(status, 200)
        self.assertIn(b"ruffle", body.lower())

    @staticmethod
    def player_port(pid):
        """The loopback port on which the program answers with its player page."""
        inodes = set()
        for fd in os.listdir(f"/proc/{pid}/fd"):
            try:
                link = os.readlink(f"/proc/{pid}/fd/{fd}")
            except OSError:
                continue
            if link.startswith("socket:["):
                inodes.add(link[8:-1])
        with open(f"/proc/{pid}/net/tcp") as f:
            rows = [line.split() for line in f.readlines()[1:]]
        for row in rows:
            address, state, inode = row[1], row[3], row[9]
            if state == "0A" and inode in inodes and address.startswith("0100007F:"):
                port = int(address.split(":")[1], 16)
                if http_get(port, "/player.html", "127.0.0.1:%d" % port)[0] == 200:
                    return port
        return None


def http_get(port, path, host):
    import socket
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(f"GET {path} HTTP/1.1\r\nHost: {host}\r\nConnection: close\r\n\r\n".encode())
        answer = b""
        while True:
            data = s.recv(65536)
            if not data:
                break
            answer += data
    head, _, body = answer.partition(b"\r\n\r\n")
    return int(head.split()[1]), body


if __name__ == "__main__":
    unittest.main()
