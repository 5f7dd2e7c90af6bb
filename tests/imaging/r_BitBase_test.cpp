// r_BitBase header readers: file types by name, sizes and depths checked against libmagic's
// `file`, `tiffinfo` and `identify` on files made by outside tools, and damaged headers that
// must measure nothing.
#include "imaging/r_BitBase.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <regex>

#include "core/r_bitmapRaw.h"
#include "platform/TMemoryStream.h"
#include "tests/support/testenv.h"

namespace {

bool haveImageTools() {
  return std::system("test -x /usr/bin/convert && command -v file >/dev/null && command -v tiffinfo >/dev/null && "
                     "command -v cjpeg >/dev/null && command -v tiffcp >/dev/null && /usr/bin/python3 -c 'import PIL' "
                     ">/dev/null 2>&1") == 0;
}

using testenv::runCommand;

using testenv::makeByCommand;

struct Size {
  int w = -1, h = -1, depth = -1;
};

// What the outside tools say: `file` where it states the size, tiffinfo for TIFF, identify else.
Size reference(const std::string& path) {
  Size s;
  const std::string f = runCommand("file -b '" + path + "'");
  std::smatch m;
  if (std::regex_search(f, m, std::regex(R"(PC bitmap.*?, (\d+) x (-?\d+) x (\d+))"))) {
    s = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3])};
  } else if (std::regex_search(f, m, std::regex(R"(PNG image data, (\d+) x (\d+))"))) {
    s = {std::stoi(m[1]), std::stoi(m[2]), 24};
  } else if (std::regex_search(f, m, std::regex(R"((\d+)x(\d+), components (\d+))"))) {
    s = {std::stoi(m[1]), std::stoi(m[2]), 8 * std::stoi(m[3])};
  } else if (f.find("TIFF") != std::string::npos) {
    const std::string t = runCommand("tiffinfo '" + path + "'");
    int samples = 1, bits = 1;
    if (std::regex_search(t, m, std::regex(R"(Image Width: (\d+) Image Length: (\d+))"))) s = {std::stoi(m[1]), std::stoi(m[2]), 0};
    if (std::regex_search(t, m, std::regex(R"(Bits/Sample: (\d+))"))) bits = std::stoi(m[1]);
    if (std::regex_search(t, m, std::regex(R"(Samples/Pixel: (\d+))"))) samples = std::stoi(m[1]);
    s.depth = samples * bits;
  } else {  // the JPEG kinds whose size `file` does not state
    const std::string i = runCommand("identify -format '%w %h %[colorspace]' '" + path + "'");
    if (std::regex_search(i, m, std::regex(R"((\d+) (\d+) (\w+))")))
      s = {std::stoi(m[1]), std::stoi(m[2]), m[3] == "Gray" ? 8 : 24};
  }
  return s;
}

Size measure(const std::string& path) {
  Size s;
  int32_t w = -7, h = -7, d = -7;
  switch (getfiletype(path)) {
    case 3: GetBmpSize(path, w, h, d); break;
    case 4: GetTifSize(path, w, h, d); break;
    case 5:
      GetJPGSize(path, w, h);
      d = lastDepth;
      break;
    default:
      GetPNGSize(path, w, h);
      d = 24;
  }
  return {w, h, d};
}

void fill(TMemoryStream& m, const std::string& bytes) {
  m.setSize(0);
  m.write(bytes.data(), int64_t(bytes.size()));
  m.setPosition(0);
}

}  // namespace

