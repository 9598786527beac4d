import os
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "demo"))

import movies  # noqa: E402
import swf  # noqa: E402
import swfread  # noqa: E402

DEFINE_SHAPE3, DO_ACTION, DEFINE_SPRITE, SET_BG, FILE_ATTRIBUTES = 32, 12, 39, 9, 69


def build(game_id, scheme, big=False, compress=False):
    return movies.build_movie(movies.MovieOptions(game_id, scheme=scheme, big=big, compress=compress, seed=7))


class BitFieldsTest(unittest.TestCase):
    def test_signed_fields_round_trip_at_their_limits(self):
        for values in ([0, 11000, 0, 8000], [-1, 1, -64, 63], [-(1 << 20), (1 << 20) - 1, 5, -5]):
            got, _ = swfread.read_rect(swf.rect(*values), 0)
            self.assertEqual(got, values)

    def test_value_too_wide_for_field_is_refused(self):
        w = swf.BitWriter()
        with self.assertRaises(ValueError):
            w.sb(4, 8)
        with self.assertRaises(ValueError):
            w.ub(3, 8)


class MovieFileTest(unittest.TestCase):
    def check_movie(self, raw):
        info = swfread.parse(raw)
        self.assertEqual(info["length"], info["size"], "header length must be the uncompressed file size")
        self.assertEqual(info["version"], 8)
        self.assertEqual(info["rect"], [0, 550 * 20, 0, 400 * 20])
        self.assertEqual(info["rate"], 24)
        tags = info["tags"]
        self.assertEqual(tags[0][0], FILE_ATTRIBUTES, "FileAttributes must come first in SWF 8")
        self.assertEqual(tags[-1], (0, b""))
        self.assertEqual(sum(1 for code, _ in tags if code == 1), info["frames"])
        self.assertGreater(info["frames"], 1)
        for code, body in tags:
            if code == DEFINE_SHAPE3:
                bounds, paths = swfread.shape_paths(body)
                for start, end in paths:
                    self.assertEqual(start, end, "every outline must close")
            if code == DEFINE_SPRITE:
                sub, pos = swfread.read_tags(body, 4)
                self.assertEqual(pos, len(body))
                self.assertEqual(sub[-1], (0, b""))
        return info

    def test_every_scheme_both_header_kinds(self):
        for n, scheme in enumerate(movies.SCHEMES, start=1):
            for compress in (False, True):
                with self.subTest(scheme=scheme, compress=compress):
                    raw = build(n, scheme, compress=compress)
                    if not compress:
                        self.assertEqual(struct.unpack("<I", raw[4:8])[0], len(raw))
                    self.assertEqual(raw[:3], b"CWS" if compress else b"FWS")
                    self.check_movie(raw)

    def test_big_movie_is_about_two_megabytes_and_well_formed(self):
        raw = build(3, "mouse", big=True)
        self.assertTrue(1_800_000 < len(raw) < 2_600_000, len(raw))
        self.check_movie(raw)

    def test_neighbouring_games_have_different_backgrounds(self):
        colours = set()
        for game_id in range(1, 49):
            tags = swfread.parse(build(game_id, "arrows"))["tags"]
            colours.add(next(body for code, body in tags if code == SET_BG))
        self.assertEqual(len(colours), 48)

    def test_same_input_gives_same_bytes(self):
        self.assertEqual(build(5, "wasd", compress=True), build(5, "wasd", compress=True))


class ActionScriptTest(unittest.TestCase):
    def frame_actions(self, scheme):
        tags = swfread.parse(build(9, scheme))["tags"]
        blocks = [body for code, body in tags if code == DO_ACTION]
        self.assertEqual(len(blocks), 1)
        return blocks[0], swfread.actions(blocks[0])

    def pushed_strings(self, block, acts):
        out = []
        for _, op, payload in acts:
            if op == 0x96:
                i = 0
                while i < len(payload):
                    kind = payload[i]
                    i += 1
                    if kind == 0:
                        j = payload.index(0, i)
                        out.append(payload[i:j].decode())
                        i = j + 1
                    else:
                        i += {1: 4, 2: 0, 3: 0, 4: 1, 5: 1, 6: 8, 7: 4, 8: 1, 9: 2}[kind]
        return out

    def test_bytecode_is_well_formed_for_every_scheme(self):
        for scheme in movies.SCHEMES:
            with self.subTest(scheme=scheme):
                block, acts = self.frame_actions(scheme)
                self.assertEqual(acts[-1][1], 0)
                self.assertIn(0x9B, [op for _, op, _ in acts])

    def test_keys_read_match_the_scheme(self):
        def keys_used(scheme):
            block, acts = self.frame_actions(scheme)
            ints = []
            for _, op, payload in acts:
                if op == 0x96 and payload[:1] == b"\x07" and len(payload) >= 5:
                    ints.append(struct.unpack("<i", payload[1:5])[0])
            return set(ints), self.pushed_strings(block, acts)

        ints, names = keys_used("arrows")
        self.assertTrue({37, 38, 39, 40} <= ints)
        self.assertIn("isDown", names)
        ints, names = keys_used("wasd")
        self.assertTrue({65, 68, 83, 87} <= ints)
        self.assertFalse({37, 38, 39, 40} & ints)
        ints, names = keys_used("arrows_space")
        self.assertIn(32, ints)
        ints, names = keys_used("mouse")
        self.assertNotIn("isDown", names)
        self.assertIn("_xmouse", names)


if __name__ == "__main__":
    unittest.main()
