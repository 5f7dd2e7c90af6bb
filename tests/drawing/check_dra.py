#!/usr/bin/python3
# An independent decoder of the binary drawing file, written from the format's tables, used by
# tests/drawing/r_Dra_write_test.cpp. It checks every record and prints one line per record;
# a broken rule prints "ERROR ..." and exits 1.
#   check_dra.py FILE            decode and check a drawing file
#   check_dra.py real48 HEX...   the 6-byte reals of doubles given as C hex floats, by the formula
import struct
import sys
from fractions import Fraction


def fail(msg):
    print("ERROR " + msg)
    sys.exit(1)


def real48_bytes(value):
    """The 6-byte real of a value: exponent e biased by 129, fraction f of 39 bits,
    value = (-1)^s (1 + f / 2^39) 2^(e - 129); the nearest 40-bit significand, ties away from 0."""
    v = Fraction(value)
    if v == 0:
        return bytes(6)
    s = 1 if v < 0 else 0
    a = abs(v)
    e = 129
    while a >= Fraction(2) ** (e - 128):
        e += 1
    while a < Fraction(2) ** (e - 129):
        e -= 1
    exact = (a / Fraction(2) ** (e - 129) - 1) * 2 ** 39
    f = int(exact)
    if exact - f >= Fraction(1, 2):
        f += 1
    if f == 2 ** 39:
        f = 0
        e += 1
    if e <= 0:
        return bytes(6)
    if e > 255:
        return None
    return bytes([e, f & 0xFF, (f >> 8) & 0xFF, (f >> 16) & 0xFF, (f >> 24) & 0xFF, ((f >> 32) & 0x7F) | (s << 7)])


def real48(b):
    if b[0] == 0:
        return 0.0
    f = b[1] | b[2] << 8 | b[3] << 16 | b[4] << 24 | (b[5] & 0x7F) << 32
    v = (1 + Fraction(f, 2 ** 39)) * Fraction(2) ** (b[0] - 129)
    return float(-v if b[5] & 0x80 else v)


def num(x):
    return ("%.6f" % x).rstrip("0").rstrip(".")


class Reader:
    def __init__(self, data, start, end):
        self.d, self.p, self.end = data, start, end

    def take(self, n):
        if self.p + n > self.end:
            fail("read past the record at %d" % self.p)
        b = self.d[self.p:self.p + n]
        self.p += n
        return b

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack("<H", self.take(2))[0]

    def i32(self):
        return struct.unpack("<i", self.take(4))[0]

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def f64(self):
        return struct.unpack("<d", self.take(8))[0]

    def utf16(self):
        n = self.i32()
        return self.take(2 * n).decode("utf-16-le")


def caption_block(r, c_byte):
    start = r.p
    if c_byte < 254:
        if r.u8() != 254:
            fail("short caption block does not begin with 254")
        c = c_byte
    else:
        c = r.u16()
        if c < 254:
            fail("long caption block of size %d" % c)
    if r.i32() != 1:
        fail("caption text is not number 1")
    m = r.i32()
    caption = r.take(m).decode("cp1252")
    if r.i32() != 2 or r.i32() != 0:
        fail("text number 2 is not empty")
    if c_byte < 254 and r.u8() != 0:
        fail("short caption block does not end with 0")
    if r.p - start != c or c != m + 18:
        fail("caption block of %d bytes for C %d and m %d" % (r.p - start, c, m))
    return c, caption


def entries(r, count):
    out = []
    for _ in range(count):
        x, y, flag = real48(r.take(6)), real48(r.take(6)), r.u8()
        out.append("%s %s %02X" % (num(x), num(y), flag))
    return out


def label(r):
    lx, ly, rot, just, factor, flag = r.i32(), r.i32(), struct.unpack("<h", r.take(2))[0], r.u8(), r.u8(), r.u8()
    if flag != 0x40:
        fail("label entry flag %02X" % flag)
    return "label %d %d %d %d %d" % (lx, ly, rot, just, factor)