TEST(r_BitBase, FileTypeComesFromTheLastThreeLetters) {
  struct Case { const char* name; int type; } cases[] = {
      {"photo.JPEG", 5}, {"photo.jpg", 5}, {"scan.tiff", 4}, {"a.TIF", 4}, {"xtif", 4}, {"map.bmp", 3},
      {"notes.txt", 0},  {"archive.qytiles", 215}, {"files", 215}, {"x.jp2", 100}, {"x.j2k", 210},
      {"x.ecw", 14},     {"jp", 0}, {"", 0}, {"x.png", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(getfiletype(c.name), c.type);
  }
}

TEST(r_BitBase, HeadersAgreeWithTheOutsideTools) {
  if (!haveImageTools()) GTEST_SKIP() << "imagemagick, file, libtiff-tools, libjpeg-turbo-progs and python3-pil are needed";
  makeByCommand("p.ppm", "/usr/bin/convert -size 45x31 gradient:red-blue -depth 8 p.ppm");
  const std::string py = "/usr/bin/python3 -c \"from PIL import Image; ";
  struct Case { const char* id; const char* file; std::string cmd; } cases[] = {
      {"bmp 1 bit", "b1.bmp", "/usr/bin/convert p.ppm -type bilevel BMP3:b1.bmp"},
      {"bmp 8 bits", "b8.bmp", "/usr/bin/convert p.ppm -colors 50 -type palette BMP3:b8.bmp"},
      {"bmp 24 bits", "b24.bmp", "/usr/bin/convert p.ppm BMP3:b24.bmp"},
      {"bmp 32 bits", "b32.bmp", py + "Image.open('p.ppm').convert('RGBA').save('b32.bmp')\""},
      {"bmp 32 bits, newer header", "b32v5.bmp", "/usr/bin/convert p.ppm -alpha on BMP:b32v5.bmp"},
      // Rows stored top row first, the height negated.
      {"bmp top-down", "td.bmp",
       py + "import struct; b=bytearray(open('b24.bmp','rb').read()); w,h=struct.unpack_from('<ii',b,18); "
            "r=(w*3+3)//4*4; o=struct.unpack_from('<I',b,10)[0]; rows=[b[o+i*r:o+(i+1)*r] for i in range(h)]; "
            "b[o:o+r*h]=b''.join(reversed(rows)); struct.pack_into('<i',b,22,-h); open('td.bmp','wb').write(b)\""},
      {"tiff little-endian short sizes", "le.tif", "/usr/bin/convert p.ppm -resize 640x31! -define tiff:endian=lsb le.tif"},
      {"tiff big-endian short sizes", "be.tif", "/usr/bin/convert p.ppm -define tiff:endian=msb be.tif"},
      {"tiff big-endian long width", "wideB.tif", py + "Image.new('L',(70000,2),128).save('w.tif')\" && tiffcp -B w.tif wideB.tif"},
      {"tiff little-endian long width", "wideL.tif", "tiffcp -L w.tif wideL.tif"},
      {"tiff grey with alpha", "ga.tif", "/usr/bin/convert p.ppm -colorspace gray -alpha on -depth 8 ga.tif"},
      {"tiff bilevel", "bw.tif", "/usr/bin/convert p.ppm -type bilevel bw.tif"},
      {"png 70000 x 10", "wide.png", py + "Image.new('L',(70000,10),128).save('wide.png')\""},
      {"jpeg baseline", "base.jpg", "/usr/bin/convert p.ppm base.jpg"},
      {"jpeg progressive", "prog.jpg", "/usr/bin/convert p.ppm -interlace JPEG prog.jpg"},
      {"jpeg arithmetic", "arith.jpg", "cjpeg -arithmetic -outfile arith.jpg p.ppm"},
      {"jpeg grey", "grey.jpg", "/usr/bin/convert p.ppm -colorspace gray grey.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string path = makeByCommand(c.file, c.cmd);
    const Size want = reference(path), got = measure(path);
    ASSERT_GT(want.w, 0) << runCommand("file -b '" + path + "'");
    EXPECT_EQ(got.w, want.w);
    EXPECT_EQ(got.h, want.h);
    EXPECT_EQ(got.depth, want.depth);
    // The stream forms read the same headers.
    TMemoryStream m;
    fill(m, testenv::readFile(path));
    int32_t w = -7, h = -7, d = -7;
    switch (getfiletype(path)) {
      case 3: EXPECT_TRUE(GetBmpSize(m, w, h, d)); break;
      case 4: EXPECT_TRUE(GetTifSize(m, w, h, d)); break;
      case 5: EXPECT_TRUE(GetJPGSize(m, w, h)); d = lastDepth; break;
      default: EXPECT_TRUE(GetPNGSize(m, w, h)); d = 24;
    }
    EXPECT_EQ(w, got.w);
    EXPECT_EQ(h, got.h);
    EXPECT_EQ(d, got.depth);
    if (getfiletype(path) == 4) EXPECT_EQ(getTiffDepth(path), want.depth);
  }
}

namespace {
// A classic TIFF with one directory of the given entries (tag, type, count, value field).
std::string tiffWith(std::initializer_list<std::array<uint32_t, 4>> entries, bool big, std::string tail = "") {
  std::string t = big ? std::string("MM\0*", 4) : std::string("II*\0", 4);
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) t += char(big ? v >> (8 * (bytes - 1 - i)) : v >> (8 * i));
  };
  put(8, 4);
  put(uint32_t(entries.size()), 2);
  for (const auto& e : entries) {
    put(e[0], 2);
    put(e[1], 2);
    put(e[2], 4);
    if (big && e[1] == 3 && e[2] <= 2) put(e[3] << 16, 4);  // a short value stands in the field's first half
    else put(e[3], 4);
  }
  put(0, 4);
  return t + tail;
}
}  // namespace

