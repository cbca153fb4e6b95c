"""Make the binary images of Tobrik Mouse.

Writes, next to this script:
  ring.bmp    the built-in ring bitmap (resource 129): 78 x 77, 4 bpp, a thin red
              circle on black;
  Tobrik.ico  the application icon (resource 128): a white arrow pointer over a red
              ring on a transparent background, drawn anti-aliased in 32 bpp with
              alpha at 256, 64, 48, 40, 32, 24, 20 and 16 pixels (those from 40 up
              PNG-compressed), and in 16 colours at 32 and 16 pixels for displays
              of 16 colours;
  Tobrik.bmp  the default cursor picture shipped beside the executable: 96 x 96,
              24 bpp, a thick yellow ring with dark blue edges and four ticks on
              black, which the overlay keys out, so the pointer's own spot stays
              clear and clicks pass through it.
  Pointers/   the gallery of ready-made pointer pictures shipped beside it, named
              shape-colour-size.bmp: 64 to 256 pixels square, 24 bpp, each shape
              in a bright colour with a dark edge on black, the centre pixel and
              the corners black, so each works with the default colour key;
and, drawn from the gallery files as read back, docs/pointers.png: all of them on
one grey sheet, a row for each shape, for the README.

Run from the repository root:  python3 res/make_images.py
Only the standard library is used and the output is the same on every run; the
script reads every file back and checks it before it reports success.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16-colour palette every 4-bit Windows bitmap and icon expects, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, RED, WHITE = 0, 9, 15

PIXELS_PER_METRE = 3780  # 96 dots per inch

# Cursor picture colours. Only exact black is keyed out by default, so every
# visible pixel is a solid colour well away from black.
KEY_BLACK = (0, 0, 0)
RING_YELLOW = (255, 220, 0)
EDGE_BLUE = (0, 0, 96)


# ---------------------------------------------------------------------------
# Drawing helpers: an image is a list of rows, top row first.


def blank(width, height, value):
    return [[value] * width for _ in range(height)]


def thin_circle(cx, cy, radius):
    """Pixels of a one-pixel-wide, 8-connected circle around (cx, cy).

    Pixel (x, y) has its centre at (x, y). The centre may lie on a pixel or
    between pixels (half-integer); offsets then step in the same half-grid.
    Walks one octant, taking in each column the row nearest the true circle,
    and mirrors it eight ways.
    """
    fraction = cx - math.floor(cx)
    assert fraction == cy - math.floor(cy)
    points = set()
    dx = fraction
    while True:
        dy = round(math.sqrt(radius * radius - dx * dx) - fraction) + fraction
        if dx > dy:
            break
        for ax, ay in ((dx, dy), (dy, dx)):
            for sx in (-1, 1):
                for sy in (-1, 1):
                    points.add((int(cx + sx * ax), int(cy + sy * ay)))
        dx += 1
    return points


def inside_polygon(x, y, polygon):
    inside = False
    count = len(polygon)
    for i in range(count):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % count]
        if (y1 > y) != (y2 > y):
            if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
    return inside


def neighbours8(x, y):
    for ny in (y - 1, y, y + 1):
        for nx in (x - 1, x, x + 1):
            if (nx, ny) != (x, y):
                yield nx, ny


# The classic arrow pointer, tip at (0, 0), in units of its own 12 x 19 grid.
ARROW = [(0, 0), (0, 16.5), (4, 12.8), (6.8, 19), (9.4, 17.8), (6.8, 12), (11.6, 12)]


def draw_arrow(image, tip_x, tip_y, scale):
    """Draws a white arrow with a one-pixel black outline around it."""
    height = len(image)
    width = len(image[0])
    fill = set()
    for y in range(height):
        for x in range(width):
            # Sample the pixel centre in the arrow's own units.
            u = (x + 0.5 - tip_x) / scale
            v = (y + 0.5 - tip_y) / scale
            if inside_polygon(u, v, ARROW):
                fill.add((x, y))
    outline = {p for f in fill for p in neighbours8(*f)} - fill
    for x, y in outline:
        if 0 <= x < width and 0 <= y < height:
            image[y][x] = BLACK
    for x, y in fill:
        image[y][x] = WHITE
    return fill | outline


# ---------------------------------------------------------------------------
# File encoders.


def bitmap_info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, PIXELS_PER_METRE, PIXELS_PER_METRE,
                       colours, 0)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pad_row(row):
    return row + b"\0" * (-len(row) % 4)


def pack_4bpp(image):
    """Bottom-up rows of palette indices, two pixels a byte, high nibble first."""
    rows = []
    for row in reversed(image):
        values = row + [0] * (len(row) % 2)
        data = bytes((values[i] << 4) | values[i + 1]
                     for i in range(0, len(values), 2))
        rows.append(pad_row(data))
    return b"".join(rows)


def pack_1bpp(mask):
    rows = []
    for row in reversed(mask):
        data = bytearray((len(row) + 7) // 8)
        for x, bit in enumerate(row):
            if bit:
                data[x // 8] |= 0x80 >> (x % 8)
        rows.append(pad_row(bytes(data)))
    return b"".join(rows)


def pack_24bpp(image):
    rows = []
    for row in reversed(image):
        rows.append(pad_row(b"".join(bytes((b, g, r)) for r, g, b in row)))
    return b"".join(rows)


def bmp_file(width, height, bits, pixels, palette=b""):
    offset = 14 + 40 + len(palette)
    colours = len(palette) // 4
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return (header + bitmap_info_header(width, height, bits, len(pixels), colours)
            + palette + pixels)


def icon_4bpp(indices, mask):
    """A 16-colour icon image: header, palette, colour indices, then the transparency mask."""
    size = len(indices)
    xor = pack_4bpp(indices)
    and_mask = pack_1bpp(mask)
    return (bitmap_info_header(size, size * 2, 4, len(xor) + len(and_mask), 0)
            + palette_bytes() + xor + and_mask)


def icon_32bpp(rows):
    """A 32-bit icon image from rows of (R, G, B, A): BGRA pixels bottom-up, then a mask that is set
    where a pixel is fully transparent, for callers that draw with the mask alone."""
    size = len(rows)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    and_mask = pack_1bpp([[a == 0 for _, _, _, a in row] for row in rows])
    return bitmap_info_header(size, size * 2, 32, len(xor) + len(and_mask), 0) + xor + and_mask


def ico_file(images):
    """images: list of (size, bits, image data: a bitmap image or a PNG file)."""
    entries = []
    offset = 6 + 16 * len(images)
    for size, bits, blob in images:
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0,
                                   1, bits, len(blob), offset))
        offset += len(blob)
    return (struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries)
            + b"".join(blob for _, _, blob in images))


# ---------------------------------------------------------------------------
# The three pictures.

RING_WIDTH, RING_HEIGHT = 78, 77


def make_ring():
    image = blank(RING_WIDTH, RING_HEIGHT, BLACK)
    # 76 pixels across: columns and rows 1 to 76.
    for x, y in thin_circle(38.5, 38.5, 37.5):
        image[y][x] = RED
    return bmp_file(RING_WIDTH, RING_HEIGHT, 4, pack_4bpp(image), palette_bytes())


def icon_image(size, ring_centre, ring_outer, ring_inner, tip, scale):
    indices = blank(size, size, BLACK)
    drawn = set()
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - ring_centre, y - ring_centre)
            if ring_inner < d <= ring_outer:
                indices[y][x] = RED
                drawn.add((x, y))
    drawn |= draw_arrow(indices, tip[0], tip[1], scale)
    mask = [[0 if (x, y) in drawn else 1 for x in range(size)] for y in range(size)]
    return size, 4, icon_4bpp(indices, mask)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def alpha_icon_rows(size):
    """The icon's design at any size, anti-aliased: rows of (R, G, B, A), alpha not premultiplied.

    The proportions are those of the 16-colour 32-pixel image: the arrow's tip at the middle of the
    ring, its outline about a thirty-second of the icon wide. At the smallest sizes the ring keeps two
    pixels and the arrow half a pixel a unit, or both would fade to a blur.
    """
    centre = 0.42 * size
    ring_outer = 0.41 * size
    ring_inner = ring_outer - max(2.0, 0.1 * size)
    scale = max(0.5, 0.028 * size)
    outline = max(1.0, size / 32)
    arrow = [(centre + u * scale, centre + v * scale) for u, v in ARROW]
    edges = list(zip(arrow, arrow[1:] + arrow[:1]))
    left = min(x for x, _ in arrow) - outline
    right = max(x for x, _ in arrow) + outline
    top = min(y for _, y in arrow) - outline
    bottom = max(y for _, y in arrow) + outline
    # Each pixel is the mean of a grid of samples, enough to give its edge pixels smooth steps.
    steps = 4 if size > 64 else 8
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            covered = 0
            sums = [0, 0, 0]
            for j in range(steps):
                sy = y + (j + 0.5) / steps
                for i in range(steps):
                    sx = x + (i + 0.5) / steps
                    colour = None
                    if left <= sx <= right and top <= sy <= bottom:
                        if inside_polygon(sx, sy, arrow):
                            colour = PALETTE[WHITE]
                        elif min(segment_distance(sx, sy, *a, *b) for a, b in edges) <= outline:
                            colour = PALETTE[BLACK]
                    if colour is None and ring_inner < math.hypot(sx - centre, sy - centre) <= ring_outer:
                        colour = PALETTE[RED]
                    if colour is not None:
                        covered += 1
                        for c in range(3):
                            sums[c] += colour[c]
            if covered:
                row.append(tuple(round(v / covered) for v in sums) + (round(255 * covered / steps ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# The sizes of the 32-bit images, largest first: what Windows asks for from 100 to 200 percent scaling
# (title bar and notification area 16 to 32, Alt+Tab, taskbar and Start menu up to 64) and Explorer's
# large icons, 256. From PNG_FROM_SIZE up they are PNG-compressed, which keeps the program within its
# size limit; Windows Vista and later read PNG images at any size.
ALPHA_ICON_SIZES = (256, 64, 48, 40, 32, 24, 20, 16)
PNG_FROM_SIZE = 24
# The 16-colour images, kept for displays of 16 colours.
PALETTE_ICON_SIZES = (32, 16)


def make_icon():
    images = []
    for size in ALPHA_ICON_SIZES:
        rows = alpha_icon_rows(size)
        images.append((size, 32, png_file(rows) if size >= PNG_FROM_SIZE else icon_32bpp(rows)))
    # The arrow's tip sits at the middle of the ring, as the real pointer sits
    # at the middle of the overlay.
    images.append(icon_image(32, 13.5, 13.6, 10.4, (13.5, 13.5), 0.95))
    images.append(icon_image(16, 6.5, 6.7, 4.6, (6.0, 6.0), 0.52))
    return ico_file(images)


CURSOR_SIZE = 96
CURSOR_CENTRE = CURSOR_SIZE // 2  # where the overlay puts the real pointer

# Distances from the centre pixel, in pixels, of the ring's bands.
RING_OUTER_EDGE = 45.5
RING_YELLOW_OUTER = 43.5
RING_YELLOW_INNER = 37.5
RING_INNER_EDGE = 35.5
# Ticks: 5-pixel yellow bars out of the ring with 2-pixel blue sides and cap,
# reaching in to this distance; everything nearer the centre stays black.
TICK_HALF_WIDTH = 2
TICK_EDGE = 2
TICK_REACH = 16
CLEAR_RADIUS = TICK_REACH - TICK_EDGE


def cursor_colour(x, y):
    dx = x - CURSOR_CENTRE
    dy = y - CURSOR_CENTRE
    d = math.hypot(dx, dy)
    # A tick runs along an axis and grows out of the ring's yellow band:
    # "along" is the distance from the centre on that axis, "across" the
    # offset from the axis.
    for along, across in ((abs(dy), abs(dx)), (abs(dx), abs(dy))):
        if across <= TICK_HALF_WIDTH and along >= TICK_REACH and d <= RING_YELLOW_OUTER:
            return RING_YELLOW
    if RING_YELLOW_INNER < d <= RING_YELLOW_OUTER:
        return RING_YELLOW
    if RING_INNER_EDGE < d <= RING_OUTER_EDGE:
        return EDGE_BLUE
    for along, across in ((abs(dy), abs(dx)), (abs(dx), abs(dy))):
        if across <= TICK_HALF_WIDTH + TICK_EDGE and along >= TICK_REACH - TICK_EDGE \
                and d <= RING_INNER_EDGE:
            return EDGE_BLUE
    return KEY_BLACK


def make_cursor():
    image = [[cursor_colour(x, y) for x in range(CURSOR_SIZE)]
             for y in range(CURSOR_SIZE)]
    return bmp_file(CURSOR_SIZE, CURSOR_SIZE, 24, pack_24bpp(image))


# ---------------------------------------------------------------------------
# The gallery: bigger pointers in colours a low-vision user would choose.

# Bright fill and dark edge of each colouring. The edge keeps the shape visible
# on light and dark desktops alike; every visible pixel keeps a channel of at
# least MIN_VISIBLE_CHANNEL, well away from the black colour key, so a desktop
# of fewer colours does not round it to black.
COLOURINGS = {
    "yellow": ((255, 220, 0), (0, 0, 96)),
    "white": ((255, 255, 255), (64, 64, 64)),
    "magenta": ((255, 0, 255), (96, 0, 96)),
    "cyan": ((0, 255, 255), (0, 72, 96)),
    "orange": ((255, 140, 0), (96, 48, 0)),
}
MIN_VISIBLE_CHANNEL = 64

# Shape, colouring and size of every gallery file, a row of the sheet for each shape.
GALLERY = [
    ("ring-ticks", [("yellow", 128), ("yellow", 192), ("yellow", 256), ("white", 192), ("cyan", 128)]),
    ("ring", [("yellow", 96), ("magenta", 128), ("orange", 192)]),
    ("crosshair", [("yellow", 128), ("white", 192), ("cyan", 64)]),
    ("halo-arrow", [("white", 128), ("yellow", 192), ("orange", 96)]),
    ("spotlight", [("yellow", 256), ("cyan", 192), ("orange", 128), ("magenta", 64)]),
]
GALLERY_FOLDER = "Pointers"
SHEET = os.path.join(HERE, os.pardir, "docs", "pointers.png")
SHEET_GREY = (150, 150, 150)


def gallery_names():
    return ["%s-%s-%d.bmp" % (shape, colour, size)
            for shape, variants in GALLERY for colour, size in variants]


def clear_radius(size):
    """Nothing is drawn this near the centre pixel, where the real pointer is."""
    return max(3, size * 0.03)


def arrow_fill(size):
    """The halo's arrow, its tip just off the centre, pointing at it from below right."""
    tip = size // 2 + clear_radius(size) + edge_width(size) + 1
    scale = size * 0.3 / 19
    def inside(x, y):
        return inside_polygon((x + 0.5 - tip) / scale, (y + 0.5 - tip) / scale, ARROW)
    return inside


