#!/usr/bin/env python3
"""Paints every picture of the Tabrazo skin into this folder and writes skin.qrc.

Run it again after changing a colour or a rectangle; the output is byte-for-byte the same on
every run (no randomness, no time stamps), so the PNGs can be committed. Needs python3-pil
and fonts-wqy-zenhei.

Rectangles are the windows' design rectangles in twips (15 per pixel), so they can be held
against the window layouts. Image buttons show a plain copy of their picture, so each button
picture carries the window background that lies beneath it.
"""

import math
import os
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    # Debian's python3-pil lives outside a non-system interpreter's path (e.g. pyenv's).
    sys.path.append("/usr/lib/python3/dist-packages")
    from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
SS = 4  # shapes are drawn at this scale and reduced by area averaging: smooth edges

KEY = (246, 0, 255)  # the windows' colour key; such pixels are cut out of the window shape

# One palette for every window.
NAVY = (14, 33, 74)
HEADER_TOP = (34, 86, 170)
HEADER_BOTTOM = (21, 56, 124)
FOOTER_TOP = (24, 60, 130)
FOOTER_BOTTOM = (16, 42, 96)
ACCENT = (255, 101, 1)  # the links' hover orange
ACCENT_TOP = (255, 138, 52)
ACCENT_BOTTOM = (240, 94, 6)
BODY = (243, 246, 251)
PANEL = (255, 255, 255)
LINE = (212, 220, 233)
TAB_IDLE = (229, 235, 244)
TEXT = (30, 41, 59)
TEXT_BLUE = (23, 62, 138)
MUTED = (100, 116, 139)
FAINT = (160, 172, 190)
WHITE = (255, 255, 255)
CLOSE_RED = (228, 62, 72)
CLOSE_RED_DOWN = (190, 38, 50)

STATES = ("normal", "hover", "pressed", "disabled")


def px(twips):
    return twips // 15


def rect(left, top, width, height):
    """Design rectangle in twips -> (x, y, w, h) in pixels."""
    return (px(left), px(top), px(width), px(height))


def rgba(colour, alpha=255):
    return tuple(colour[:3]) + (alpha,)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


_fonts = {}


def cjk(size):
    if size not in _fonts:
        _fonts[size] = ImageFont.truetype(CJK_FONT, size, index=0)
    return _fonts[size]