TEST(r_BitBase, TiffValuesAreReadWhereTheyLie) {
  const uint32_t at = 8 + 2 + 4 * 12 + 4;  // just after the directory
  struct Case { const char* id; std::string bytes; int w, h, depth; } cases[] = {
      {"short sizes, little-endian", tiffWith({{256, 3, 1, 640}, {257, 3, 1, 480}, {258, 3, 1, 8}, {277, 3, 1, 1}}, false), 640, 480, 8},
      {"long width, big-endian", tiffWith({{256, 4, 1, 70000}, {257, 4, 1, 3}, {258, 3, 1, 1}, {277, 3, 1, 1}}, true), 70000, 3, 1},
      {"bits 8,8,8 at an offset", tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}, {258, 3, 3, at}, {277, 3, 1, 3}}, false, std::string("\x08\0\x08\0\x08\0", 6)), 5, 4, 24},
      {"bits 8,8 in the entry", tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}, {258, 3, 2, 0x00080008}, {277, 3, 1, 2}}, false), 5, 4, 16},
      {"bits 8,8 in a big-endian entry", tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}, {258, 3, 2, 0x0008}, {277, 3, 1, 2}}, true), 5, 4, 16},
      {"neither bits nor samples", tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}, {259, 3, 1, 1}, {262, 3, 1, 1}}, false), 5, 4, 1},
      {"bits beyond the file", tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}, {258, 3, 3, 900000}, {277, 3, 1, 3}}, false), 5, 4, 3},
      {"width at an offset beyond the file", tiffWith({{256, 4, 2, 0x7FFFFFF0}, {257, 3, 1, 4}, {258, 3, 1, 8}, {277, 3, 1, 1}}, false), -1, 4, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string path = testenv::writeFile("t.tif", c.bytes);
    int32_t w = 0, h = 0, d = 0;
    GetTifSize(path, w, h, d);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(d, c.depth);
    TMemoryStream m;
    fill(m, c.bytes);
    GetTifSize(m, w, h, d);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(d, c.depth);
  }
}

// A tag repeated in a damaged directory counts by its first entry in the file form and the
// memory form alike (the file form once took the last: 16777215 wide where the memory form said
// 7), and bytes without the TIFF magic are no TIFF however they fall.
TEST(r_BitBase, TiffReadersTakeTheFirstEntryOfATagAndCheckTheMagic) {
  const std::string repeated =
      tiffWith({{256, 3, 1, 7}, {257, 3, 1, 4}, {258, 3, 1, 8}, {277, 3, 1, 1}, {256, 4, 1, 16777215}}, false);
  const std::string lateBits =
      tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}, {258, 3, 1, 8}, {277, 3, 1, 1}, {258, 3, 1, 16}, {277, 3, 1, 3}}, true);
  auto withHead = [](std::string t, const char* head) { return t.replace(0, 4, head, 4); };
  struct Case { const char* id; std::string bytes; int w, h, depth; } cases[] = {
      {"width repeated", repeated, 7, 4, 8},
      {"bits and samples repeated", lateBits, 5, 4, 8},
      {"BMP bytes laid out as a directory", withHead(repeated, "BM\x2A\0"), -1, -1, 1},
      {"no byte order", withHead(repeated, "XX\x2A\0"), -1, -1, 1},
      {"mixed byte order", withHead(repeated, "IM\x2A\0"), -1, -1, 1},
      {"another number than 42", withHead(repeated, "II\x29\0"), -1, -1, 1},
  };
  ASSERT_LT(repeated.size(), 80u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string path = testenv::writeFile("r.tif", c.bytes);
    int32_t w = 9, h = 9, d = 9;
    EXPECT_EQ(GetTifSize(path, w, h, d), c.w >= 0);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(d, c.depth);
    EXPECT_EQ(getTiffDepth(path), c.depth);
    TMemoryStream m;
    fill(m, c.bytes);
    w = h = d = 9;
    EXPECT_EQ(GetTifSize(m, w, h, d), c.w >= 0);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(d, c.depth);
  }
  // A real BMP given to the TIFF reader.
  TrawBitmap24 bm;
  bm.setsize(7, 4);
  bm.fillWhite();
  ASSERT_TRUE(bm.savetofile(testenv::tempDir() + "real.bmp"));
  int32_t w = 9, h = 9, d = 9;
  EXPECT_FALSE(GetTifSize(testenv::tempDir() + "real.bmp", w, h, d));
  EXPECT_EQ(w, -1);
  EXPECT_EQ(h, -1);
}

