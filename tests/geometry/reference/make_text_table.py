#!/usr/bin/python3
# Writes text_table.txt: the pixel box of a label's outline with capitals 100 pixels tall, from
# the font files' own tables read by fontTools, for tests/geometry/r_Geom_text_test.cpp. Run with
# Debian's /usr/bin/python3 (python3-fonttools), with the fonts the tests pin:
#   /usr/bin/python3 tests/geometry/reference/make_text_table.py > tests/geometry/reference/text_table.txt
#
# The sizing is the one of a screen font: the capital height (OS/2 sCapHeight, else the height
# of "H") read at a cell height of 1000 pixels gives the cell height at which capitals are 100
# pixels tall; pixels per em follow from the cell (usWinAscent + usWinDescent); every advance is
# rounded to whole pixels, halves up. Text is not kerned (as the canvas draws it), so every text
# here has no kerning pair: the script refuses one that has.
#
# Records (whitespace separated), pixels with y down, the anchor at (0, 0):
#   text id face text hJustify vJustify rotationDegrees maxgap linePixels left top right bottom
#       face uses _ for spaces; linePixels 0 is a label at a point, otherwise the label lies
#       along the straight line from (0, 0) to (linePixels, 0).
import math

from fontTools.pens.boundsPen import BoundsPen
from fontTools.ttLib import TTFont

FACES = {
    "DejaVu_Sans": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "Liberation_Serif": "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf",
    "Open_Sans": "/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf",
}
CAP_PROBE = 1000
CAP_PIXELS = 100


def rnd(v):
    return int(round(v))  # halves to even, as the layout rounds


class Face:
    def __init__(self, path):
        self.font = TTFont(path)
        self.upem = self.font["head"].unitsPerEm
        self.cmap = self.font.getBestCmap()
        self.glyphs = self.font.getGlyphSet()
        self.hmtx = self.font["hmtx"]
        os2 = self.font["OS/2"]
        self.cell_units = os2.usWinAscent + os2.usWinDescent
        self.kern = {}
        if "kern" in self.font:
            for sub in self.font["kern"].kernTables:
                if hasattr(sub, "kernTable"):
                    self.kern.update(sub.kernTable)
        if os2.version >= 2 and os2.sCapHeight > 0:
            cap_units = os2.sCapHeight
        else:
            b = self.bounds("H")
            cap_units = b[3] - b[1]
        probe_ppem = rnd(CAP_PROBE * self.upem / self.cell_units)
        cap100 = rnd(cap_units * probe_ppem / self.upem) * 100 / CAP_PROBE
        cell = rnd(CAP_PIXELS * 100 / cap100)
        self.ppem = max(1, rnd(cell * self.upem / self.cell_units))
        self.scale = self.ppem / self.upem

    def glyph(self, ch):
        return self.cmap[ord(ch)]

    def bounds(self, ch):
        pen = BoundsPen(self.glyphs)
        self.glyphs[self.glyph(ch)].draw(pen)
        return pen.bounds

    def advance(self, ch):
        # Screen fonts round advances half up, not to even.
        return int(math.floor(self.hmtx[self.glyph(ch)][0] * self.scale + 0.5))

    def check_unkerned(self, text):
        for a, b in zip(text, text[1:]):
            if self.kern.get((self.glyph(a), self.glyph(b)), 0) != 0:
                raise SystemExit("%r has a kerning pair %r%r: pick another text" % (text, a, b))


def baseline(v, height=CAP_PIXELS):
    if v == 0:
        return height // 2
    if 100 <= v <= 499:
        return -rnd((v - 100) / 100 * height)
    if 500 <= v <= 899:
        return height + rnd((v - 500) / 100 * height)
    return 0


def ink(face, text, origins, yi):
    box = None
    for ch, x in zip(text, origins):
        b = face.bounds(ch)
        if b is None:
            continue
        g = (x + b[0] * face.scale, yi - b[3] * face.scale, x + b[2] * face.scale, yi - b[1] * face.scale)
        box = g if box is None else (min(box[0], g[0]), min(box[1], g[1]), max(box[2], g[2]), max(box[3], g[3]))
    return box