class Layer:
    """An RGBA picture whose shapes are drawn SS times larger and reduced by area averaging."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.big = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))

    # Shapes take pixel coordinates of the final picture; any paint is a colour, an
    # (r, g, b, a) colour or ("v", top, bottom[, alpha]) for a vertical gradient.
    def _fill(self, bounds, draw_mask, paint):
        x0, y0, x1, y1 = (math.floor(bounds[0]), math.floor(bounds[1]), math.ceil(bounds[2]), math.ceil(bounds[3]))
        x0, y0 = max(x0, 0), max(y0, 0)
        x1, y1 = min(x1, self.w), min(y1, self.h)
        if x1 <= x0 or y1 <= y0:
            return
        size = ((x1 - x0) * SS, (y1 - y0) * SS)
        mask = Image.new("L", size, 0)
        draw_mask(ImageDraw.Draw(mask), lambda x, y: ((x - x0) * SS, (y - y0) * SS))
        colour = self._paint(paint, size)
        alpha = colour.getchannel("A")
        alpha = Image.composite(alpha, Image.new("L", size, 0), mask)
        colour.putalpha(alpha)
        self.big.alpha_composite(colour, dest=(x0 * SS, y0 * SS))

    def _paint(self, paint, size):
        if isinstance(paint, tuple) and paint and paint[0] == "v":
            # Vertical gradients run over the shape's own height.
            top, bottom = paint[1], paint[2]
            alpha = paint[3] if len(paint) > 3 else 255
            column = Image.new("RGBA", (1, size[1]))
            for y in range(size[1]):
                column.putpixel((0, y), rgba(mix(top, bottom, y / max(1, size[1] - 1)), alpha))
            return column.resize(size, Image.NEAREST)
        return Image.new("RGBA", size, rgba(paint, paint[3] if len(paint) > 3 else 255))

    def custom(self, bounds, draw, paint):
        """One shape made of several strokes: draw(d, p) paints 255 to add and 0 to cut."""
        self._fill(bounds, draw, paint)

    def gradient(self, paint, y_from, y_to):
        """A vertical gradient over the given rows, measured from y_from."""
        top, bottom = paint[1], paint[2]
        alpha = paint[3] if len(paint) > 3 else 255
        for y in range(int(y_from * SS), int(y_to * SS)):
            t = (y - y_from * SS) / max(1, (y_to - y_from) * SS - 1)
            colour = rgba(mix(top, bottom, t), alpha)
            row = Image.new("RGBA", (self.w * SS, 1), colour)
            self.big.alpha_composite(row, dest=(0, y))

    def rect(self, box, paint):
        self._fill(box, lambda d, p: d.rectangle((*p(box[0], box[1]), *_inner(p(box[2], box[3]))), fill=255), paint)

    def rrect(self, box, radius, paint, corners=None):
        self._fill(box, lambda d, p: _rounded(d, p(box[0], box[1]), p(box[2], box[3]), radius * SS, corners, 255), paint)

    def rrect_outline(self, box, radius, width, paint, corners=None):
        def draw(d, p):
            (x0, y0), (x1, y1), k = p(box[0], box[1]), p(box[2], box[3]), width * SS
            _rounded(d, (x0, y0), (x1, y1), radius * SS, corners, 255)
            _rounded(d, (x0 + k, y0 + k), (x1 - k, y1 - k), max(0, radius * SS - k), corners, 0)

        self._fill(box, draw, paint)

    def ellipse(self, box, paint):
        self._fill(box, lambda d, p: d.ellipse((*p(box[0], box[1]), *_inner(p(box[2], box[3]))), fill=255), paint)

    def ring(self, cx, cy, r, width, paint):
        box = (cx - r, cy - r, cx + r, cy + r)
        self._fill(
            box,
            lambda d, p: d.ellipse((*p(box[0], box[1]), *_inner(p(box[2], box[3]))), outline=255, width=round(width * SS)),
            paint,
        )

    def arc(self, cx, cy, r, start, end, width, paint):
        box = (cx - r, cy - r, cx + r, cy + r)
        self._fill(
            box,
            lambda d, p: d.arc((*p(box[0], box[1]), *_inner(p(box[2], box[3]))), start, end, fill=255, width=round(width * SS)),
            paint,
        )

    def polygon(self, points, paint):
        xs, ys = [pt[0] for pt in points], [pt[1] for pt in points]
        self._fill((min(xs), min(ys), max(xs), max(ys)), lambda d, p: d.polygon([p(*pt) for pt in points], fill=255), paint)

    def line(self, points, width, paint, round_caps=True):
        xs, ys = [pt[0] for pt in points], [pt[1] for pt in points]
        pad = width
        bounds = (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)

        def draw(d, p):
            d.line([p(*pt) for pt in points], fill=255, width=round(width * SS), joint="curve")
            if round_caps:
                r = width * SS / 2
                for pt in (points[0], points[-1]):
                    cx, cy = p(*pt)
                    d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=255)

        self._fill(bounds, draw, paint)

    def text(self, xy, s, size, paint, anchor="la", embolden=0.0):
        """Large text drawn at the big scale (smooth, unhinted): headings and the word mark."""
        font = ImageFont.truetype(CJK_FONT, size * SS, index=0)
        stroke = round(embolden * SS)
        left, top, right, bottom = font.getbbox(s, anchor=anchor, stroke_width=stroke)
        x, y = xy[0] * SS, xy[1] * SS
        bounds = ((x + left) / SS - 1, (y + top) / SS - 1, (x + right) / SS + 1, (y + bottom) / SS + 1)

        def draw(d, p):
            d.text(p(xy[0], xy[1]), s, font=font, fill=255, anchor=anchor, stroke_width=stroke, stroke_fill=255)

        self._fill(bounds, draw, paint)

    def image(self):
        return self.big.resize((self.w, self.h), Image.BOX)


def _rounded(d, top_left, bottom_right, r, corners, fill):
    """Rounded rectangle whose corners (top-left, top-right, bottom-right, bottom-left) may stay square."""
    x0, y0 = top_left
    x1, y1 = _inner(bottom_right)
    if x1 < x0 or y1 < y0:
        return
    d.rounded_rectangle((x0, y0, x1, y1), r, fill=fill)
    if corners is None:
        return
    k = math.ceil(r) + 1
    squares = [(x0, y0, x0 + k, y0 + k), (x1 - k, y0, x1, y0 + k), (x1 - k, y1 - k, x1, y1), (x0, y1 - k, x0 + k, y1)]
    for keep_round, square in zip(corners, squares):
        if not keep_round:
            d.rectangle(square, fill=fill)


def _inner(pt):
    # PIL boxes include their last pixel; ours end before it.
    return (pt[0] - 1, pt[1] - 1)


def small_text(img, xy, s, size, colour, anchor="mm", alpha=255):
    """Captions: drawn at the final size so the glyphs stay hinted and crisp."""
    overlay = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ImageDraw.Draw(overlay).text(xy, s, font=cjk(size), fill=rgba(colour, alpha), anchor=anchor)
    img.alpha_composite(overlay)


def text_width(s, size):
    left, _, right, _ = cjk(size).getbbox(s)
    return right - left


def over(base, layer):
    out = base.copy()
    out.alpha_composite(layer.image())
    return out


def shape_mask(w, h, radius):
    """Window outline: 255 inside, 0 outside; hard edged, since the key colour cannot blend."""
    big = Image.new("L", (w * SS, h * SS), 0)
    d = ImageDraw.Draw(big)
    d.rounded_rectangle((0, 0, w * SS - 1, h * SS - 1), radius * SS, fill=255)
    small = big.resize((w, h), Image.BOX)
    return small.point(lambda v: 255 if v >= 128 else 0)


def keyed(img, mask):
    """Pixels outside the window's outline become exactly the key colour."""
    out = img.convert("RGB")
    key = Image.new("RGB", img.size, KEY)
    return Image.composite(out, key, mask)