// Damaged headers measure nothing and never read outside the file.
TEST(r_BitBase, DamagedHeadersAreNotMeasured) {
  const std::string goodTiff = tiffWith({{256, 3, 1, 5}, {257, 3, 1, 4}}, false);
  std::string ifdBeyond = goodTiff, countHuge = goodTiff;
  ifdBeyond[4] = '\xF0';
  ifdBeyond[6] = '\x10';
  countHuge[8] = countHuge[9] = '\xFF';  // 65535 entries, of which the file holds two
  struct Tcase { const char* id; std::string bytes; int w, h, depth; } tiffs[] = {
      {"directory beyond the file", ifdBeyond, -1, -1, 1},
      {"entry count beyond the file", countHuge, 5, 4, 1},
      {"header only", goodTiff.substr(0, 8), -1, -1, 1},
      {"empty", "", -1, -1, 1},
      {"bigtiff", std::string("II+\0\x08\0\0\0", 8) + std::string(40, '\0'), -1, -1, 1},
  };
  for (const auto& c : tiffs) {
    SCOPED_TRACE(c.id);
    int32_t w = 9, h = 9, d = 9;
    GetTifSize(testenv::writeFile("d.tif", c.bytes), w, h, d);
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(d, c.depth);
  }
  // JPEG: the walk stops at a bad length; the outputs stay as they were.
  const std::string soi("\xFF\xD8", 2), sof("\xFF\xC0\x00\x11\x08\x00\x20\x00\x40\x03", 10), pad(16, '\0');
  struct Jcase { const char* id; std::string bytes; bool ok; } jpegs[] = {
      {"frame after an app segment", soi + std::string("\xFF\xE0\x00\x04\x00\x00", 6) + sof + pad, true},
      {"segment length below 2", soi + std::string("\xFF\xE0\x00\x01", 4) + sof + pad, false},
      {"segment length 0", soi + std::string("\xFF\xE0\x00\x00", 4) + sof + pad, false},
      {"segment past the end", soi + std::string("\xFF\xE0\xFF\xF0", 4) + sof + pad, false},
      {"no start of image", sof + pad, false},
      {"cut inside the frame header", soi + sof.substr(0, 6), false},
      {"fill bytes to the end", soi + std::string(64, '\xFF'), false},
  };
  for (const auto& c : jpegs) {
    SCOPED_TRACE(c.id);
    int32_t w = 9, h = 9;
    EXPECT_EQ(GetJPGSize(testenv::writeFile("d.jpg", c.bytes), w, h), c.ok);
    EXPECT_EQ(w, c.ok ? 64 : 9);
    EXPECT_EQ(h, c.ok ? 32 : 9);
    TMemoryStream m;
    fill(m, c.bytes);
    m.setPosition(5);
    EXPECT_EQ(GetJPGSize(m, w, h), c.ok);
    EXPECT_EQ(m.position(), c.ok ? int64_t(c.bytes.find(sof) + 10) : 0);
  }
  // PNG and BMP: too short, or no signature.
  const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + std::string("\0\1\x11\x70\0\0\0\x0A", 8);
  struct Pcase { const char* id; std::string bytes; bool png, ok; } others[] = {
      {"png of 70000 x 10", png, true, true},
      {"png cut in the header", png.substr(0, 20), true, false},
      {"png without signature", "x" + png.substr(1), true, false},
      {"bmp without BM", std::string("XX") + std::string(60, '\x01'), false, false},
      {"bmp cut in the header", std::string("BM") + std::string(20, '\x01'), false, false},
  };
  for (const auto& c : others) {
    SCOPED_TRACE(c.id);
    int32_t w = 9, h = 9, d = 9;
    const std::string path = testenv::writeFile(c.png ? "d.png" : "d.bmp", c.bytes);
    EXPECT_EQ(c.png ? GetPNGSize(path, w, h) : GetBmpSize(path, w, h, d), c.ok);
    EXPECT_EQ(w, c.ok ? 70000 : 9);
    EXPECT_EQ(d, 9);
  }
}

