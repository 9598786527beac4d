"""Which layer may include which: the program's dependence runs one way.

- core draws nothing and knows no window: nothing under src/core includes a gui header;
- only the shell knows every window: gui/shell headers are included by the shell and main.cpp only;
- windows talk through typed methods and signals wired by the shell: the window folders do not
  include each other;
- the web engine's library sees the program through one interface header, and the program never
  includes the library's headers: it opens the library at run time.
"""
import pathlib
import re
import sys
import unittest

SRC = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2] / "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
WINDOW_FOLDERS = ("player", "settings", "menus", "update")


def includes():
    for path in sorted(SRC.rglob("*")):
        if path.suffix in (".h", ".cpp"):
            rel = path.relative_to(SRC).as_posix()
            for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
                yield rel, target


class Layering(unittest.TestCase):
    def test_sources_name_their_layer(self):
        for source, target in includes():
            self.assertTrue(target.startswith(("core/", "gui/", "engine/")) or "/" not in target, f"{source}: {target}")
            self.assertTrue((SRC / target).exists() or "/" not in target, f"{source}: {target} is missing")

    def test_core_knows_no_window(self):
        bad = [(s, t) for s, t in includes() if s.startswith("core/") and t.startswith("gui/")]
        self.assertEqual(bad, [])

    def test_only_the_shell_knows_every_window(self):
        bad = [(s, t) for s, t in includes()
               if t.startswith("gui/shell/") and not (s.startswith("gui/shell/") or s == "main.cpp")]
        self.assertEqual(bad, [])

    def test_windows_do_not_include_each_other(self):
        bad = []
        for source, target in includes():
            for folder in WINDOW_FOLDERS:
                other = [f for f in WINDOW_FOLDERS if f != folder]
                if source.startswith(f"gui/{folder}/") and any(target.startswith(f"gui/{o}/") for o in other):
                    bad.append((source, target))
        self.assertEqual(bad, [])



class EngineLibrary(unittest.TestCase):
    def test_engine_sees_only_its_interface(self):
        bad = [(s, t) for s, t in includes()
               if s.startswith("engine/") and not (t.startswith("engine/") or t == "gui/player/PlayerEngine.h")]
        self.assertEqual(bad, [])

    def test_program_never_includes_the_engine(self):
        bad = [(s, t) for s, t in includes() if t.startswith("engine/") and not s.startswith("engine/")]
        self.assertEqual(bad, [])

    def test_web_engine_headers_stay_in_the_engine(self):
        system = re.compile(r'^\s*#\s*include\s+<(QtWebEngine\w*/)?QWebEngine\w*>', re.M)
        bad = [path.relative_to(SRC).as_posix() for path in sorted(SRC.rglob("*"))
               if path.suffix in (".h", ".cpp") and not path.relative_to(SRC).as_posix().startswith("engine/")
               and system.search(path.read_text(encoding="utf-8"))]
        self.assertEqual(bad, [])


if __name__ == "__main__":
    unittest.main()
