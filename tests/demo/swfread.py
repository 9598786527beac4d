"""Independent SWF reader for the tests: enough to walk tags, shapes and AVM1 blocks."""

import struct
import zlib


class Bits:
    def __init__(self, data, pos=0):
        self.data, self.bit = data, pos * 8

    def ub(self, n):
        v = 0
        for _ in range(n):
            byte = self.data[self.bit >> 3]
            v = (v << 1) | ((byte >> (7 - (self.bit & 7))) & 1)
            self.bit += 1
        return v

    def sb(self, n):
        v = self.ub(n)
        return v - (1 << n) if n and v >> (n - 1) else v

    def byte_pos(self):
        return (self.bit + 7) >> 3


def read_rect(data, pos):
    b = Bits(data, pos)
    n = b.ub(5)
    return [b.sb(n) for _ in range(4)], b.byte_pos()


def parse(raw):
    """Header fields and the top-level tag list [(code, body)]; raises on any framing fault."""
    sig, version, length = raw[:3], raw[3], struct.unpack("<I", raw[4:8])[0]
    if sig == b"CWS":
        data = raw[:8] + zlib.decompress(raw[8:])
    elif sig == b"FWS":
        data = raw
    else:
        raise ValueError(f"bad signature {sig!r}")
    frame_rect, pos = read_rect(data, 8)
    rate, frames = struct.unpack("<HH", data[pos : pos + 4])
    tags, pos = read_tags(data, pos + 4)
    if pos != len(data):
        raise ValueError(f"{len(data) - pos} bytes after End")
    return {"sig": sig, "version": version, "length": length, "size": len(data), "rect": frame_rect,
            "rate": rate / 256, "frames": frames, "tags": tags}


def read_tags(data, pos):
    tags = []
    while True:
        if pos + 2 > len(data):
            raise ValueError("tag stream runs past the end without End")
        head = struct.unpack("<H", data[pos : pos + 2])[0]
        code, length = head >> 6, head & 0x3F
        pos += 2
        if length == 0x3F:
            length = struct.unpack("<I", data[pos : pos + 4])[0]
            pos += 4
        if pos + length > len(data):
            raise ValueError(f"tag {code} overruns the file")
        tags.append((code, data[pos : pos + length]))
        pos += length
        if code == 0:
            return tags, pos


def shape_paths(body):
    """DefineShape3 body -> (bounds, [(start, end) per subpath]) in twips; every point checked against bounds."""
    bounds, pos = read_rect(body, 2)
    fills = body[pos]
    pos += 1
    for _ in range(fills):
        kind = body[pos]
        pos += 1
        if kind == 0x00:
            pos += 4
        elif kind in (0x40, 0x41, 0x42, 0x43):
            pos = _skip_matrix(body, pos + 2)
        else:
            raise ValueError(f"unexpected fill type {kind:#x}")
    lines = body[pos]
    pos += 1 + lines * 6
    b = Bits(body, pos)
    fill_bits, line_bits = b.ub(4), b.ub(4)
    paths, x, y, start = [], 0, 0, None
    while True:
        if b.ub(1) == 0:
            flags = b.ub(5)
            if flags == 0:
                break
            if flags & 1:
                if start is not None:
                    paths.append((start, (x, y)))
                n = b.ub(5)
                x, y = b.sb(n), b.sb(n)
                start = (x, y)
            if flags & 2:
                b.ub(fill_bits)
            if flags & 4:
                b.ub(fill_bits)
            if flags & 8:
                b.ub(line_bits)
            if flags & 16:
                raise ValueError("new styles not expected")
        elif b.ub(1):
            n = b.ub(4) + 2
            if b.ub(1):
                x, y = x + b.sb(n), y + b.sb(n)
            elif b.ub(1):
                y += b.sb(n)
            else:
                x += b.sb(n)
        else:
            n = b.ub(4) + 2
            x, y = x + b.sb(n), y + b.sb(n)
            _check_inside(bounds, x, y)  # control point
            x, y = x + b.sb(n), y + b.sb(n)
        _check_inside(bounds, x, y)
    paths.append((start, (x, y)))
    if b.byte_pos() != len(body):
        raise ValueError("shape records do not end at the end of the tag")
    return bounds, paths


def _check_inside(bounds, x, y):
    xmin, xmax, ymin, ymax = bounds
    if not (xmin <= x <= xmax and ymin <= y <= ymax):
        raise ValueError(f"edge point {(x, y)} outside bounds {bounds}")


def _skip_matrix(data, pos):
    b = Bits(data, pos)
    if b.ub(1):
        n = b.ub(5)
        b.sb(n), b.sb(n)
    if b.ub(1):
        n = b.ub(5)
        b.sb(n), b.sb(n)
    n = b.ub(5)
    b.sb(n), b.sb(n)
    return b.byte_pos()


def actions(code, start=0, end=None):
    """Walk an AVM1 block (a function body when end is given) into [(offset, opcode, payload)].

    Raises when a branch lands between actions or a body length disagrees with its actions."""
    body = end is not None
    end = len(code) if end is None else end
    pos, starts, branches, out = start, set(), [], []
    while pos < end:
        op = code[pos]
        starts.add(pos)
        if op == 0:
            out.append((pos, 0, b""))
            pos += 1
            break
        if op < 0x80:
            out.append((pos, op, b""))
            pos += 1
            continue
        length = struct.unpack("<H", code[pos + 1 : pos + 3])[0]
        payload = code[pos + 3 : pos + 3 + length]
        nxt = pos + 3 + length
        if op in (0x99, 0x9D):
            branches.append(nxt + struct.unpack("<h", payload)[0])
        if op == 0x9B:
            size = struct.unpack("<H", payload[-2:])[0]
            out.append((pos, op, payload))
            out += actions(code, nxt, nxt + size)
            nxt += size
        else:
            out.append((pos, op, payload))
        pos = nxt
    if not body and (not out or out[-1][1] != 0):
        raise ValueError("action block does not end with ActionEnd")
    starts.add(pos)
    for target in branches:
        if target not in starts:
            raise ValueError(f"branch to {target} is not an action boundary")
    if body and pos != end:
        raise ValueError("function body length does not match its actions")
    return out
