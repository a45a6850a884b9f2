#!/usr/bin/env python3
"""Draws the program's artwork into res/: the window icon and the toolbar bitmaps.

Run it from anywhere: python3 scripts/draw_art.py. It needs nothing beyond
Python 3; the pictures are built from signed-distance shapes (circles, thick
lines, arcs, polygons), anti-aliased by their distance to the pixel centre,
and written as BMP and ICO bytes by hand.

Toolbar bitmaps come in three sizes for the display's density: 48 x 48 at
100 %, 72 x 72 at 150 % and 96 x 96 at 200 %, the same design drawn larger
(rims included), so that no size is a blurred stretch of another. They are
24 bits per pixel, and white (255, 255, 255) is their transparent colour, so every drawn pixel is kept off pure white and the
soft edges are blended towards a light button face instead of towards white.
The icon holds images of 32, 16, 24, 48 and 64 pixels (the larger ones for
denser displays), 8 bits per pixel with a 256-colour palette each and an AND
mask.
"""

import math
import os
import struct

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")

# The toolbar's face colour that soft edges are blended towards; close to the
# light grey of buttons, so the edges show no white fringe.
MATTE = (225, 225, 222)


# --- signed distance shapes (negative inside) --------------------------------


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def segment(ax, ay, bx, by, r):
    """A thick line with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def sdf(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / length2 if length2 else 0.0
        t = max(0.0, min(1.0, t))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r

    return sdf


def box(x0, y0, x1, y1, radius=0.0):
    """An axis-aligned rectangle, with rounded corners when radius > 0."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius

    return sdf


def polygon(points):
    n = len(points)

    def sdf(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            length2 = ex * ex + ey * ey
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / length2)) if length2 else 0.0
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best

    return sdf


def arc(cx, cy, radius, start, end, r):
    """A thick circular arc with round ends; angles in degrees, counter-clockwise
    on screen (y grows downwards), from start to end."""
    a0, a1 = math.radians(start), math.radians(end)
    span = (a1 - a0) % (2 * math.pi)
    ends = [(cx + radius * math.cos(a), cy - radius * math.sin(a)) for a in (a0, a1)]

    def sdf(x, y):
        angle = math.atan2(-(y - cy), x - cx)
        if (angle - a0) % (2 * math.pi) <= span:
            return abs(math.hypot(x - cx, y - cy) - radius) - r
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - r

    return sdf


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def subtract(shape, hole):
    return lambda x, y: max(shape(x, y), -hole(x, y))


def grown(shape, by):
    return lambda x, y: shape(x, y) - by


