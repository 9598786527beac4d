"""Thumbnails and the loading spinner, drawn with PIL."""

import io
import math
import random
import sys

try:
    from PIL import Image, ImageDraw
except ImportError:
    # Debian's python3-pil lives outside a non-system interpreter's path (e.g. pyenv's 3.11).
    sys.path.append("/usr/lib/python3/dist-packages")
    from PIL import Image, ImageDraw

THUMB_SIZE = (120, 90)


def _darker(color, factor=0.7):
    return tuple(int(c * factor) for c in color)


def _draw_scene(draw, size, background, colors, rnd_state, t):
    w, h = size
    draw.rectangle((0, 0, w, h), fill=background)
    draw.rectangle((0, h - 14, w, h), fill=_darker(background, 0.75))
    rnd = random.Random(rnd_state)
    for k, color in enumerate(colors[:3]):
        cx = rnd.uniform(18, w - 18) + 10 * math.sin(2 * math.pi * (t + k / 3))
        cy = rnd.uniform(16, h - 34) + 6 * math.cos(2 * math.pi * (t + k / 3))
        r = rnd.uniform(9, 16)
        box = (cx - r, cy - r, cx + r, cy + r)
        outline = _darker(color, 0.5)
        if k == 0:
            draw.ellipse(box, fill=color, outline=outline)
        elif k == 1:
            draw.rectangle(box, fill=color, outline=outline)
        else:
            draw.polygon([(cx, cy - r), (cx + r, cy + r), (cx - r, cy + r)], fill=color, outline=outline)
    # The hero face, as in the movie.
    hx, hy = w / 2 + 20 * math.sin(2 * math.pi * t), h - 26
    draw.ellipse((hx - 10, hy - 10, hx + 10, hy + 10), fill=(250, 250, 245), outline=(30, 30, 30))
    draw.ellipse((hx - 5, hy - 4, hx - 2, hy - 1), fill=(20, 20, 20))
    draw.ellipse((hx + 2, hy - 4, hx + 5, hy - 1), fill=(20, 20, 20))
    draw.rectangle((0, 0, w - 1, h - 1), outline=_darker(background, 0.5))


def thumbnail(game_id, background, colors, fmt, animated=False, seed=0):
    """Encoded thumbnail bytes; fmt is 'gif', 'png' or 'jpg'."""
    state = f"thumb:{seed}:{game_id}"
    frames = []
    for i in range(8 if animated else 1):
        im = Image.new("RGB", THUMB_SIZE)
        _draw_scene(ImageDraw.Draw(im), THUMB_SIZE, background, colors, state, i / 8)
        frames.append(im)
    out = io.BytesIO()
    if fmt == "jpg":
        frames[0].save(out, "JPEG", quality=85)
    elif fmt == "png":
        frames[0].save(out, "PNG", optimize=True)
    elif fmt == "gif":
        pal = [f.convert("P", palette=Image.ADAPTIVE, colors=64) for f in frames]
        if animated:
            pal[0].save(out, "GIF", save_all=True, append_images=pal[1:], duration=120, loop=0)
        else:
            pal[0].save(out, "GIF")
    else:
        raise ValueError(f"unknown thumbnail format {fmt}")
    return out.getvalue()


def spinner(size=32, frames=8):
    """Animated loading GIF on a transparent background: a ring of dots with a moving bright head."""
    images = []
    palette = [255, 255, 255]  # index 0: transparent
    for k in range(frames):
        g = 60 + k * (180 // frames)
        palette += [g, g, min(255, g + 40)]
    palette += [0, 0, 0] * (256 - len(palette) // 3)
    c = size / 2
    for f in range(frames):
        im = Image.new("P", (size, size), 0)
        im.putpalette(palette)
        draw = ImageDraw.Draw(im)
        for k in range(frames):
            a = 2 * math.pi * k / frames - math.pi / 2
            x, y = c + (size * 0.36) * math.cos(a), c + (size * 0.36) * math.sin(a)
            r = size * 0.09
            # Darkest dot is the head; the trail behind it fades out.
            draw.ellipse((x - r, y - r, x + r, y + r), fill=1 + ((f - k) % frames))
        images.append(im)
    out = io.BytesIO()
    images[0].save(
        out, "GIF", save_all=True, append_images=images[1:], duration=90, loop=0, transparency=0, disposal=2
    )
    return out.getvalue()
