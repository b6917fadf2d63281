"""Finds the toolbar's first glyph (the blank page) in a picture of the bar (PPM on standard
input): the pixel art of the size the window's scale asks for, every opaque pixel of it equal
on the screen. Prints "yes SIZE at X,Y ..." or "no ...".
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


def main():
    folder, zero = sys.argv[1], int(sys.argv[2])
    room = (16 * zero * 2 + 13) // 26  # 16 design pixels by the window's rule
    size = min([s for s in (16, 24, 32) if s >= room - 1] or [32])
    if size == 24:
        art, _ = read_xpm(folder + "/24/blank.xpm")
    else:
        art, _ = read_xpm(folder + "/blank.xpm")
        if size == 32:  # the 16-pixel art doubled pixel for pixel
            art = {(2 * x + dx, 2 * y + dy): c for (x, y), c in art.items()
                   for dx in (0, 1) for dy in (0, 1)}
    width, height, at = read_ppm(sys.stdin.buffer.read())
    for top in range(0, height):
        for left in range(0, min(width, 3 * size)):
            if all(0 <= left + x < width and 0 <= top + y < height and at(left + x, top + y) == c
                   for (x, y), c in art.items()):
                print(f"yes {size}-pixel art at ({left}, {top}) in the bar, its room "
                      f"{room} pixels, the scale {zero}/13 = {zero / 13:.2f}")
                return
    print(f"no {size}-pixel art found in the bar, its room {room} pixels")


main()
