import configparser
import contextlib
import io
import hashlib
import os
import re
import sys
import tempfile
import unittest
import xml.dom.minidom
import xml.parsers.expat

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "demo"))

import generate  # noqa: E402
import swfread  # noqa: E402
from pictures import Image  # noqa: E402  (PIL, found the same way the generator finds it)

BASE = "http://127.0.0.1:8790"
LINE = re.compile(
    r'<data id="(\d+)" title="([^"]*)" litpic="([^"]*)" filesize="([^"]*)" flash_fangfa="([^"]*)" '
    r'flashurl="([^"]*)" flashsay="([^"]*)" onclick="([^"]*)" keyboard="([^"]*)" ztid="(\d+)" />$'
)


def read_catalogue(path):
    """(text, [(category, [match groups])]); fails on any line out of the fixed shape."""
    with open(path, "rb") as f:
        text = f.read().decode("gbk")
    lines = text.split("\n")
    assert lines[0] == '<?xml version="1.0" encoding="gb2312"?>', lines[0]
    assert lines[1] == "<root>" and lines[-2:] == ["</root>", ""], (lines[1], lines[-2:])
    categories = []
    for line in lines[2:-2]:
        m = re.fullmatch(r'<category name="([^"]+)">', line)
        if m:
            categories.append((m.group(1), []))
        elif line == "</category>":
            pass
        else:
            m = LINE.match(line)
            assert m, f"malformed record: {line}"
            categories[-1][1].append(m.groups())
    # Well-formed XML too; expat is told UTF-8 since it has no GBK decoder.
    xml.parsers.expat.ParserCreate("UTF-8").Parse(text.split("\n", 1)[1].encode("utf-8"), True)
    return text, categories


def unescape(value):
    return value.replace("&quot;", '"').replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")


def read_ini(path):
    with open(path, "rb") as f:
        raw = f.read()
    ini = configparser.ConfigParser(interpolation=None)
    ini.optionxform = str
    ini.read_string(raw.decode("gbk"))
    return raw, ini


class SiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.site = os.path.join(cls.tmp.name, "site")
        cls.program = os.path.join(cls.tmp.name, "program")
        generate.main(["--site", cls.site, "--program", cls.program, "--base", BASE + "/"])
        cls.text, cls.categories = read_catalogue(os.path.join(cls.site, "flashxmlfile", "gamelist.xml"))
        cls.games = [g for _, members in cls.categories for g in members]

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_catalogue_counts_ids_and_special_titles(self):
        self.assertGreaterEqual(len(self.categories), 5)
        self.assertGreaterEqual(len(self.games), 40)
        self.assertEqual(sorted(int(g[0]) for g in self.games), list(range(1, len(self.games) + 1)))
        titles = [g[1] for g in self.games]
        self.assertIn("猫&amp;老鼠", titles, "the ampersand must be escaped, once")
        self.assertTrue(any("/" in t for t in titles))
        self.assertTrue(any("-" in t or "－" in t for t in titles))
        self.assertNotIn("?", self.text.split("\n", 1)[1], "a lossy encode would leave '?' behind")

    def test_records_point_at_real_files_with_true_sizes(self):
        for gid, title, litpic, size, fangfa, url, say, onclick, keys, ztid in self.games:
            with self.subTest(id=gid):
                self.assertEqual(url, f"{BASE}/flash/{gid}.swf")
                movie = os.path.join(self.site, "flash", f"{gid}.swf")
                with open(movie, "rb") as f:
                    raw = f.read()
                self.assertEqual(size, generate.catalogue.filesize_text(len(raw)))
                self.assertFalse(litpic.startswith("/"))
                with Image.open(os.path.join(self.site, *litpic.split("/"))) as im:
                    self.assertEqual(im.format.lower(), {"jpg": "jpeg"}.get(litpic[-3:], litpic[-3:]))
                    self.assertEqual(im.size, (120, 90))
                # What the text promises is what the movie does.
                reads_keys = any(b"isDown" in body for code, body in swfread.parse(raw)["tags"] if code == 12)
                self.assertEqual(reads_keys, "键" in fangfa, fangfa)
                self.assertTrue(fangfa and say and keys)
                self.assertIn(onclick, ("", "1"))

    def test_big_movie_and_animated_thumbnails_exist(self):
        sizes = [os.path.getsize(os.path.join(self.site, "flash", f"{g[0]}.swf")) for g in self.games]
        self.assertEqual(sum(1 for s in sizes if s > 1_500_000), 1)
        animated = 0
        for g in self.games:
            if g[2].endswith(".gif"):
                with Image.open(os.path.join(self.site, *g[2].split("/"))) as im:
                    animated += getattr(im, "n_frames", 1) > 1
        self.assertGreaterEqual(animated, 3)

    def test_versions_and_program_seed(self):
        def version_of(path):
            with open(path, "rb") as f:
                doc = xml.dom.minidom.parseString(f.read().decode("gbk").split("\n", 1)[1])
            get = lambda tag: doc.getElementsByTagName(tag)[0].firstChild.data  # noqa: E731
            return get("version"), get("updateurl")

        site_version = version_of(os.path.join(self.site, "flashxmlfile", "version.xml"))
        seed_version = version_of(os.path.join(self.program, "VerTmp.Dll"))
        self.assertEqual(site_version, ("2026-12-09", BASE + "/flashxmlfile/gamelist.xml"))
        self.assertEqual(seed_version[1], site_version[1])
        self.assertLess(seed_version[0], site_version[0])

        _, older = read_catalogue(os.path.join(self.program, "LDsend.Dll"))
        older_games = [g for _, m in older for g in m]
        self.assertLess(len(older_games), len(self.games))
        self.assertEqual([c for c, _ in older], [c for c, _ in self.categories[: len(older)]])
        current = {g[0]: g for g in self.games}
        for g in older_games:
            self.assertEqual(g, current[g[0]], "the seed's records must agree with the site's")

        with Image.open(os.path.join(self.program, "ImgLoading.gif")) as im:
            self.assertEqual(im.size, (32, 32))
            self.assertGreater(im.n_frames, 1)
        self.assertFalse(os.path.exists(os.path.join(self.program, "GamePath")))

    def test_notices_and_update_ini(self):
        raw, ini = read_ini(os.path.join(self.site, "ad1.txt"))
        sections = ini.sections()
        self.assertTrue(4 <= len(sections) <= 6)
        self.assertIn("ad2", sections)
        self.assertEqual(sum(1 for s in sections if s != s.upper()), 1)
        for s in sections:
            url = ini[s]["adurl"]
            self.assertTrue(url.startswith(BASE + "/"), url)
            self.assertTrue(os.path.isfile(os.path.join(self.site, *url[len(BASE) + 1 :].split("/"))))
            self.assertTrue(ini[s]["ADNAME"])
        _, upd = read_ini(os.path.join(self.site, "Update3.html"))
        build = os.path.join(self.site, "update", "tabrazo")
        with open(build, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        self.assertEqual(dict(upd["Main"]), {
            "Version": "3.0.2", "Url": BASE + "/update/tabrazo", "QzUpdate": "0", "BeeName": "Tabrazo 3.0.2",
            "Sha256": digest})
        self.assertTrue(os.access(os.path.join(self.site, "update", "tabrazo"), os.X_OK))
        for page in ("index.html", "forum.php", os.path.join("beta3", "beta3tongji.html")):
            self.assertTrue(os.path.getsize(os.path.join(self.site, page)) > 0, page)


class CatalogueOnlyTest(unittest.TestCase):
    def test_benchmark_catalogue_size_and_determinism(self):
        with tempfile.TemporaryDirectory() as tmp:
            a, b = os.path.join(tmp, "a.xml"), os.path.join(tmp, "b.xml")
            generate.main(["--catalogue-only", a, "--games", "20000", "--seed", "3"])
            self.assertTrue(6_300_000 < os.path.getsize(a) < 7_700_000, os.path.getsize(a))
            text, categories = read_catalogue(a)
            self.assertEqual(sum(len(m) for _, m in categories), 20000)
            generate.main(["--catalogue-only", b, "--games", "300", "--seed", "3"])
            generate.main(["--catalogue-only", a, "--games", "300", "--seed", "3"])
            with open(a, "rb") as fa, open(b, "rb") as fb:
                self.assertEqual(fa.read(), fb.read())

    def test_unsafe_base_is_refused(self):
        for base in ("ftp://127.0.0.1", 'http://127.0.0.1/"x', "http://127.0.0.1/a b", "127.0.0.1:8790"):
            with self.subTest(base=base), tempfile.TemporaryDirectory() as tmp:
                with self.assertRaises(SystemExit), contextlib.redirect_stderr(io.StringIO()):
                    generate.main(["--catalogue-only", os.path.join(tmp, "c.xml"), "--games", "5", "--base", base])
                self.assertEqual(os.listdir(tmp), [])


if __name__ == "__main__":
    unittest.main()