// Every start-of-frame marker gives the size; the markers between them that are not frames do not.
TEST(r_BitBase, EveryFrameMarkerGivesTheJpegSize) {
  for (int m = 0xC0; m <= 0xCF; ++m) {
    SCOPED_TRACE(m);
    const bool frame = m != 0xC4 && m != 0xC8 && m != 0xCC;
    // A non-frame marker gets a plain segment of its own, then nothing more.
    const std::string bytes = std::string("\xFF\xD8\xFF", 3) + char(m) + std::string("\x00\x11\x08\x00\x20\x00\x40\x01", 8) +
                              std::string(24, '\0');
    int32_t w = 0, h = 0;
    lastDepth = 0;
    EXPECT_EQ(GetJPGSize(testenv::writeFile("m.jpg", bytes), w, h), frame);
    if (frame) {
      EXPECT_EQ(w, 64);
      EXPECT_EQ(h, 32);
      EXPECT_EQ(lastDepth, 8);
    }
  }
}

TEST(r_BitBase, BmpBitCountZeroCountsAs24) {
  std::string b = "BM" + std::string(52, '\0');
  b[14] = 40;
  b[18] = 7;
  b[22] = 3;
  int32_t w = 0, h = 0, d = 0;
  ASSERT_TRUE(GetBmpSize(testenv::writeFile("z.bmp", b), w, h, d));
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(d, 24);
  EXPECT_EQ(lastDepth, 24);
}

// Found by fuzzing: sample counts and bit depths far beyond 16 bits overflowed their product.
TEST(r_BitBase, HugeSampleCountsDoNotOverflowTheDepth) {
  struct Case { const char* id; std::string bytes; int depth, geoDepth; } cases[] = {
      {"samples without bits", tiffWith({{256, 3, 1, 9}, {257, 3, 1, 7}, {277, 4, 1, 0x9F9F9F9F}}, false), 65535, 65535 * 24},
      {"samples and bits", tiffWith({{256, 3, 1, 9}, {257, 3, 1, 7}, {258, 4, 1, 0xA0000000}, {277, 4, 1, 0x9F9F9F9F}}, false),
       INT32_MAX, INT32_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const std::string path = testenv::writeFile("huge.tif", c.bytes);
    int32_t w = 0, h = 0, d = 0;
    GetTifSize(path, w, h, d);
    EXPECT_EQ(w, 9);
    EXPECT_EQ(d, c.depth);
    double x1, y1, x2, y2, mp;
    std::string description;
    EXPECT_FALSE(GetGeoTiff(path, x1, y1, x2, y2, mp, w, h, description));
    EXPECT_EQ(lastDepth, c.geoDepth);
  }
}

// Found by fuzzing: a description whose count claims gigabytes is not read (nor allocated).
TEST(r_BitBase, ADescriptionBeyondTheFileIsLeftOut) {
  const uint32_t at = 8 + 2 + 3 * 12 + 4;
  struct Case { const char* id; std::string bytes; std::string text; } cases[] = {
      {"in the file", tiffWith({{256, 3, 1, 9}, {257, 3, 1, 7}, {270, 2, 6, at}}, false, std::string("scan\0\0", 6)), std::string("scan\0", 5)},
      {"in the entry", tiffWith({{256, 3, 1, 9}, {257, 3, 1, 7}, {270, 2, 3, 0x00006261}}, false), "ab"},
      {"gigabytes claimed", tiffWith({{256, 3, 1, 9}, {257, 3, 1, 7}, {270, 2, 0x9E34E3E0, at}}, false, "x"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    double x1, y1, x2, y2, mp;
    int32_t w = 0, h = 0;
    std::string description = "old";
    GetGeoTiff(testenv::writeFile("desc.tif", c.bytes), x1, y1, x2, y2, mp, w, h, description);
    EXPECT_EQ(description, c.text);
    EXPECT_EQ(w, 9);
  }
}
