"""Game movies: a looping shape animation on a per-game background, plus a hero driven by keys or the mouse."""

import colorsys
import math
import random
from dataclasses import dataclass

import swf

WIDTH, HEIGHT, FPS = 550, 400, 24
LOOP_FRAMES = 48

# Key codes as Key.isDown() sees them.
KEYS_ARROWS = (37, 39, 38, 40)  # left, right, up, down
KEYS_WASD = (65, 68, 87, 83)
KEY_SPACE = 32

SCHEMES = ("arrows", "arrows_space", "wasd", "mouse")


@dataclass
class MovieOptions:
    game_id: int
    scheme: str = "arrows"
    big: bool = False
    compress: bool = False
    seed: int = 0
    background: tuple = None
    colors: list = None


def hsv(h, s, v):
    r, g, b = colorsys.hsv_to_rgb(h % 1.0, s, v)
    return (int(r * 255), int(g * 255), int(b * 255))


def game_colors(game_id, seed=0):
    """Background and four shape colours. The golden-ratio hue walk keeps neighbouring ids far apart."""
    rnd = random.Random(f"colors:{seed}:{game_id}")
    hue = (game_id * 0.618033988749895 + seed * 0.1) % 1.0
    background = hsv(hue, 0.30 + 0.25 * rnd.random(), 0.80 + 0.15 * rnd.random())
    colors = [hsv(hue + 0.5 + k * 0.13, 0.65 + 0.3 * rnd.random(), 0.55 + 0.4 * rnd.random()) for k in range(4)]
    return background, colors


def _darker(color, factor=0.7):
    return tuple(int(c * factor) for c in color)


# --- ActionScript ------------------------------------------------------------------------------------------------


def _key_down(code, key):
    """Push Key.isDown(key)."""
    return code.call_method(("Key",), "isDown", key)


def _set_this_member(code, name, value_fn):
    code.push("this").op(code.GET_VARIABLE).push(name)
    value_fn(code)
    code.op(code.SET_MEMBER)


def _this_member(code, *names):
    code.push("this").op(code.GET_VARIABLE)
    for n in names:
        code.push(n).op(code.GET_MEMBER)
    return code


def _set_hero_prop(code, prop, value_fn):
    _this_member(code, "hero").push(prop)
    value_fn(code)
    code.op(code.SET_MEMBER)


def _enter_frame_body(scheme):
    """_root.onEnterFrame: move the hero. Position lives on _root so a timeline rewind cannot reset it."""
    code = swf.Actions()
    if scheme == "mouse":
        # Until the pointer has moved, _xmouse is 0 and the hero would sit in the corner.
        _this_member(code, "mm").op(code.NOT).branch_if("still")
        _set_hero_prop(code, "_x", lambda c: _this_member(c, "_xmouse"))
        _set_hero_prop(code, "_y", lambda c: _this_member(c, "_ymouse"))
        code.label("still")
    else:
        left, right, up, down = KEYS_WASD if scheme == "wasd" else KEYS_ARROWS
        if scheme == "arrows_space":
            # Holding space speeds the hero up: 6 + 10 * Key.isDown(32).
            _set_this_member(
                code, "sp", lambda c: _key_down(c.push(6), KEY_SPACE).push(10).op(c.MULTIPLY).op(c.ADD2)
            )
        else:
            _set_this_member(code, "sp", lambda c: c.push(8))
        for n, (key, axis, op) in enumerate(
            ((left, "hx", code.SUBTRACT), (right, "hx", code.ADD2), (up, "hy", code.SUBTRACT), (down, "hy", code.ADD2))
        ):
            skip = f"skip{n}"
            _key_down(code, key).op(code.NOT).branch_if(skip)
            _set_this_member(code, axis, lambda c, a=axis, o=op: _this_member(c, a).push("this").op(c.GET_VARIABLE).push("sp").op(c.GET_MEMBER).op(o))
            code.label(skip)
        # Wrap around the stage edges.
        for axis, size in (("hx", WIDTH), ("hy", HEIGHT)):
            _set_this_member(code, axis, lambda c, a=axis, s=size: _this_member(c, a).push(s).op(c.ADD2).push(s).op(c.MODULO))
        _set_hero_prop(code, "_x", lambda c: _this_member(c, "hx"))
        _set_hero_prop(code, "_y", lambda c: _this_member(c, "hy"))
    _set_hero_prop(code, "_rotation", lambda c: _this_member(c, "hero", "_rotation").push(4).op(c.ADD2))
    return code


