"""Finds the toolbar's glyphs in a picture of the bar (PPM on standard input), left to right as
the buttons stand (New, Cut, Copy, Paste, Exit): each the pixel art of the size the window's
scale asks for, every opaque pixel of it equal on the screen, the first four a cell apart. Prints "yes SIZE ... at X,Y ..."
or "no ..." and the glyph not found.
    glyph_on_screen.py ART-FOLDER ZERO-HEIGHT"""
import sys


def read_ppm(data):
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:]
    return width, height, lambda x, y: tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3])


def read_xpm(path):
    """The art's opaque pixels as {(x, y): (r, g, b)}."""
    rows = [line.split('"')[1] for line in open(path) if line.startswith('"')]
    width, height, colours, per = (int(v) for v in rows[0].split()[:4])
    palette = {}
    for line in rows[1:1 + colours]:
        key, _, value = line[:per], line[per:].split()[0], line[per:].split()[1]
        palette[key] = None if value == "None" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    art = {}
    for y, row in enumerate(rows[1 + colours:1 + colours + height]):
        for x in range(width):
            colour = palette[row[x * per:(x + 1) * per]]
            if colour is not None:
                art[(x, y)] = colour
    return art, width


def art_of(folder, name, size):
    if size == 24:
        return read_xpm(f"{folder}/24/{name}.xpm")[0]
    art = read_xpm(f"{folder}/{name}.xpm")[0]
    if size == 32:  # the 16-pixel art doubled pixel for pixel
        art = {(2 * x + dx, 2 * y + dy): c for (x, y), c in art.items()
               for dx in (0, 1) for dy in (0, 1)}
    return art


def main():
    folder, zero = sys.argv[1], int(sys.argv[2])
    room = (16 * zero * 2 + 13) // 26  # 16 design pixels by the window's rule
    size = min([s for s in (16, 24, 32) if s >= room - 1] or [32])
    width, height, at = read_ppm(sys.stdin.buffer.read())
    found = []
    start = 0
    for name in ("blank", "scissors", "pages", "clipboard", "cross"):
        art = art_of(folder, name, size)
        place = next(((left, top) for left in range(start, width) for top in range(height)
                      if all(0 <= left + x < width and 0 <= top + y < height
                             and at(left + x, top + y) == c for (x, y), c in art.items())),
                     None)
        if place is None:
            print(f"no {size}-pixel art of {name} found after x={start} in the bar, "
                  f"its room {room} pixels")
            return
        found.append(f"{name} ({place[0]}, {place[1]})")
        start = place[0] + 1
    # The four buttons side by side: one cell apart, 25 design pixels by the window's rule.
    lefts = [int(f.split("(")[1].split(",")[0]) for f in found[:4]]
    pitches = [b - a for a, b in zip(lefts, lefts[1:])]
    if any(abs(p - 25 * zero / 13) > 1 for p in pitches):
        print(f"no: the glyphs stand {pitches} pixels apart, not {25 * zero / 13:.1f}")
        return
    print(f"yes {size}-pixel art, its room {room} pixels, cells {pitches[0]} pixels wide, "
          f"the scale {zero}/13 = {zero / 13:.2f}: " + ", ".join(found))


main()