def save(img, name, written):
    path = os.path.join(HERE, name + ".png")
    img.convert("RGB").save(path, "PNG", optimize=False, compress_level=9)
    written.append(name + ".png")


# ---------------------------------------------------------------------------------------------
# Icons, drawn into a layer centred on (cx, cy).


def icon_forum(L, cx, cy, paint):
    L.rrect_outline((cx - 6.5, cy - 5.5, cx + 6.5, cy + 3.5), 2.5, 1.4, paint)
    L.polygon([(cx - 3.5, cy + 2.8), (cx - 3.5, cy + 6.2), (cx + 0.2, cy + 2.8)], paint)
    for dx in (-3, 0, 3):
        L.ellipse((cx + dx - 0.9, cy - 1.9, cx + dx + 0.9, cy - 0.1), paint)


def icon_menu(L, cx, cy, paint):
    for dy in (-3.5, 0, 3.5):
        L.line([(cx - 5, cy + dy), (cx + 5, cy + dy)], 1.4, paint)


def icon_minimise(L, cx, cy, paint):
    L.line([(cx - 5, cy + 1), (cx + 5, cy + 1)], 1.5, paint)


def icon_close(L, cx, cy, paint, r=4.5, width=1.5):
    L.line([(cx - r, cy - r), (cx + r, cy + r)], width, paint)
    L.line([(cx - r, cy + r), (cx + r, cy - r)], width, paint)


def icon_search(L, cx, cy, paint):
    L.ring(cx - 1.5, cy - 1.5, 5.2, 1.8, paint)
    L.line([(cx + 2.3, cy + 2.3), (cx + 5.8, cy + 5.8)], 2.2, paint)


def icon_cog(L, cx, cy, paint):
    def draw(d, p):
        for i in range(8):
            a = 2 * math.pi * i / 8
            pts = [(cx + r * math.cos(a + da), cy + r * math.sin(a + da)) for da, r in
                   ((-0.26, 5.2), (-0.17, 7.7), (0.17, 7.7), (0.26, 5.2))]
            d.polygon([p(*pt) for pt in pts], fill=255)
        d.ellipse((*p(cx - 5.7, cy - 5.7), *p(cx + 5.7, cy + 5.7)), fill=255)
        d.ellipse((*p(cx - 2.4, cy - 2.4), *p(cx + 2.4, cy + 2.4)), fill=0)

    L.custom((cx - 8, cy - 8, cx + 8, cy + 8), draw, paint)


def icon_play_window(L, cx, cy, paint):
    L.rrect_outline((cx - 7, cy - 5.5, cx + 7, cy + 5.5), 2, 1.3, paint)
    L.polygon([(cx - 1.8, cy - 2.8), (cx - 1.8, cy + 2.8), (cx + 3.2, cy)], paint)


def icon_star(L, cx, cy, paint, r=6.5):
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        rr = r if i % 2 == 0 else r * 0.45
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    L.polygon(pts, paint)


def icon_restart(L, cx, cy, paint):
    r, end = 5.4, 320
    L.arc(cx, cy, r, 30, end, 1.6, paint)
    # Arrow head at the arc's end, pointing along the (clockwise) direction of travel.
    a = math.radians(end)
    ex, ey = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)
    nx, ny = math.cos(a), math.sin(a)
    L.polygon([(ex + tx * 3.2, ey + ty * 3.2), (ex + nx * 3.0 - tx * 0.8, ey + ny * 3.0 - ty * 0.8),
               (ex - nx * 3.0 - tx * 0.8, ey - ny * 3.0 - ty * 0.8)], paint)


def icon_share(L, cx, cy, paint):
    a, b, c = (cx + 4, cy - 4.5), (cx - 4.5, cy), (cx + 4, cy + 4.5)
    L.line([a, b, c], 1.3, paint)
    for x, y in (a, b, c):
        L.ellipse((x - 2.3, y - 2.3, x + 2.3, y + 2.3), paint)


def icon_warning(L, cx, cy, paint):
    def draw(d, p):
        d.polygon([p(cx, cy - 5.5), p(cx + 6, cy + 5), p(cx - 6, cy + 5)], fill=255)
        d.line((*p(cx, cy - 1.8), *p(cx, cy + 1.2)), fill=0, width=round(1.4 * SS))
        d.ellipse((*p(cx - 0.8, cy + 2.2), *p(cx + 0.8, cy + 3.8)), fill=0)

    L.custom((cx - 6.5, cy - 6, cx + 6.5, cy + 5.5), draw, paint)


def icon_fullscreen(L, cx, cy, paint):
    r, k = 5.5, 3.2
    for sx in (-1, 1):
        for sy in (-1, 1):
            corner = (cx + sx * r, cy + sy * r)
            L.line([(corner[0], corner[1] - sy * k), corner, (corner[0] - sx * k, corner[1])], 1.5, paint)


def icon_logo(L, x, y, size):
    """The product mark: an orange tile with a white play arrow."""
    L.rrect((x, y, x + size, y + size), size * 0.26, ("v", ACCENT_TOP, ACCENT_BOTTOM))
    s = size
    L.polygon([(x + s * 0.38, y + s * 0.27), (x + s * 0.38, y + s * 0.73), (x + s * 0.75, y + s * 0.5)], WHITE)


