"""Minimal SWF writer: shapes, sprites, placement, lossless bitmaps and AVM1 bytecode.

Only what the demo movies need. Coordinates passed in are pixels unless named *_tw (twips).
"""

import math
import struct
import zlib

TWIPS = 20

# Tag codes
END = 0
SHOW_FRAME = 1
DEFINE_SHAPE = 2
SET_BACKGROUND_COLOR = 9
DO_ACTION = 12
DEFINE_BITS_LOSSLESS = 20
PLACE_OBJECT2 = 26
DEFINE_SHAPE3 = 32
DEFINE_SPRITE = 39
FILE_ATTRIBUTES = 69


class BitWriter:
    def __init__(self):
        self._bytes = bytearray()
        self._acc = 0
        self._nbits = 0

    def ub(self, nbits, value):
        if value < 0 or value >= (1 << nbits):
            raise ValueError(f"{value} does not fit in {nbits} unsigned bits")
        self._acc = (self._acc << nbits) | value
        self._nbits += nbits
        while self._nbits >= 8:
            self._nbits -= 8
            self._bytes.append((self._acc >> self._nbits) & 0xFF)
        self._acc &= (1 << self._nbits) - 1

    def sb(self, nbits, value):
        if nbits and not (-(1 << (nbits - 1)) <= value < (1 << (nbits - 1))):
            raise ValueError(f"{value} does not fit in {nbits} signed bits")
        self.ub(nbits, value & ((1 << nbits) - 1))

    def align(self):
        if self._nbits:
            self.ub(8 - self._nbits, 0)

    def getvalue(self):
        self.align()
        return bytes(self._bytes)


def sbits(*values):
    """Bits needed to hold every value as a signed field."""
    n = 1
    for v in values:
        v = int(v)
        while not (-(1 << (n - 1)) <= v < (1 << (n - 1))):
            n += 1
    return n


def rect(xmin_tw, xmax_tw, ymin_tw, ymax_tw):
    bw = BitWriter()
    n = sbits(xmin_tw, xmax_tw, ymin_tw, ymax_tw)
    bw.ub(5, n)
    for v in (xmin_tw, xmax_tw, ymin_tw, ymax_tw):
        bw.sb(n, v)
    return bw.getvalue()


def fixed16(value):
    return int(round(value * 65536))


def matrix(tx=0.0, ty=0.0, scale=1.0, rotation_deg=0.0, scale_x=None, scale_y=None):
    """MATRIX record; translation in pixels, scale as a factor."""
    sx = scale if scale_x is None else scale_x
    sy = scale if scale_y is None else scale_y
    r = math.radians(rotation_deg)
    a, d = fixed16(math.cos(r) * sx), fixed16(math.cos(r) * sy)
    b, c = fixed16(math.sin(r) * sx), fixed16(-math.sin(r) * sy)
    bw = BitWriter()
    if a != 65536 or d != 65536:
        bw.ub(1, 1)
        n = sbits(a, d)
        bw.ub(5, n)
        bw.sb(n, a)
        bw.sb(n, d)
    else:
        bw.ub(1, 0)
    if b or c:
        bw.ub(1, 1)
        n = sbits(b, c)
        bw.ub(5, n)
        bw.sb(n, b)
        bw.sb(n, c)
    else:
        bw.ub(1, 0)
    x, y = int(round(tx * TWIPS)), int(round(ty * TWIPS))
    n = sbits(x, y) if (x or y) else 0
    bw.ub(5, n)
    bw.sb(n, x)
    bw.sb(n, y)
    return bw.getvalue()


def tag(code, body=b""):
    # Bitmap tags always take the long header; some players insist.
    if len(body) < 0x3F and code != DEFINE_BITS_LOSSLESS:
        return struct.pack("<H", (code << 6) | len(body)) + body
    return struct.pack("<HI", (code << 6) | 0x3F, len(body)) + body


def rgb(color):
    return bytes(color[:3])


def rgba(color):
    return bytes(color[:3]) + bytes([color[3] if len(color) > 3 else 255])


# --- shapes -----------------------------------------------------------------------------------------------------


def _polygon_path(points):
    """Points (pixels) to a move + straight edges list in twips, closed."""
    tw = [(int(round(x * TWIPS)), int(round(y * TWIPS))) for x, y in points]
    edges = []
    for (x0, y0), (x1, y1) in zip(tw, tw[1:] + tw[:1]):
        edges.append(("line", x1 - x0, y1 - y0))
    return tw[0], edges


def _circle_path(cx, cy, r, segments=8):
    """Circle from quadratic curves; each control point sits on the tangent intersection."""
    step = 2 * math.pi / segments
    ctrl_r = r / math.cos(step / 2)

    def pt(radius, angle):
        return (int(round((cx + radius * math.cos(angle)) * TWIPS)), int(round((cy + radius * math.sin(angle)) * TWIPS)))

    start = pt(r, 0)
    edges = []
    cur = start
    for i in range(segments):
        c = pt(ctrl_r, (i + 0.5) * step)
        a = pt(r, (i + 1) * step) if i + 1 < segments else start
        edges.append(("curve", c[0] - cur[0], c[1] - cur[1], a[0] - c[0], a[1] - c[1]))
        cur = a
    return start, edges