def rotated(shape, cx, cy, degrees):
    """The shape turned about (cx, cy), counter-clockwise on screen."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

    def sdf(x, y):
        dx, dy = x - cx, y - cy
        return shape(cx + dx * c - dy * s, cy + dx * s + dy * c)

    return sdf


# --- colours -----------------------------------------------------------------


def vertical(top, bottom, y0, y1):
    """A colour that runs from |top| at y0 to |bottom| at y1."""

    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    return colour


def radial(inner, outer, cx, cy, r):
    def colour(x, y):
        t = max(0.0, min(1.0, math.hypot(x - cx, y - cy) / r))
        return tuple(a + (b - a) * t for a, b in zip(inner, outer))

    return colour


# --- canvas ------------------------------------------------------------------


class Canvas:
    """Straight-alpha RGBA pixels. Shapes are given in design units; a design of
    |design| units square is drawn at |size| pixels. Rims are as many pixels
    wide as outlined() is told, or as many design units when |scaled_rims|,
    so that a larger drawing of the design keeps its proportions."""

    def __init__(self, size, design, scaled_rims=False):
        self.size = size
        self.scale = design / size
        self.rim_unit = 1.0 if scaled_rims else self.scale
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, shape, colour, opacity=1.0):
        paint = colour if callable(colour) else (lambda x, y: colour)
        for py in range(self.size):
            row = self.pixels[py]
            for px in range(self.size):
                x, y = (px + 0.5) * self.scale, (py + 0.5) * self.scale
                distance = shape(x, y) / self.scale
                coverage = max(0.0, min(1.0, 0.5 - distance)) * opacity
                if coverage <= 0.0:
                    continue
                r, g, b = paint(x, y)
                row[px] = over((r, g, b, coverage), row[px])

    def outlined(self, shape, colour, edge, width=1.0):
        """A shape with a darker rim of |width| around it (see the class)."""
        self.fill(grown(shape, width * self.rim_unit), edge)
        self.fill(shape, colour)


def over(top, bottom):
    tr, tg, tb, ta = top
    br, bg, bb, ba = bottom
    alpha = ta + ba * (1 - ta)
    if alpha <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = lambda t, b: (t * ta + b * ba * (1 - ta)) / alpha
    return (mix(tr, br), mix(tg, bg), mix(tb, bb), alpha)


def clamp_byte(value):
    return max(0, min(255, int(round(value))))


# --- file formats ------------------------------------------------------------


def toolbar_rows(canvas):
    """Rows of (r, g, b), top row first, with white only where nothing is drawn."""
    rows = []
    for row in canvas.pixels:
        out = []
        for r, g, b, a in row:
            if a < 0.3:
                out.append((255, 255, 255))
                continue
            a = min(1.0, a)
            colour = tuple(clamp_byte(c * a + m * (1 - a)) for c, m in zip((r, g, b), MATTE))
            if colour == (255, 255, 255):
                colour = (254, 254, 254)
            out.append(colour)
        rows.append(out)
    return rows


def bmp_bytes(rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835,
                         0, 0)
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + bytes(pixels)


def icon_pixels(canvas):
    """(rows of colours or None for transparent), top row first."""
    rows = []
    for row in canvas.pixels:
        out = []
        for r, g, b, a in row:
            out.append((clamp_byte(r), clamp_byte(g), clamp_byte(b)) if a >= 0.45 else None)
        rows.append(out)
    return rows


def median_cut(colours, count):
    """At most |count| palette entries that stand for |colours| (with repeats)."""
    boxes = [list(colours)]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(set(b)) > 1]
        if not splittable:
            break
        widest = max(splittable,
                     key=lambda b: max(max(c[i] for c in b) - min(c[i] for c in b)
                                       for i in range(3)))
        channel = max(range(3),
                      key=lambda i: max(c[i] for c in widest) - min(c[i] for c in widest))
        widest.sort(key=lambda c: c[channel])
        half = len(widest) // 2
        boxes.remove(widest)
        boxes += [widest[:half], widest[half:]]
    return [tuple(sum(c[i] for c in b) // len(b) for i in range(3)) for b in boxes if b]


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], colour)))


def icon_palette(rows):
    """256 colours for one icon image, the first black, which masked pixels
    point at."""
    everything = [c for row in rows for c in row if c is not None]
    distinct = sorted(set(everything))
    palette = distinct if len(distinct) <= 255 else median_cut(everything, 255)
    palette = [(0, 0, 0)] + [c for c in palette if c != (0, 0, 0)]
    return (palette + [(0, 0, 0)] * 256)[:256]


def ico_bytes(images):
    """One 8-bit image per entry of |images| (rows from icon_pixels), each with
    a palette of its own."""
    blobs = []
    for rows in images:
        palette = icon_palette(rows)
        lookup = {}
        size = len(rows)
        xor_stride = (size + 3) & ~3
        and_stride = ((size + 31) // 32) * 4
        xor = bytearray()
        mask = bytearray()
        for row in reversed(rows):
            line = bytearray()
            bits = bytearray(and_stride)
            for x, colour in enumerate(row):
                if colour is None:
                    line.append(0)
                    bits[x // 8] |= 0x80 >> (x % 8)
                else:
                    if colour not in lookup:
                        lookup[colour] = nearest(palette, colour)
                    line.append(lookup[colour])
            line += bytes(xor_stride - len(line))
            xor += line
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(mask),
                             0, 0, 256, 0)
        colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
        blobs.append((size, header + colours + bytes(xor) + bytes(mask)))

    directory = struct.pack("<HHH", 0, 1, len(blobs))
    offset = len(directory) + 16 * len(blobs)
    entries = b""
    for size, blob in blobs:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    return directory + entries + b"".join(blob for _, blob in blobs)


# --- the pictures (toolbar pictures in a 48-unit design) ---------------------

# The toolbar sizes in pixels; the program picks the one nearest its window's
# density (48 at 96 dots per inch).
TOOLBAR_SIZES = (48, 72, 96)


def toolbar_canvas(size):
    return Canvas(size, 48, scaled_rims=True)


def draw_refresh(size):
    c = toolbar_canvas(size)
    blue = vertical((70, 150, 235), (20, 90, 190), 6, 42)
    edge = (15, 55, 125)
    cx, cy, radius, half = 24, 24, 14.5, 3.6

    def arrow(start, end):
        band = arc(cx, cy, radius, start, end, half)
        a = math.radians(end)
        # The head sits at the arc's end and points along it, counter-clockwise.
        px, py = cx + radius * math.cos(a), cy - radius * math.sin(a)
        tx, ty = -math.sin(a), -math.cos(a)  # tangent, counter-clockwise on screen
        nx, ny = math.cos(a), -math.sin(a)  # outward
        head = polygon([
            (px + nx * 8.5, py + ny * 8.5),
            (px + tx * 9.0, py + ty * 9.0),
            (px - nx * 8.5, py - ny * 8.5),
        ])
        return union(band, head)

    shape = union(arrow(205, 325), arrow(25, 145))
    c.outlined(shape, blue, edge, 1.2)
    # A light stroke along the upper arrow's inner band for some depth.
    c.fill(arc(cx, cy, radius + 1.2, 40, 140, 0.9), (150, 200, 250), 0.8)
    c.fill(arc(cx, cy, radius + 1.2, 220, 320, 0.9), (120, 180, 245), 0.6)
    return c


def draw_add(size):
    c = toolbar_canvas(size)
    plus = union(box(18, 5, 30, 43, 3), box(5, 18, 43, 30, 3))
    c.outlined(plus, vertical((95, 205, 80), (30, 140, 40), 5, 43), (20, 95, 25), 1.3)
    c.fill(union(box(20, 7, 28, 12, 2), box(7, 20, 16, 24.5, 2)), (170, 235, 150), 0.55)
    return c


def draw_edit(size):
    c = toolbar_canvas(size)
    # The pencil lies along the x axis from its point at x = 3 to its end at
    # x = 45 and is then turned 45 degrees so that it writes at the lower left.
    cy, half = 24, 5.5
    lead = polygon([(3, cy), (9, cy - 1.9), (9, cy + 1.9)])
    wood = polygon([(3, cy), (13.5, cy - half), (13.5, cy + half)])
    body = box(13, cy - half, 35, cy + half)
    ferrule = box(34.5, cy - half - 0.3, 39, cy + half + 0.3)
    eraser = box(38.5, cy - half, 45, cy + half, 2.5)
    turn = lambda s: rotated(s, 24, 24, 45)
    pencil = union(wood, body, ferrule, eraser)
    c.fill(grown(turn(pencil), 1.3), (70, 50, 20))
    c.fill(turn(wood), (238, 205, 150))
    c.fill(turn(lead), (55, 55, 60))
    c.fill(turn(body), vertical((255, 215, 60), (225, 140, 20), cy - half, cy + half))
    # The body's facets: a darker band along one side.
    stripe = box(13, cy + 1.6, 35, cy + half)
    c.fill(turn(stripe), (205, 120, 15), 0.6)
    c.fill(turn(box(13, cy - half, 35, cy - 3.2)), (255, 240, 150), 0.6)
    c.fill(turn(ferrule), vertical((225, 225, 230), (140, 140, 150), cy - half, cy + half))
    c.fill(turn(box(36.3, cy - half - 0.3, 37.1, cy + half + 0.3)), (110, 110, 120), 0.8)
    c.fill(turn(eraser), vertical((250, 150, 160), (210, 85, 100), cy - half, cy + half))
    return c


def draw_delete(size):
    c = toolbar_canvas(size)
    cross = union(segment(10, 10, 38, 38, 5.2), segment(38, 10, 10, 38, 5.2))
    c.outlined(cross, radial((245, 90, 80), (185, 20, 25), 24, 24, 22), (110, 10, 15), 1.3)
    c.fill(union(segment(11.5, 10.5, 17, 16, 1.2), segment(36.5, 10.5, 31, 16, 1.2)),
           (255, 170, 160), 0.7)
    return c


def draw_exit(size):
    c = toolbar_canvas(size)
    # The frame of the doorway, with the dark opening inside it.
    frame = box(5, 4, 29, 45, 1.5)
    c.outlined(frame, (120, 120, 128), (60, 60, 68), 1.0)
    c.fill(box(8, 7, 26, 45), (40, 40, 48))
    # The door swung open towards the viewer: a panel narrower at the hinge side.
    door = polygon([(8, 7), (20, 10), (20, 48), (8, 45)])
    c.outlined(door, vertical((200, 130, 65), (140, 80, 35), 7, 48), (85, 45, 15), 1.0)
    c.fill(circle(17.5, 28, 1.5), (245, 210, 90))
    # The arrow leaving through the doorway.
    shaft = box(20, 21, 35, 29, 1)
    head = polygon([(33, 14), (45, 25), (33, 36)])
    arrow = union(shaft, head)
    c.outlined(arrow, vertical((110, 215, 90), (35, 150, 45), 14, 36), (20, 90, 25), 1.2)
    return c


# --- the window icon (a 32-unit design) ---------------------------------------


def draw_icon(size):
    c = Canvas(size, 32)
    # A small program window: a title bar and a body with a command prompt.
    window = box(1.5, 3, 26, 25, 1.5)
    c.outlined(window, (236, 240, 248), (40, 60, 110), 1.0)
    c.fill(box(1.5, 3, 26, 8.5, 1.5), vertical((80, 140, 230), (30, 80, 180), 3, 8.5))
    c.fill(box(1.5, 6, 26, 8.5), (30, 80, 180))
    c.fill(box(21.5, 4.5, 24.5, 7), (220, 80, 70))
    # The prompt "> _".
    c.fill(union(segment(5, 12, 9, 15, 1.1), segment(9, 15, 5, 18, 1.1)), (30, 40, 70))
    c.fill(box(10.5, 17.2, 14.5, 19), (30, 40, 70))
    # The lightning bolt that starts it.
    bolt = polygon([(24, 8.5), (15.5, 20), (21, 20), (17.5, 31), (29.5, 16.5), (23.5, 16.5),
                    (28.5, 8.5)])
    c.outlined(bolt, vertical((255, 240, 90), (250, 170, 20), 8.5, 31), (150, 80, 0), 1.0)
    return c


def main():
    toolbar = {
        "refresh": draw_refresh,
        "add": draw_add,
        "edit": draw_edit,
        "del": draw_delete,
        "exit": draw_exit,
    }
    for name, draw in toolbar.items():
        for size in TOOLBAR_SIZES:
            path = os.path.join(RES, "toolbar_%s_%d.bmp" % (name, size))
            with open(path, "wb") as out:
                out.write(bmp_bytes(toolbar_rows(draw(size))))
    with open(os.path.join(RES, "tolvane.ico"), "wb") as out:
        out.write(ico_bytes([icon_pixels(draw_icon(size)) for size in (32, 16, 24, 48, 64)]))


if __name__ == "__main__":
    main()