def at_point(face, text, h, v, maxgap):
    extra = rnd(CAP_PIXELS / 100 * maxgap) if h in (0, 1, 2) and maxgap != 0 and len(text) > 1 else 0
    adv = [face.advance(c) + extra for c in text]
    w = sum(adv)
    x = {0: -(w // 2), 2: -w}.get(h, 0)
    origins = []
    for a in adv:
        origins.append(x)
        x += a
    return ink(face, text, origins, baseline(v))


def along_line(face, text, h, v, maxgap, length):
    adv = [face.advance(c) for c in text]
    w, n = sum(adv), len(text)
    gap, lead, spread = 0.0, 0.0, False
    if n >= 2:
        gap = (length - w) / (n - 1)
        spread = maxgap >= gap
    if not spread:
        gap = maxgap / 100 * CAP_PIXELS if n >= 2 else 0.0
        lead = (h - 1000) / 100 * (length - w - (n - 1) * gap) / 2
    origins, before = [], 0.0
    for a in adv:
        origins.append(lead + before + a / 2 - rnd(a / 2))
        before += a + gap
    return ink(face, text, origins, baseline(v))


CASES = [
    # id, face, text, hJustify, vJustify, rotation degrees, maxgap, line pixels
    ("dejavu-centre-middle", "DejaVu_Sans", "HILL", 0, 0, 0, 0, 0),
    ("dejavu-start-baseline", "DejaVu_Sans", "Hemel Hempstead", 1, 100, 0, 0, 0),
    ("dejavu-end-tops", "DejaVu_Sans", "MINIM", 2, 500, 0, 0, 0),
    ("dejavu-raised-baseline", "DejaVu_Sans", "Nîmes", 1, 150, 0, 0, 0),
    ("dejavu-lowered-tops", "DejaVu_Sans", "Åland", 0, 520, 0, 0, 0),
    ("dejavu-letter-gap", "DejaVu_Sans", "HILL", 0, 100, 0, 20, 0),
    ("dejavu-turned", "DejaVu_Sans", "Zürich", 1, 100, 90, 0, 0),
    ("serif-centre-middle", "Liberation_Serif", "Kestrova", 0, 0, 0, 0, 0),
    ("serif-end-baseline", "Liberation_Serif", "Reykjavík", 2, 100, 0, 0, 0),
    ("opensans-start-tops", "Open_Sans", "Zürich", 1, 500, 0, 0, 0),
    ("opensans-letter-gap", "Open_Sans", "MINIM", 2, 0, 0, 35, 0),
    ("line-start", "DejaVu_Sans", "HILL", 1000, 100, 0, 0, 900),
    ("line-centre", "DejaVu_Sans", "Nîmes", 1100, 0, 0, 10, 900),
    ("line-end", "Liberation_Serif", "Kestrova", 1200, 500, 0, 5, 1200),
    ("line-spread", "Open_Sans", "Zürich", 1100, 100, 0, 200, 800),
    ("line-one-letter", "DejaVu_Sans", "H", 1100, 100, 0, 0, 600),
]

faces = {name: Face(path) for name, path in FACES.items()}
print("# text id face text hJustify vJustify rotationDegrees maxgap linePixels left top right bottom")
for cid, fname, text, h, v, rot, maxgap, line in CASES:
    face = faces[fname]
    face.check_unkerned(text)
    box = along_line(face, text, h, v, maxgap, line) if line else at_point(face, text, h, v, maxgap)
    if rot == 90:  # clockwise on the screen: (x, y) -> (-y, x)
        box = (-box[3], box[0], -box[1], box[2])
    elif rot != 0:
        raise SystemExit("only quarter turns keep the box of the turned outline exact")
    print(" ".join(["text", cid, fname, text.replace(" ", "_"), str(h), str(v), str(rot), repr(float(maxgap)),
                    str(line)] + ["%.3f" % b for b in box]))