def polygon(points):
    return _polygon_path(points)


def circle(cx, cy, r):
    return _circle_path(cx, cy, r)


def rectangle(x, y, w, h):
    return _polygon_path([(x, y), (x + w, y), (x + w, y + h), (x, y + h)])


def star(cx, cy, r_outer, r_inner, points=5):
    pts = []
    for i in range(points * 2):
        r = r_outer if i % 2 == 0 else r_inner
        a = -math.pi / 2 + i * math.pi / points
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return _polygon_path(pts)


def _path_bounds(paths):
    xs, ys = [], []
    for (sx, sy), edges in paths:
        x, y = sx, sy
        xs.append(x)
        ys.append(y)
        for e in edges:
            if e[0] == "line":
                x, y = x + e[1], y + e[2]
            else:
                xs.append(x + e[1])
                ys.append(y + e[2])
                x, y = x + e[1] + e[3], y + e[2] + e[4]
            xs.append(x)
            ys.append(y)
    return min(xs), max(xs), min(ys), max(ys)


def solid_fill(color):
    return ("solid", color)


def bitmap_fill(bitmap_id, mat):
    """Clipped, unsmoothed bitmap fill; mat is a MATRIX record (bitmap pixels map to twips)."""
    return ("bitmap", bitmap_id, mat)


def define_shape3(shape_id, parts, line=None):
    """parts: list of (fill, path) drawn with fill style 1..n; line: optional (width_px, rgba)."""
    fills = [p[0] for p in parts]
    if len(fills) > 254:
        raise ValueError("too many fill styles")
    body = bytearray(struct.pack("<H", shape_id))
    xmin, xmax, ymin, ymax = _path_bounds([p[1] for p in parts])
    pad = int(line[0] * TWIPS) if line else 0
    body += rect(xmin - pad, xmax + pad, ymin - pad, ymax + pad)
    body.append(len(fills))
    for f in fills:
        if f[0] == "solid":
            body.append(0x00)
            body += rgba(f[1])
        else:
            body.append(0x43)
            body += struct.pack("<H", f[1]) + f[2]
    if line:
        body.append(1)
        body += struct.pack("<H", int(line[0] * TWIPS)) + rgba(line[1])
    else:
        body.append(0)
    fill_bits = max(1, (len(fills)).bit_length())
    line_bits = 1 if line else 0
    bw = BitWriter()
    bw.ub(4, fill_bits)
    bw.ub(4, line_bits)
    for index, (_, path) in enumerate(parts, start=1):
        (sx, sy), edges = path
        # Style change: move to start, set fill 1 (and line on first part).
        has_line = bool(line) and index == 1
        bw.ub(1, 0)
        bw.ub(1, 0)  # new styles
        bw.ub(1, 1 if has_line else 0)
        bw.ub(1, 1)  # fill style 1
        bw.ub(1, 0)  # fill style 0
        bw.ub(1, 1)  # move to
        n = sbits(sx, sy)
        bw.ub(5, n)
        bw.sb(n, sx)
        bw.sb(n, sy)
        bw.ub(fill_bits, index)
        if has_line:
            bw.ub(line_bits, 1)
        for e in edges:
            if e[0] == "line":
                dx, dy = e[1], e[2]
                if not dx and not dy:
                    continue
                n = max(2, sbits(dx, dy))
                bw.ub(1, 1)
                bw.ub(1, 1)
                bw.ub(4, n - 2)
                if dx and dy:
                    bw.ub(1, 1)
                    bw.sb(n, dx)
                    bw.sb(n, dy)
                else:
                    bw.ub(1, 0)
                    bw.ub(1, 1 if dx == 0 else 0)
                    bw.sb(n, dy if dx == 0 else dx)
            else:
                vals = e[1:]
                n = max(2, sbits(*vals))
                bw.ub(1, 1)
                bw.ub(1, 0)
                bw.ub(4, n - 2)
                for v in vals:
                    bw.sb(n, v)
    bw.ub(6, 0)  # end shape
    body += bw.getvalue()
    return tag(DEFINE_SHAPE3, bytes(body))


# --- bitmaps ----------------------------------------------------------------------------------------------------


def define_bits_lossless_rgb(bitmap_id, width, height, rgb_bytes, level=6):
    """24-bit lossless bitmap (format 5: each pixel stored as reserved, R, G, B)."""
    if len(rgb_bytes) != width * height * 3:
        raise ValueError("pixel data does not match the bitmap size")
    pix = bytearray(width * height * 4)
    pix[1::4] = rgb_bytes[0::3]
    pix[2::4] = rgb_bytes[1::3]
    pix[3::4] = rgb_bytes[2::3]
    body = struct.pack("<HBHH", bitmap_id, 5, width, height) + zlib.compress(bytes(pix), level)
    return tag(DEFINE_BITS_LOSSLESS, body)