def icon_offline(L, cx, cy, r, paint):
    """A globe crossed out: no network."""
    w = max(1.5, r / 9)

    def draw(d, p):
        s = SS
        d.ellipse((*p(cx - r, cy - r), *p(cx + r, cy + r)), outline=255, width=round(w * s))
        d.ellipse((*p(cx - r * 0.45, cy - r), *p(cx + r * 0.45, cy + r)), outline=255, width=round(w * s))
        d.line((*p(cx, cy - r), *p(cx, cy + r)), fill=255, width=round(w * s))
        d.line((*p(cx - r, cy), *p(cx + r, cy)), fill=255, width=round(w * s))
        for k in (-0.5, 0.5):
            half = r * math.sqrt(1 - k * k)
            d.line((*p(cx - half, cy + k * r), *p(cx + half, cy + k * r)), fill=255, width=round(w * s))
        a, b = p(cx - r * 1.05, cy - r * 1.05), p(cx + r * 1.05, cy + r * 1.05)
        d.line((*a, *b), fill=0, width=round(w * 3.4 * s))
        d.line((*a, *b), fill=255, width=round(w * 1.4 * s))

    L.custom((cx - r * 1.2, cy - r * 1.2, cx + r * 1.2, cy + r * 1.2), draw, paint)


# ---------------------------------------------------------------------------------------------
# Button families. Each takes the background under the button and returns its four pictures.


def title_button(base, icon, danger=False):
    w, h = base.size
    out = {}
    for state in STATES:
        L = Layer(w, h)
        icon_alpha = {"normal": 215, "hover": 255, "pressed": 255, "disabled": 90}[state]
        if danger and state in ("hover", "pressed"):
            L.rect((0, 0, w, h), CLOSE_RED if state == "hover" else CLOSE_RED_DOWN)
        elif state == "hover":
            L.rrect((1, 1, w - 1, h - 1), 3, rgba(WHITE, 44))
        elif state == "pressed":
            L.rrect((1, 1, w - 1, h - 1), 3, rgba(NAVY, 110))
        icon(L, w / 2, h / 2, rgba(WHITE, icon_alpha))
        out[state] = over(base, L)
    return out


def search_button(base):
    w, h = base.size
    out = {}
    paints = {
        "normal": ("v", ACCENT_TOP, ACCENT_BOTTOM),
        "hover": ("v", (255, 160, 88), (255, 112, 24)),
        "pressed": ("v", (222, 84, 0), (234, 96, 10)),
        "disabled": ("v", (132, 150, 186), (116, 134, 170)),
    }
    for state in STATES:
        L = Layer(w, h)
        L.rrect((0, 0, w, h), 4, paints[state], corners=(False, True, True, False))
        icon_search(L, w / 2 + (0.5 if state == "pressed" else 0), h / 2 + (0.5 if state == "pressed" else 0),
                    rgba(WHITE, 120 if state == "disabled" else 255))
        out[state] = over(base, L)
    return out


