#!/usr/bin/env python3
"""Draws the icons of the Windows front end: the 32x32 (and 16x16) application icon and
one 16x16 toolbar icon per command and option button. Each icon is a coloured tile with a
small glyph; the output is plain .ico files (32-bit images with an AND mask), written to
src/ui/win32/icons/. Run it again after changing a glyph; the files are committed."""
import os
import struct
import sys

# 5x7 glyphs, one string per row, '#' = ink.
GLYPHS = {
    'C': [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    'N': ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    'K': ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    'R': ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    'X': ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
    'P': ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    'A': [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'F': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    'H': ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'L': ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    'S': [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    'O': [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'T': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    'V': ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    'D': ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    'E': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    'W': ["#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"],
    'M': ["#   #", "## ##", "# # #", "#   #", "#   #", "#   #", "#   #"],
}

# resource id -> (glyph, tile colour RGB)
ICONS = {
    115: ('N', (0x30, 0x70, 0xc0)),   # allow_newline
    116: ('A', (0x30, 0x90, 0x60)),   # autocomplete
    117: ('F', (0x80, 0x60, 0x20)),   # feedback
    118: ('H', (0x60, 0x40, 0x90)),   # heading
    120: ('L', (0x20, 0x80, 0x90)),   # listview
    121: ('S', (0x90, 0x50, 0x50)),   # savehistory
    122: ('O', (0x40, 0x60, 0x80)),   # screen
    123: ('P', (0x70, 0x70, 0x20)),   # serveroutput
    124: ('T', (0x50, 0x50, 0x50)),   # timing
    125: ('C', (0x20, 0x60, 0xb0)),   # connect
    126: ('X', (0xc0, 0x20, 0x20)),   # cancel
    127: ('W', (0x40, 0x80, 0x40)),   # new window
    128: ('K', (0x20, 0x90, 0x30)),   # commit
    129: ('R', (0xb0, 0x60, 0x10)),   # rollback
    130: ('E', (0x50, 0x50, 0xa0)),   # repeat
    131: ('S', (0x30, 0x80, 0x80)),   # scan
    132: ('V', (0x80, 0x30, 0x70)),   # verify
    134: ('T', (0x20, 0x50, 0x90)),   # autotrace
    136: ('D', (0x70, 0x30, 0x30)),   # debug
    137: ('M', (0xa0, 0x70, 0x10)),   # sound
    142: ('H', (0x30, 0x60, 0x30)),   # history
}


def draw(size, glyph, colour):
    """Returns rows (top first) of (r, g, b, a): a rounded tile with a white glyph."""
    scale = max(1, size // 16)
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            corner = (x in (0, size - 1)) and (y in (0, size - 1))
            if not corner:
                px[y][x] = colour + (255,)
    rows = GLYPHS[glyph]
    gw, gh = 5 * scale, 7 * scale
    ox, oy = (size - gw) // 2, (size - gh) // 2
    for gy, line in enumerate(rows):
        for gx, ch in enumerate(line):
            if ch != '#':
                continue
            for dy in range(scale):
                for dx in range(scale):
                    px[oy + gy * scale + dy][ox + gx * scale + dx] = (255, 255, 255, 255)
    return px


def image_bytes(px):
    size = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(px):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for px in images:
        data = image_bytes(px)
        size = len(px)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs.append(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, '..', 'src', 'ui', 'win32', 'icons')
    if len(sys.argv) > 1:
        target = sys.argv[1]
    os.makedirs(target, exist_ok=True)
    app_colour = (0x10, 0x40, 0x80)
    write_ico(os.path.join(target, 'app.ico'), [draw(32, 'V', app_colour), draw(16, 'V', app_colour)])
    for rid, (glyph, colour) in sorted(ICONS.items()):
        write_ico(os.path.join(target, 'icon%d.ico' % rid), [draw(16, glyph, colour)])


if __name__ == '__main__':
    main()