def edge_width(size):
    return max(2, round(size / 48))


def shape_fill(shape, size):
    """The predicate of the bright pixels of a shape, on pixel (x, y)."""
    centre = size // 2
    k = size / CURSOR_SIZE

    def polar(x, y):
        dx, dy = x - centre, y - centre
        return math.hypot(dx, dy), (abs(dy), abs(dx)), (abs(dx), abs(dy))

    if shape == "ring-ticks":
        # Today's default, larger: the same proportions.
        def fill(x, y):
            d, vertical, horizontal = polar(x, y)
            if RING_YELLOW_INNER * k < d <= RING_YELLOW_OUTER * k:
                return True
            return d <= RING_YELLOW_OUTER * k and any(
                across <= TICK_HALF_WIDTH * k and along >= TICK_REACH * k
                for along, across in (vertical, horizontal))
        return fill
    if shape == "ring":
        return lambda x, y: 0.33 * size < polar(x, y)[0] <= 0.45 * size
    if shape == "crosshair":
        def fill(x, y):
            _, vertical, horizontal = polar(x, y)
            return any(across <= 0.03 * size + 1 and 0.12 * size <= along <= 0.46 * size
                       for along, across in (vertical, horizontal))
        return fill
    if shape == "halo-arrow":
        arrow = arrow_fill(size)
        return lambda x, y: 0.41 * size < polar(x, y)[0] <= 0.45 * size or arrow(x, y)
    if shape == "spotlight":
        hole = clear_radius(size) + edge_width(size) + 1
        return lambda x, y: hole < polar(x, y)[0] <= 0.45 * size
    raise ValueError(shape)