def geometry(kind, data, start, length, b):
    r = Reader(data, start + 24, start + length)
    if kind == 4:
        style, flags, lj = r.u8(), r.u8(), r.u8()
        height = real48(r.take(6))
        rot = struct.unpack("<h", r.take(2))[0]
        c_byte = r.u8()
        c, caption = caption_block(r, c_byte)
        if b != c + 12:
            fail("text B %d for C %d" % (b, c))
        n = (length - 24 - b) // 13
        if (length - 24 - b) % 13:
            fail("text entries do not fill the record")
        pts = entries(r, n)
        return "text style=%d flags=%d lj=%d height=%s rot=%d C=%d B=%d caption=%r points=%s" % (
            style, flags, lj, num(height), rot, c, b, caption, pts)
    if r.u8() != 254 or r.u8() != 0:
        fail("geometry record does not begin with 254 0")
    style, dataid = r.i32(), r.u32()
    if kind == 3 and r.u8() != 1:
        fail("point record without its 1")
    c_byte = r.u8()
    c, caption = caption_block(r, c_byte)
    lid = r.u8()
    oid = r.take(lid).decode("cp1252")
    if r.u8() != 0:
        fail("no zero after the id")
    expected_b = c + lid + (14 if kind == 3 else 13)
    if b != expected_b or r.p != start + 24 + b:
        fail("B %d, expected %d" % (b, expected_b))
    n = (length - 24 - b) // 13 - 1
    if (length - 24 - b) % 13 or n < 1:
        fail("entries do not fill the record")
    pts = entries(r, n)
    lab = label(r)
    return "geometry kind=%d style=%d dataid=%d C=%d B=%d caption=%r id=%r points=%s %s" % (
        kind, style, dataid, c, b, caption, oid, pts, lab)


def attributes(data, start, length):
    r = Reader(data, start + 24, start + length)
    items = []
    while r.p < start + length:
        tag = r.i32()
        if 1 <= tag <= 19:
            items.append("%d=%d" % (tag, r.i32()))
        elif 20 <= tag <= 39:
            items.append("%d=%s" % (tag, num(r.f64())))
        elif tag == 58:
            n = r.i32()
            items.append("58=" + ",".join("%d:%d" % (r.i32(), r.i32()) for _ in range(n)))
        elif tag in (50, 51, 52, 53, 54, 59, 62, 63):
            items.append("%d=%r" % (tag, r.utf16()))
        else:
            fail("unknown attribute tag %d" % tag)
    order = [int(i.split("=")[0]) for i in items]
    if order[:16] != [10, 2, 4, 5, 22, 27, 28, 8, 9, 33, 11, 15, 16, 51, 50, 54]:
        fail("attribute items out of order: %s" % order)
    return "attributes " + " ".join(items)


def decode(name):
    data = open(name, "rb").read()
    out = []
    p = 0
    ini_at = None
    geometry_records = 0
    while p < len(data):
        if len(data) - p < 24:
            fail("%d bytes left after the last record" % (len(data) - p))
        marker, kind, length, x1, y1, x2, y2, b = struct.unpack("<BBiiiiiH", data[p:p + 24])
        if marker != 0xF0:
            fail("marker %02X at %d" % (marker, p))
        if length < 24 or p + length > len(data):
            fail("length %d at %d" % (length, p))
        bounds = "%d %d %d %d" % (x1, y1, x2, y2)
        if p == 0:
            if kind != 8 or length != 24:
                fail("no file header")
            out.append("header bounds=%s count=%d" % (bounds, b))
            count = b
        elif p == 24:
            if kind != 69 or length != 24 or data[24 + 6:24 + 10] != struct.pack("<i", 24) or data[34] != 5:
                fail("no version record at 24")
            if any(data[35:48]) or any(data[24 + 2 + 4:24 + 6]):
                fail("version record has other bytes set")
            out.append("version 5")
        elif kind in (1, 2, 3, 4, 11):
            geometry_records += 1
            out.append("bounds=%s " % bounds + geometry(kind, data, p, length, b))
        elif kind == 54:
            if b != 0:
                fail("attribute record with bytes 22-23 set")
            out.append(attributes(data, p, length))
        elif kind in (65, 66, 67):
            r = Reader(data, p + 24, p + length)
            fname = r.utf16()
            content = data[r.p:p + length]
            if kind == 65:
                ini_at = p
                out.append("settings %r" % content.decode("utf-8"))
            else:
                out.append("file kind=%d name=%r bytes=%r" % (kind, fname, content.decode("latin-1")))
        elif kind == 68:
            target = struct.unpack("<i", data[p + 6:p + 10])[0]
            if length != 24 or data[p + 20:p + 24] != b"\xF0\x44\xF0\x44" or any(data[p + 10:p + 20]):
                fail("bad settings end record")
            if target != ini_at:
                fail("end record points at %d, settings record at %s" % (target, ini_at))
            if p + 24 != len(data):
                fail("records after the end record")
            out.append("end")
        else:
            fail("unknown record kind %d" % kind)
        p += length
    if geometry_records != count:
        fail("header counts %d geometry records, file holds %d" % (count, geometry_records))
    if out[-1] != "end":
        fail("no end record")
    print("\n".join(out))


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "real48":
        for h in sys.argv[2:]:
            b = real48_bytes(float.fromhex(h))
            print("refused" if b is None else b.hex().upper())
    else:
        decode(sys.argv[1])