def header_pill(base, caption, icon):
    """Outlined button on the blue header; its pressed look is filled white (the toggle is on)."""
    w, h = base.size
    out = {}
    for state in STATES:
        L = Layer(w, h)
        box = (0.5, 0.5, w - 0.5, h - 0.5)
        if state == "normal":
            L.rrect(box, 4, rgba(WHITE, 26))
            L.rrect_outline(box, 4, 1, rgba(WHITE, 90))
            fg, alpha = WHITE, 240
        elif state == "hover":
            L.rrect(box, 4, rgba(WHITE, 52))
            L.rrect_outline(box, 4, 1, rgba(WHITE, 150))
            fg, alpha = WHITE, 255
        elif state == "pressed":
            L.rrect(box, 4, WHITE)
            fg, alpha = TEXT_BLUE, 255
        else:
            L.rrect_outline(box, 4, 1, rgba(WHITE, 45))
            fg, alpha = WHITE, 95
        tw = text_width(caption, 12)
        gap = 4
        start = (w - (14 + gap + tw)) / 2
        icon(L, start + 7, h / 2, rgba(fg, alpha))
        img = over(base, L)
        small_text(img, (round(start + 14 + gap), h // 2), caption, 12, fg, anchor="lm", alpha=alpha)
        out[state] = img
    return out


def view_tab(base, caption):
    """The main window's view buttons: a caption part and, right of 60 px, a drop-down arrow."""
    w, h = base.size
    out = {}
    for state in STATES:
        L = Layer(w, h)
        box = (0, 1, w, h)
        corners = (True, True, False, False)
        if state == "pressed":
            L.rrect(box, 5, PANEL, corners)
            L.rrect((4, 1, w - 4, 3), 1, ACCENT)
            fg, alpha = TEXT_BLUE, 255
        elif state == "hover":
            L.rrect(box, 5, rgba(WHITE, 58), corners)
            fg, alpha = WHITE, 255
        elif state == "normal":
            L.rrect(box, 5, rgba(WHITE, 30), corners)
            fg, alpha = WHITE, 225
        else:
            L.rrect(box, 5, rgba(WHITE, 14), corners)
            fg, alpha = WHITE, 90
        # Divider and arrow of the drop-down part.
        L.line([(62.5, 9), (62.5, h - 7)], 1, rgba(fg, alpha // 3), round_caps=False)
        ax, ay = 74.5, h / 2 + 1.5
        L.polygon([(ax - 3.8, ay - 2.2), (ax + 3.8, ay - 2.2), (ax, ay + 2.2)], rgba(fg, alpha))
        img = over(base, L)
        small_text(img, (32, h // 2 + 2), caption, 12, fg, alpha=alpha)
        out[state] = img
    return out


def cog_button(base):
    w, h = base.size
    out = {}
    for state in STATES:
        L = Layer(w, h)
        if state == "hover":
            L.ellipse((0, 0, w, h), rgba(WHITE, 40))
        colour = {"normal": rgba(WHITE, 215), "hover": WHITE, "pressed": ACCENT, "disabled": rgba(WHITE, 80)}[state]
        icon_cog(L, w / 2, h / 2, colour)
        out[state] = over(base, L)
    return out


def toolbar_button(base, caption, icon):
    """Player window header: flat buttons; pressed (also a held toggle) is the orange fill."""
    w, h = base.size
    out = {}
    for state in STATES:
        L = Layer(w, h)
        box = (1, 1, w - 1, h - 1)
        if state == "hover":
            L.rrect(box, 4, rgba(WHITE, 40))
            fg, alpha = WHITE, 255
        elif state == "pressed":
            L.rrect(box, 4, ("v", ACCENT_TOP, ACCENT_BOTTOM))
            fg, alpha = WHITE, 255
        elif state == "normal":
            fg, alpha = WHITE, 235
        else:
            fg, alpha = WHITE, 85
        tw = text_width(caption, 12)
        gap = 5
        start = (w - (14 + gap + tw)) / 2
        icon(L, start + 7, h / 2, rgba(fg, alpha))
        img = over(base, L)
        small_text(img, (round(start + 14 + gap), h // 2), caption, 12, fg, anchor="lm", alpha=alpha)
        out[state] = img
    return out


def light_tab(base, caption):
    """Tabs over a white text panel: the pressed one is white and joins the panel."""
    w, h = base.size
    out = {}
    for state in STATES:
        L = Layer(w, h)
        box = (0.5, 0.5, w - 0.5, h)
        corners = (True, True, False, False)
        if state == "pressed":
            L.rrect(box, 4, PANEL, corners)
            L.rrect_outline(box, 4, 1, LINE, corners)
            L.rect((1, h - 1, w - 1, h), PANEL)
            L.rrect((3, 0.5, w - 3, 2.5), 1, ACCENT)
            fg, alpha = TEXT_BLUE, 255
        elif state == "hover":
            L.rrect(box, 4, (238, 243, 250), corners)
            L.rrect_outline(box, 4, 1, LINE, corners)
            fg, alpha = TEXT, 255
        elif state == "normal":
            L.rrect(box, 4, TAB_IDLE, corners)
            L.rrect_outline(box, 4, 1, LINE, corners)
            fg, alpha = MUTED, 255
        else:
            L.rrect(box, 4, (236, 239, 244), corners)
            L.rrect_outline(box, 4, 1, LINE, corners)
            fg, alpha = FAINT, 255
        img = over(base, L)
        small_text(img, (w // 2, h // 2 + 1), caption, 12, fg, alpha=alpha)
        out[state] = img
    return out


def paint_buttons(background, mask, buttons, written):
    """Crops each button's place from the background, paints its states, keeps the key colour."""
    for name, (x, y, w, h), family in buttons:
        base = background.crop((x, y, x + w, y + h))
        pictures = family(base)
        for state in STATES:
            pic = pictures[state]
            if mask is not None:
                pic = keyed(pic, mask.crop((x, y, x + w, y + h)))
            assert pic.size == (w, h), name
            save(pic, "%s_%s" % (name, state), written)
        yield name, (x, y, w, h), pictures["normal"]


# ---------------------------------------------------------------------------------------------
# Main window FormMain: 4905 x 8625 twips.

MAIN_W, MAIN_H = px(4905), px(8625)
MAIN_BUTTONS = [
    ("FkButton", rect(3165, 0, 315, 300), lambda b: title_button(b, icon_forum)),
    ("XlMune", rect(3570, 0, 330, 300), lambda b: title_button(b, icon_menu)),
    ("ZuiXH", rect(3930, 0, 345, 300), lambda b: title_button(b, icon_minimise)),
    ("Guanbi", rect(4320, 0, 555, 300), lambda b: title_button(b, icon_close, danger=True)),
    ("SerImg", rect(3135, 480, 420, 405), search_button),
    ("GameFrmButton", rect(3705, 480, 1095, 405), lambda b: header_pill(b, "游戏窗", icon_play_window)),
    ("YxList", rect(105, 1050, 1320, 435), lambda b: view_tab(b, "游戏列表")),
    ("ScList", rect(1560, 1050, 1320, 435), lambda b: view_tab(b, "我的收藏")),
    ("SbpLAY", rect(3000, 1050, 1320, 435), lambda b: view_tab(b, "随便玩玩")),
    ("Sz", rect(4500, 1185, 255, 255), cog_button),
]
SEARCH_FRAME = rect(75, 480, 3075, 405)
LISTS = rect(45, 1485, 4815, 6645)
COVER = rect(45, 1485, 4830, 6660)
HEADER_H = LISTS[1]  # the header runs down to the lists; the view tabs stand on its edge
FOOTER_Y = LISTS[1] + LISTS[3]


def paint_search_frame():
    w, h = SEARCH_FRAME[2], SEARCH_FRAME[3]
    L = Layer(w, h)
    L.rrect((0, 0, w, h), 4, (10, 36, 90), corners=(True, False, False, True))
    L.rrect((1, 1, w, h - 1), 3, PANEL, corners=(True, False, False, True))
    L.rect((1, 1, w, 2), (226, 232, 242))
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    img.alpha_composite(L.image())
    return img


def paint_main(written):
    W, H = MAIN_W, MAIN_H
    mask = shape_mask(W, H, 8)
    L = Layer(W, H)
    L.rect((0, 0, W, H), BODY)
    L.gradient(("v", HEADER_TOP, HEADER_BOTTOM), 0, HEADER_H)
    # Soft light on the header's right, for depth.
    L.ellipse((190, -120, 420, 110), rgba(WHITE, 10))
    L.ellipse((240, -60, 380, 80), rgba(WHITE, 9))
    L.rect((0, 26, W, 27), rgba(WHITE, 14))
    # Lists panel and footer.
    L.rect(LISTS[:2] + (LISTS[0] + LISTS[2], LISTS[1] + LISTS[3]), PANEL)
    L.rect((0, FOOTER_Y, W, FOOTER_Y + 1), LINE)
    L.rect((0, FOOTER_Y + 1, W, H), (236, 241, 248))
    icon_logo(L, 8, 3.5, 14)
    L.text((27, 10.5), "Tabrazo", 13, WHITE, anchor="lm", embolden=0.35)
    clean = L.image()
    # Window outline over everything, buttons included.
    frame = Layer(W, H)
    frame.rrect_outline((0, 0, W, H), 8, 1, NAVY)
    outline = frame.image()

    search = paint_search_frame()
    clean.alpha_composite(search, dest=SEARCH_FRAME[:2])
    under_buttons = clean.copy()
    under_buttons.alpha_composite(outline)
    final = under_buttons.copy()
    for name, (x, y, w, h), normal in paint_buttons(under_buttons, mask, MAIN_BUTTONS, written):
        final.paste(normal, (x, y))
    x, y, w, h = SEARCH_FRAME
    save(under_buttons.crop((x, y, x + w, y + h)), "SerImages", written)
    save(keyed(final, mask), "FormMain", written)
    paint_cover(COVER[2], COVER[3], "DJ", written)


def paint_cover(w, h, name, written):
    """Offline cover: a crossed-out globe and the notice that the network is down."""
    L = Layer(w, h)
    L.gradient(("v", (247, 249, 253), (233, 239, 248)), 0, h)
    r = min(w, h) * 0.085
    cx, cy = w / 2, h * 0.40
    L.ellipse((cx - r * 2.1, cy - r * 2.1, cx + r * 2.1, cy + r * 2.1), (224, 231, 242))
    icon_offline(L, cx, cy, r, (120, 136, 162))
    L.text((w / 2, cy + r * 2.1 + 26), "网络未连接", 18 if w < 400 else 22, TEXT, anchor="mm", embolden=0.3)
    img = L.image()
    small_text(img, (w // 2, round(cy + r * 2.1 + 56 if w >= 400 else cy + r * 2.1 + 52)),
               "请检查网络连接后重新启动 Tabrazo", 12, MUTED)
    save(img, name, written)


# ---------------------------------------------------------------------------------------------
# Player window FlashFrm: client 8355 x 8085 twips.

PLAYER_W, PLAYER_H = px(8355), px(8085)
HEADER = rect(0, 0, 8310, 405)
FOOTER = rect(0, 7650, 8325, 435)
STRIP = rect(-15, 6540, 8205, 1110)
WELCOME = rect(0, 0, 8250, 6345)
OFFLINE = rect(0, 0, 8340, 7650)
PLAYER_HEADER_BUTTONS = [
    ("FlashSC", rect(45, 30, 1215, 345), lambda b: toolbar_button(b, "收藏游戏", icon_star)),
    ("FlashCXWW", rect(1305, 30, 1200, 345), lambda b: toolbar_button(b, "重新开始", icon_restart)),
    ("FlashFXYX", rect(2550, 30, 1200, 345), lambda b: toolbar_button(b, "分享游戏", icon_share)),
    ("QpGame", rect(7305, 30, 960, 345), lambda b: toolbar_button(b, "全屏", icon_fullscreen)),
]
STRIP_TABS = [
    ("GamePlayFF", rect(30, 15, 1065, 330), lambda b: light_tab(b, "玩法")),
    ("GameJs", rect(1095, 15, 1065, 330), lambda b: light_tab(b, "介绍")),
]
PLAYER_AREA = (14, 24, 40)


def header_strip(w, h):
    L = Layer(w, h)
    L.gradient(("v", HEADER_TOP, HEADER_BOTTOM), 0, h - 1)
    L.rect((0, 0, w, 1), rgba(WHITE, 30))
    L.rect((0, h - 1, w, h), NAVY)
    return L.image()


def footer_strip(w, h):
    L = Layer(w, h)
    L.gradient(("v", FOOTER_TOP, FOOTER_BOTTOM), 0, h)
    L.rect((0, 0, w, 1), NAVY)
    return L.image()


def paint_player(written):
    W, H = PLAYER_W, PLAYER_H
    header = header_strip(HEADER[2], HEADER[3])
    footer = footer_strip(FOOTER[2], FOOTER[3])
    save(header, "FlashFrm_header", written)
    save(footer, "FlashFrm_footer", written)

    # The header strip is the same in every column, so any crop of it fits a moved button.
    final_header = header.copy()
    for name, (x, y, w, h), normal in paint_buttons(header, None, PLAYER_HEADER_BUTTONS, written):
        final_header.paste(normal, (x, y))

    strip_bg = Image.new("RGBA", (STRIP[2], STRIP[3]), rgba(BODY))
    final_strip = strip_bg.copy()
    for name, (x, y, w, h), normal in paint_buttons(strip_bg, None, STRIP_TABS, written):
        final_strip.paste(normal, (x, y))

    img = Image.new("RGBA", (W, H), rgba(PLAYER_AREA))
    img.paste(Image.new("RGBA", (W, HEADER[3]), rgba(HEADER_BOTTOM)), (0, 0))
    img.paste(final_header, (0, 0))
    img.paste(Image.new("RGBA", (W, H - STRIP[1]), rgba(BODY)), (0, STRIP[1]))
    img.paste(final_strip, (STRIP[0], STRIP[1]))
    L = Layer(W, H)
    strip_left = px(75)
    L.rect((strip_left, STRIP[1] + px(330), strip_left + STRIP[2] - 1, STRIP[1] + px(330) + 1), LINE)
    img.alpha_composite(L.image())
    img.paste(Image.new("RGBA", (W, FOOTER[3]), rgba(FOOTER_BOTTOM)), (0, FOOTER[1]))
    img.paste(footer, (0, FOOTER[1]))
    save(img, "FlashFrm", written)
    paint_welcome(WELCOME[2], WELCOME[3], written)
    paint_cover(OFFLINE[2], OFFLINE[3], "WLWImg", written)


def paint_welcome(w, h, written):
    """The loading panel's picture; its lower part stays calm for the progress bar and texts."""
    L = Layer(w, h)
    L.gradient(("v", (247, 249, 253), (229, 236, 247)), 0, h)
    L.ellipse((-w * 0.25, h * 0.55, w * 0.55, h * 1.6), rgba(WHITE, 120))
    L.ellipse((w * 0.55, -h * 0.5, w * 1.3, h * 0.45), rgba((214, 226, 245), 110))
    size = 64
    cx, top = w / 2, h * 0.2
    icon_logo(L, cx - size / 2, top, size)
    L.text((cx, top + size + 30), "Tabrazo", 30, TEXT_BLUE, anchor="mm", embolden=0.5)
    img = L.image()
    small_text(img, (round(cx), round(top + size + 62)), "双击左侧列表中的游戏，马上开玩", 13, MUTED)
    save(img, "FlashFrm_welcome", written)


# ---------------------------------------------------------------------------------------------
# Game information window GameJsFrm: 481 x 280 pixels, keyed like the main window.

INFO_W, INFO_H = 481, 280
INFO_HEADER_H = 34
INFO_BUTTONS = [
    ("GameJSButtoncommand", rect(2340, 1620, 1125, 345), lambda b: light_tab(b, "游戏介绍")),
    ("CCFFButton", rect(3465, 1620, 1125, 345), lambda b: light_tab(b, "操作方法")),
    ("FlashUrlButton", rect(4590, 1620, 1125, 345), lambda b: light_tab(b, "文件地址")),
    ("OverFrmMeSL", rect(6615, 0, 570, 300), lambda b: title_button(b, icon_close, danger=True)),
]
THUMB = rect(420, 855, 1500, 1125)
START = rect(705, 2280, 945, 285)
LINKS = [rect(720, 2925, 720, 180), rect(720, 3285, 720, 180), rect(720, 3645, 720, 180)]
TEXT_PANEL = (px(2340), px(1620) + px(345), 466, 264)


def paint_info(written):
    W, H = INFO_W, INFO_H
    mask = shape_mask(W, H, 8)
    L = Layer(W, H)
    L.rect((0, 0, W, H), BODY)
    L.gradient(("v", HEADER_TOP, HEADER_BOTTOM), 0, INFO_HEADER_H)
    L.ellipse((330, -110, 560, 70), rgba(WHITE, 10))
    icon_logo(L, 10, 9, 16)
    # Left column: thumbnail card, start button, link icons.
    tx, ty, tw, th = THUMB
    L.rrect((tx - 5, ty - 5, tx + tw + 5, ty + th + 5), 4, rgba(NAVY, 22))
    L.rrect((tx - 4, ty - 4, tx + tw + 4, ty + th + 4), 3, PANEL)
    L.rect((tx, ty, tx + tw, ty + th), (236, 241, 248))
    sx, sy, sw, sh = START
    L.rrect((sx - 8, sy - 3, sx + sw + 8, sy + sh + 3), 5, ("v", ACCENT_TOP, ACCENT_BOTTOM))
    link_icons = [icon_star, icon_warning, icon_share]
    for (lx, ly, lw, lh), icon in zip(LINKS, link_icons):
        icon(L, lx - 10, ly + lh / 2, ACCENT)
    L.line([(142.5, INFO_HEADER_H + 14), (142.5, H - 14)], 1, LINE, round_caps=False)
    # Right column: the text panel under the tabs.
    x0, y0, x1, y1 = TEXT_PANEL
    L.rect((x0, y0, x1, y1), PANEL)
    L.rrect_outline((x0, y0 - 1, x1, y1), 2, 1, LINE, corners=(False, True, True, True))
    clean = L.image()
    # Texts: header title, start caption, field names before the labels the window fills.
    small_text(clean, (32, INFO_HEADER_H // 2), "游戏介绍", 13, WHITE, anchor="lm")
    small_text(clean, (sx + sw // 2, sy + sh // 2 + 1), "开始游戏", 12, WHITE)
    small_text(clean, (px(3210) - 2, px(810) + 9), "名称：", 12, MUTED, anchor="rm")
    small_text(clean, (px(3210) - 2, px(1155) + 9), "类型：", 12, MUTED, anchor="rm")
    small_text(clean, (px(4740) - 2, px(1155) + 9), "大小：", 12, MUTED, anchor="rm")
    frame = Layer(W, H)
    frame.rrect_outline((0, 0, W, H), 8, 1, NAVY)
    clean.alpha_composite(frame.image())
    final = clean.copy()
    for name, (x, y, w, h), normal in paint_buttons(clean, mask, INFO_BUTTONS, written):
        final.paste(normal, (x, y))
    save(keyed(final, mask), "GameJsFrm", written)


# ---------------------------------------------------------------------------------------------
# Check box indicators for the style sheet.


def paint_indicators(written):
    s = 13
    looks = {
        "unchecked": (PANEL, (150, 164, 188), None),
        "unchecked_hover": (PANEL, ACCENT, None),
        "unchecked_disabled": ((236, 239, 244), (196, 204, 216), None),
        "checked": (ACCENT, ACCENT, WHITE),
        "checked_hover": ((255, 128, 36), (255, 128, 36), WHITE),
        "checked_disabled": ((196, 204, 216), (196, 204, 216), WHITE),
    }
    for name, (fill, border, tick) in looks.items():
        L = Layer(s, s)
        L.rrect((0, 0, s, s), 2.5, border)
        L.rrect((1, 1, s - 1, s - 1), 1.8, fill)
        if tick:
            L.line([(3.2, 6.8), (5.5, 9.2), (9.8, 4.0)], 1.7, tick)
        img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
        img.alpha_composite(L.image())
        path = os.path.join(HERE, "check_%s.png" % name)
        img.save(path, "PNG", optimize=False, compress_level=9)  # keeps its alpha
        written.append("check_%s.png" % name)


def paint_app_icon(written):
    """The program's icon (windows, tray): the product mark alone, on transparent ground."""
    for s in (16, 24, 32, 48, 64, 128, 256):
        L = Layer(s, s)
        inset = 0 if s <= 24 else s / 32
        icon_logo(L, inset, inset, s - 2 * inset)
        img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
        img.alpha_composite(L.image())
        img.save(os.path.join(HERE, "Tabrazo_%d.png" % s), "PNG", optimize=False, compress_level=9)
        written.append("Tabrazo_%d.png" % s)


def paint_update_header(written):
    """Header of the updater and the about box: the product mark and name on the header blue."""
    W, H = px(6930), px(900)
    L = Layer(W, H)
    L.gradient(("v", HEADER_TOP, HEADER_BOTTOM), 0, H - 1)
    L.rect((0, H - 1, W, H), NAVY)
    icon_logo(L, 12, 10, H - 20)
    L.text((H + 4, H / 2), "Tabrazo", 22, WHITE, anchor="lm", embolden=0.4)
    save(L.image(), "UpdateHeader", written)


def write_qrc(written):
    lines = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/skin">', '    <file>skin.qss</file>']
    lines += ["    <file>%s</file>" % name for name in sorted(written)]
    lines += ["</qresource>", "</RCC>", ""]
    with open(os.path.join(HERE, "skin.qrc"), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    written = []
    paint_main(written)
    paint_player(written)
    paint_info(written)
    paint_indicators(written)
    paint_app_icon(written)
    paint_update_header(written)
    write_qrc(written)
    print("%d pictures written to %s" % (len(written), HERE))


if __name__ == "__main__":
    main()