def make_pointer(shape, colour, size):
    """A gallery picture: the shape's fill, edge_width pixels of edge around it, black elsewhere."""
    fill_colour, edge_colour = COLOURINGS[colour]
    fill_at = shape_fill(shape, size)
    fill = {(x, y) for y in range(size) for x in range(size) if fill_at(x, y)}
    width = edge_width(size)
    reach = [(dx, dy) for dy in range(-width, width + 1) for dx in range(-width, width + 1)
             if 0 < dx * dx + dy * dy <= width * width + 1]
    border = [(x, y) for x, y in fill
              if any((x + dx, y + dy) not in fill for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
    edge = {(x + dx, y + dy) for x, y in border for dx, dy in reach} - fill
    image = blank(size, size, KEY_BLACK)
    for x, y in edge:
        if 0 <= x < size and 0 <= y < size:
            image[y][x] = edge_colour
    for x, y in fill:
        image[y][x] = fill_colour
    return bmp_file(size, size, 24, pack_24bpp(image))


def png_file(rows):
    """An 8-bit PNG of the rows of (R, G, B) or (R, G, B, A), compressed the same way every time."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    height = len(rows)
    width = len(rows[0])
    raw = b"".join(b"\0" + b"".join(bytes(pixel) for pixel in row) for row in rows)
    colour_type = 6 if len(rows[0][0]) == 4 else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def make_sheet(pictures):
    """pictures: rows of read-back gallery images; black shown as the sheet's grey."""
    cell = max(len(image) for row in pictures for image in row) + 16
    columns = max(len(row) for row in pictures)
    sheet = blank(columns * cell + 16, len(pictures) * cell + 16, SHEET_GREY)
    for r, row in enumerate(pictures):
        for c, image in enumerate(row):
            size = len(image)
            left = 16 + c * cell + (cell - 16 - size) // 2
            top = 16 + r * cell + (cell - 16 - size) // 2
            for y in range(size):
                for x in range(size):
                    if image[y][x] != KEY_BLACK:
                        sheet[top + y][left + x] = image[y][x]
    return png_file(sheet)


def check_pointer(name, data, size):
    """Reads a gallery file back as the program would see it; returns its rows."""
    width, height, bits, rows = read_bmp(data)
    check((width, height, bits) == (size, size, 24), name + " size or depth")
    centre = size // 2
    for x, y in ((centre, centre), (0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)):
        check(rows[y][x] == KEY_BLACK, "%s is not black at %d,%d" % (name, x, y))
    visible = 0
    for y in range(size):
        for x in range(size):
            colour = rows[y][x]
            if colour == KEY_BLACK:
                continue
            visible += 1
            check(max(colour) >= MIN_VISIBLE_CHANNEL, "%s is too dark at %d,%d" % (name, x, y))
            if math.hypot(x - centre, y - centre) < clear_radius(size):
                check(False, "%s covers the centre at %d,%d" % (name, x, y))
            # The bright fill is edged all round: it never touches black.
            if colour in (fill for fill, _ in COLOURINGS.values()):
                for nx, ny in neighbours8(x, y):
                    check(rows[ny][nx] != KEY_BLACK, "%s fill touches black at %d,%d" % (name, x, y))
    check(visible > size * size // 50, name + " shows too little")
    return rows


# ---------------------------------------------------------------------------
# Reading back.


def read_bmp(data):
    """Returns (width, height, bits, rows of RGB tuples top row first)."""
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM" and size == len(data), "bad file header"
    width, height, bits, image_size, colours = read_info(data, 14)
    palette = read_palette(data, 14 + 40, colours or (1 << bits if bits <= 8 else 0))
    rows = read_rows(data, offset, width, height, bits, palette)
    assert offset + image_size == len(data), "pixel data size"
    return width, height, bits, rows


def read_info(data, at):
    (header_size, width, height, planes, bits, compression, image_size,
     _, _, colours, _) = struct.unpack_from("<IiiHHIIiiII", data, at)
    assert header_size == 40 and planes == 1 and compression == 0, "bad info header"
    return width, height, bits, image_size, colours


def read_palette(data, at, count):
    return [(data[at + 4 * i + 2], data[at + 4 * i + 1], data[at + 4 * i])
            for i in range(count)]


def read_rows(data, at, width, height, bits, palette):
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height):
        start = at + (height - 1 - y) * stride
        line = data[start:start + stride]
        if bits == 32:
            rows.append([(line[4 * x + 2], line[4 * x + 1], line[4 * x], line[4 * x + 3])
                         for x in range(width)])
        elif bits == 24:
            rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x])
                         for x in range(width)])
        elif bits == 4:
            rows.append([palette[(line[x // 2] >> (4 - 4 * (x % 2))) & 15]
                         for x in range(width)])
        elif bits == 1:
            rows.append([(line[x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
    return rows


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def read_png(data):
    """Returns (width, height, rows of RGBA tuples) of an 8-bit RGBA PNG as png_file writes it."""
    assert data.startswith(PNG_SIGNATURE), "not a PNG"
    at = len(PNG_SIGNATURE)
    chunks = {}
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack_from(">I", data, at + 8 + length)
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, "PNG chunk checksum"
        chunks[kind] = body
        at += 12 + length
    width, height, depth, colour_type, _, _, _ = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    assert (depth, colour_type) == (8, 6), "PNG is not 8-bit RGBA"
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = 1 + 4 * width
    assert len(raw) == height * stride and b"IEND" in chunks, "PNG pixel data size"
    rows = []
    for y in range(height):
        line = raw[y * stride:(y + 1) * stride]
        assert line[0] == 0, "PNG row filter"
        rows.append([tuple(line[1 + 4 * x:5 + 4 * x]) for x in range(width)])
    return width, height, rows


def read_ico(data):
    """Returns a list of (size, bits, PNG or not, colour rows, mask rows or None for a PNG)."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert reserved == 0 and kind == 1, "not an icon"
    images = []
    for i in range(count):
        w, h, colours, _, planes, bits, length, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * i)
        size = w or 256
        assert w == h and planes == 1 and colours == (16 if bits == 4 else 0)
        assert offset + length <= len(data)
        if data.startswith(PNG_SIGNATURE, offset):
            width, height, colour_rows = read_png(data[offset:offset + length])
            assert (width, height, bits) == (size, size, 32), "PNG image size"
            images.append((size, bits, True, colour_rows, None))
            continue
        width, height, header_bits, image_size, _ = read_info(data, offset)
        palette_size = 64 if bits == 4 else 0
        assert width == size and height == 2 * size and header_bits == bits
        assert 40 + palette_size + image_size == length
        palette = read_palette(data, offset + 40, 16) if bits == 4 else None
        xor_at = offset + 40 + palette_size
        colour_rows = read_rows(data, xor_at, size, size, bits, palette)
        mask_at = xor_at + (size * bits + 31) // 32 * 4 * size
        mask_rows = read_rows(data, mask_at, size, size, 1, None)
        assert mask_at + (size + 31) // 32 * 4 * size == offset + length
        images.append((size, bits, False, colour_rows, mask_rows))
    return images


def check(condition, message):
    if not condition:
        sys.exit("make_images: " + message)


def self_check(ring, icon, cursor):
    width, height, bits, rows = read_bmp(ring)
    check((width, height, bits) == (RING_WIDTH, RING_HEIGHT, 4), "ring.bmp size or depth")
    colours = {c for row in rows for c in row}
    check(colours == {(0, 0, 0), (255, 0, 0)}, "ring.bmp colours %r" % colours)
    red_columns = [x for row in rows for x, c in enumerate(row) if c != (0, 0, 0)]
    check(max(red_columns) - min(red_columns) + 1 == 76, "ring.bmp diameter")

    images = read_ico(icon)
    expected = ([(size, 32, size >= PNG_FROM_SIZE) for size in ALPHA_ICON_SIZES]
                + [(size, 4, False) for size in PALETTE_ICON_SIZES])
    check([(s, b, png) for s, b, png, _, _ in images] == expected, "Tobrik.ico images")
    for size, bits, _, colour_rows, mask_rows in images:
        if bits == 4:
            for y in range(size):
                for x in range(size):
                    if mask_rows[y][x]:
                        check(colour_rows[y][x] == (0, 0, 0),
                              "Tobrik.ico transparent pixel not black")
            check(mask_rows[0][0] == 1, "Tobrik.ico corner not transparent")
            continue
        alphas = {pixel[3] for row in colour_rows for pixel in row}
        check(colour_rows[0][0][3] == 0, "Tobrik.ico %d corner not transparent" % size)
        check(255 in alphas and len(alphas) > 2, "Tobrik.ico %d is not anti-aliased" % size)
        opaque = {pixel[:3] for row in colour_rows for pixel in row if pixel[3] == 255}
        check({PALETTE[RED], PALETTE[WHITE]} <= opaque, "Tobrik.ico %d lacks ring or arrow" % size)
        if mask_rows:
            for y in range(size):
                for x in range(size):
                    check(mask_rows[y][x] == (colour_rows[y][x][3] == 0),
                          "Tobrik.ico %d mask disagrees with alpha at %d,%d" % (size, x, y))

    width, height, bits, rows = read_bmp(cursor)
    check((width, height, bits) == (CURSOR_SIZE, CURSOR_SIZE, 24), "Tobrik.bmp size or depth")
    centre = CURSOR_CENTRE
    check(rows[height // 2][width // 2] == KEY_BLACK, "Tobrik.bmp centre is not black")
    for y in range(height):
        for x in range(width):
            colour = rows[y][x]
            check(colour in (KEY_BLACK, RING_YELLOW, EDGE_BLUE),
                  "Tobrik.bmp has a blended pixel at %d,%d" % (x, y))
            if math.hypot(x - centre, y - centre) <= CLEAR_RADIUS - 1:
                check(colour == KEY_BLACK, "Tobrik.bmp centre hole at %d,%d" % (x, y))
    # Yellow must never touch black, or the ring would vanish on a black desktop
    # edge and look ragged on a light one.
    for y in range(height):
        for x in range(width):
            if rows[y][x] == RING_YELLOW:
                for nx, ny in neighbours8(x, y):
                    check(rows[ny][nx] != KEY_BLACK,
                          "Tobrik.bmp yellow touches black at %d,%d" % (x, y))


def main():
    files = {
        "ring.bmp": make_ring(),
        "Tobrik.ico": make_icon(),
        "Tobrik.bmp": make_cursor(),
    }
    for shape, variants in GALLERY:
        for colour, size in variants:
            name = "%s-%s-%d.bmp" % (shape, colour, size)
            files[os.path.join(GALLERY_FOLDER, name)] = make_pointer(shape, colour, size)
    os.makedirs(os.path.join(HERE, GALLERY_FOLDER), exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(data)
    self_check(files["ring.bmp"], files["Tobrik.ico"], files["Tobrik.bmp"])
    pictures = []
    for shape, variants in GALLERY:
        row = []
        for colour, size in variants:
            name = os.path.join(GALLERY_FOLDER, "%s-%s-%d.bmp" % (shape, colour, size))
            with open(os.path.join(HERE, name), "rb") as back:
                row.append(check_pointer(name, back.read(), size))
        pictures.append(row)
    gallery_bytes = sum(len(data) for name, data in files.items() if name.startswith(GALLERY_FOLDER))
    check(10 <= len(gallery_names()) <= 30 and gallery_bytes < 2 * 1000 * 1000, "gallery count or size")
    files[SHEET] = make_sheet(pictures)
    with open(SHEET, "wb") as out:
        out.write(files[SHEET])
    for name, data in files.items():
        print("wrote %s (%d bytes)" % (os.path.normpath(os.path.join(HERE, name)), len(data)))
    print("gallery: %d files, %d bytes" % (len(gallery_names()), gallery_bytes))


if __name__ == "__main__":
    main()