def frame_script(scheme):
    """Frame 1: initialise once (frame 1 runs again on every loop), then install onEnterFrame."""
    code = swf.Actions()
    code.push("started").op(code.GET_VARIABLE).branch_if("ready")
    code.push("started", True).op(code.SET_VARIABLE)
    code.push("hx", WIDTH // 2).op(code.SET_VARIABLE)
    code.push("hy", HEIGHT - 90).op(code.SET_VARIABLE)
    code.label("ready")
    code.push("_root").op(code.GET_VARIABLE).push("onEnterFrame")
    code.define_function(_enter_frame_body(scheme))
    code.op(code.SET_MEMBER)
    if scheme == "mouse":
        mark = swf.Actions()
        _set_this_member(mark, "mm", lambda c: c.push(True))
        code.push("_root").op(code.GET_VARIABLE).push("onMouseMove")
        code.define_function(mark)
        code.op(code.SET_MEMBER)
    return code.assemble()


# --- movie --------------------------------------------------------------------------------------------------------


def _actor_paths(kind, size):
    if kind == 0:
        return swf.circle(0, 0, size)
    if kind == 1:
        return swf.star(0, 0, size, size * 0.45)
    if kind == 2:
        return swf.rectangle(-size, -size * 0.7, size * 2, size * 1.4)
    return swf.polygon([(0, -size), (size * 0.9, size * 0.6), (-size * 0.9, size * 0.6)])


def noise_rgb(width, height, seed):
    return random.Random(f"noise:{seed}").randbytes(width * height * 3)


def build_movie(opts):
    background, colors = opts.background, opts.colors
    if background is None or colors is None:
        background, colors = game_colors(opts.game_id, opts.seed)
    rnd = random.Random(f"movie:{opts.seed}:{opts.game_id}")
    tags = [swf.file_attributes(0), swf.set_background_color(background)]
    place = []
    depth = 1

    if opts.big:
        # Incompressible noise so the file stays large after zlib.
        bw, bh = 1000, 600
        tags.append(swf.define_bits_lossless_rgb(100, bw, bh, noise_rgb(bw, bh, f"{opts.seed}:{opts.game_id}")))
        panel_h = 110
        fill = swf.bitmap_fill(100, swf.matrix(0, HEIGHT - panel_h, scale=swf.TWIPS))
        tags.append(swf.define_shape3(101, [(fill, swf.rectangle(0, HEIGHT - panel_h, WIDTH, panel_h))]))
        place.append(swf.place_object2(depth, 101))
        depth += 1
    else:
        ground = _darker(background, 0.75)
        tags.append(swf.define_shape3(101, [(swf.solid_fill(ground), swf.rectangle(0, HEIGHT - 40, WIDTH, 40))]))
        place.append(swf.place_object2(depth, 101))
        depth += 1

    actors = []
    for k in range(4):
        size = rnd.randint(22, 48)
        kind = (opts.game_id + k) % 4
        tags.append(
            swf.define_shape3(
                1 + k, [(swf.solid_fill(colors[k]), _actor_paths(kind, size))], line=(2, _darker(colors[k], 0.5))
            )
        )
        actors.append(
            {
                "id": 1 + k,
                "depth": depth,
                "cx": rnd.uniform(120, WIDTH - 120),
                "cy": rnd.uniform(90, HEIGHT - 150),
                "ax": rnd.uniform(50, 110),
                "ay": rnd.uniform(30, 70),
                "fx": rnd.choice((1, 2)),
                "fy": rnd.choice((1, 2, 3)),
                "phase": rnd.uniform(0, 2 * math.pi),
                "spin": rnd.choice((-360, 0, 360, 720)),
            }
        )
        depth += 1

    # Hero: a round face in a sprite so eyes and body stay separate shapes.
    hero_color = (250, 250, 245)
    tags.append(swf.define_shape3(20, [(swf.solid_fill(hero_color), swf.circle(0, 0, 24))], line=(3, (30, 30, 30))))
    eyes = [(swf.solid_fill((20, 20, 20)), swf.circle(-8, -6, 4)), (swf.solid_fill((20, 20, 20)), swf.circle(8, -6, 4))]
    tags.append(swf.define_shape3(21, eyes))
    tags.append(
        swf.define_sprite(22, 1, [swf.place_object2(1, 20), swf.place_object2(2, 21), swf.show_frame()])
    )

    def actor_matrix(a, frame):
        t = 2 * math.pi * frame / LOOP_FRAMES
        x = a["cx"] + a["ax"] * math.sin(a["fx"] * t + a["phase"])
        y = a["cy"] + a["ay"] * math.sin(a["fy"] * t)
        return swf.matrix(x, y, scale=1.0 + 0.25 * math.sin(t * 2), rotation_deg=a["spin"] * frame / LOOP_FRAMES)

    for a in actors:
        place.append(swf.place_object2(a["depth"], a["id"], actor_matrix(a, 0)))
    place.append(swf.place_object2(50, 22, swf.matrix(WIDTH // 2, HEIGHT - 90), name="hero"))
    tags += place
    tags.append(swf.do_action(frame_script(opts.scheme)))
    tags.append(swf.show_frame())
    for frame in range(1, LOOP_FRAMES):
        for a in actors:
            tags.append(swf.place_object2(a["depth"], mat=actor_matrix(a, frame), move=True))
        tags.append(swf.show_frame())
    return swf.movie(tags, LOOP_FRAMES, WIDTH, HEIGHT, FPS, version=8, compress=opts.compress)