# --- display list -----------------------------------------------------------------------------------------------


def place_object2(depth, character_id=None, mat=None, name=None, move=False):
    flags = 0
    rest = bytearray()
    if move:
        flags |= 0x01
    if character_id is not None:
        flags |= 0x02
        rest += struct.pack("<H", character_id)
    if mat is not None:
        flags |= 0x04
        rest += mat
    if name is not None:
        flags |= 0x20
        rest += name.encode("utf-8") + b"\0"
    return tag(PLACE_OBJECT2, bytes([flags]) + struct.pack("<H", depth) + bytes(rest))


def show_frame():
    return tag(SHOW_FRAME)


def end():
    return tag(END)


def define_sprite(sprite_id, frame_count, control_tags):
    return tag(DEFINE_SPRITE, struct.pack("<HH", sprite_id, frame_count) + b"".join(control_tags) + end())


def do_action(code):
    return tag(DO_ACTION, code + b"\0")


def set_background_color(color):
    return tag(SET_BACKGROUND_COLOR, rgb(color))


def file_attributes(flags=0):
    return tag(FILE_ATTRIBUTES, struct.pack("<I", flags))


def movie(tags, frame_count, width=550, height=400, fps=24, version=8, compress=False):
    """Whole file. The header length is always the uncompressed length, as players expect."""
    body = rect(0, width * TWIPS, 0, height * TWIPS)
    body += struct.pack("<HH", int(fps * 256), frame_count)
    body += b"".join(tags) + end()
    length = 8 + len(body)
    if compress:
        return b"CWS" + bytes([version]) + struct.pack("<I", length) + zlib.compress(body, 9)
    return b"FWS" + bytes([version]) + struct.pack("<I", length) + body


# --- AVM1 -------------------------------------------------------------------------------------------------------


class Actions:
    """Tiny AVM1 assembler. Branches use labels, resolved when assembled."""

    GET_VARIABLE = 0x1C
    SET_VARIABLE = 0x1D
    GET_MEMBER = 0x4E
    SET_MEMBER = 0x4F
    CALL_METHOD = 0x52
    ADD2 = 0x47
    SUBTRACT = 0x0B
    MULTIPLY = 0x0C
    MODULO = 0x3F
    NOT = 0x12
    POP = 0x17
    STOP = 0x07

    def __init__(self):
        self._items = []  # bytes or ("branch", opcode, label) or ("label", name)

    def op(self, code):
        self._items.append(bytes([code]))
        return self

    def push(self, *values):
        data = bytearray()
        for v in values:
            if isinstance(v, bool):
                data += bytes([5, 1 if v else 0])
            elif isinstance(v, int):
                data += bytes([7]) + struct.pack("<i", v)
            elif isinstance(v, float):
                data += bytes([6]) + struct.pack("<d", v)[4:] + struct.pack("<d", v)[:4]
            elif v is None:
                data += bytes([2])
            else:
                data += bytes([0]) + v.encode("utf-8") + b"\0"
        self._items.append(bytes([0x96]) + struct.pack("<H", len(data)) + bytes(data))
        return self

    def label(self, name):
        self._items.append(("label", name))
        return self

    def branch_if(self, label):
        self._items.append(("branch", 0x9D, label))
        return self

    def jump(self, label):
        self._items.append(("branch", 0x99, label))
        return self

    def define_function(self, body, name="", params=()):
        code = body.assemble()
        head = name.encode("utf-8") + b"\0" + struct.pack("<H", len(params))
        for p in params:
            head += p.encode("utf-8") + b"\0"
        head += struct.pack("<H", len(code))
        self._items.append(bytes([0x9B]) + struct.pack("<H", len(head)) + head + code)
        return self

    # Helpers for common statements.
    def get_path(self, *names):
        """Push the value of a.b.c (first name is a variable)."""
        self.push(names[0]).op(self.GET_VARIABLE)
        for n in names[1:]:
            self.push(n).op(self.GET_MEMBER)
        return self

    def call_method(self, obj_path, method, *args):
        self.push(*reversed(args), len(args))
        self.get_path(*obj_path)
        self.push(method).op(self.CALL_METHOD)
        return self

    def assemble(self):
        offsets = {}
        pos = 0
        for item in self._items:
            if isinstance(item, tuple):
                if item[0] == "label":
                    offsets[item[1]] = pos
                else:
                    pos += 5
            else:
                pos += len(item)
        out = bytearray()
        for item in self._items:
            if isinstance(item, tuple):
                if item[0] == "branch":
                    after = len(out) + 5
                    out += bytes([item[1]]) + struct.pack("<Hh", 2, offsets[item[2]] - after)
            else:
                out += item
        return bytes(out)
