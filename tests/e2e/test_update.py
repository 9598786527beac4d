"""The updater end to end: opened from the window menu against a server with a newer build, whose
"升级" fetches the build, checks its digest, puts it in the program folder and starts it."""

import hashlib
import os
import time
import unittest

from harness import EndToEnd, wait_for, window_geometry, windows_of, xdotool

MENU_BUTTON = (249, 10)  # XlMune, in main window coordinates
UPGRADE_BUTTON = (306, 335)  # BeginUpdate, in the updater's client area


class Update(EndToEnd):
    def test_newer_build_is_fetched_checked_and_started(self):
        marker = os.path.join(self.tmp, "new-build-ran")
        build = ('#!/bin/sh\necho "$0" > "%s"\n' % marker).encode()
        with open(os.path.join(self.site, "update", "tabrazo"), "wb") as f:
            f.write(build)
        with open(os.path.join(self.site, "Update3.html"), "wb") as f:
            f.write(("[Main]\r\nVersion=9.9.9\r\nUrl= %s/update/tabrazo \r\nQzUpdate=0\r\nBeeName=Tabrazo 9.9.9\r\n"
                     "Sha256=%s\r\n" % (self.server.base, hashlib.sha256(build).hexdigest())).encode("gbk"))

        app = self.app().start()
        main = self.main_window(app)
        self.assertTrue(main, "main window never appeared")
        time.sleep(2)
        x, y, _, _ = window_geometry(main)
        xdotool("mousemove", "--sync", str(x + MENU_BUTTON[0]), str(y + MENU_BUTTON[1]))
        xdotool("click", "1")
        time.sleep(0.8)
        xdotool("key", "Down", "Down", "Down", "Down", "Return")  # "检查更新"
        updater = wait_for(lambda: (windows_of(app.proc.pid, "^Tabrazo在线升级$") or [None])[0], 15)
        self.assertTrue(updater, "no updater window")
        self.assertTrue(wait_for(lambda: "该版本并非重要更新" in self.log_text(app), 15), self.log_text(app)[-2000:])

        ux, uy, _, _ = window_geometry(updater)
        xdotool("mousemove", "--sync", str(ux + UPGRADE_BUTTON[0]), str(uy + UPGRADE_BUTTON[1]))
        xdotool("click", "1")
        self.assertTrue(wait_for(lambda: os.path.exists(marker), 20), "the new build did not run")
        with open(marker) as f:
            self.assertEqual(os.path.realpath(f.read().strip()), os.path.realpath(app.path("Tabrazo.exe")))
        with open(app.path("Tabrazo.exe"), "rb") as f:
            self.assertEqual(f.read(), build)
        self.assertEqual(self.site_file("Update3.html"), open(app.path("Update.dll"), "rb").read())
        self.assertTrue(app.running())

        expected = ["开始读取网络版本！", "开始写入数据，正在进行写入初始化！", "初始化完毕，开始写入！",
                    "写入网络版本数据完毕，开始读取对比！", "当前程序版本号：3.0.1", "网络最新版本号：9.9.9",
                    "查询该版本是否重要更新中......", "该版本并非重要更新，您可以选择不更新到该最新版本！",
                    "升级文件SHA-256：" + hashlib.sha256(build).hexdigest()]
        found = [e for line in self.log_text(app).splitlines() for e in expected if line.endswith(e)]
        self.assertEqual(found, expected)

    def log_text(self, app):
        app.log.flush()
        with open(app.log.name, "rb") as f:
            return f.read().decode("utf-8", "replace")


if __name__ == "__main__":
    unittest.main()
