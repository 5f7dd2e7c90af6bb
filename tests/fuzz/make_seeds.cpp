// Writes the harnesses' seed files with the system's own writers: fuzz_seeds <folder> makes
// <folder>/<harness>/ for each harness.
#include <zlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "astro/r_SunLoc.h"
#include "core/TQYini.h"
#include "core/Tzip.h"
#include "core/r_LiteIni.h"
#include "core/r_base.h"
#include "core/r_bitmapRaw.h"
#include "platform/imagecodec.h"
#include "storage/r_dbase.h"
#include "storage/r_sqlite.h"
#include "tests/fuzz/fuzz_env.h"

namespace {
std::string out;

std::string place(const std::string& harness, const std::string& name) {
  std::filesystem::create_directories(out + harness);
  return out + harness + "/" + name;
}

void putText(const std::string& harness, const std::string& name, const std::string& text) {
  std::ofstream(place(harness, name), std::ios::binary) << text;
}

platform::TrgbImage gradient(int w, int h) {
  platform::TrgbImage im;
  im.width = w;
  im.height = h;
  im.rgb.resize(size_t(w) * h * 3);
  for (size_t i = 0; i < im.rgb.size(); ++i) im.rgb[i] = uint8_t(i * 37);
  return im;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
    return 2;
  }
  out = std::filesystem::absolute(argv[1]).string() + "/";
  fuzzenv::start();
  std::string error;

  TQYini ini;
  ini.writestring("Z\xC3\xBCrich", "name", "Z\xC3\xBCrich");
  ini.writeFloatUK("Z\xC3\xBCrich", "lat", 47.37);
  ini.writeRGB("colours", "sea", 0x00FF8040);
  ini.saveAs(place("settings", "settings.ini"));
  TiniLite lite;
  lite.writeString("kestrova", "monitor", "1");
  lite.writeFloatUK("kestrova", "magnify", 1.25);
  lite.saveToFile(place("settings", "paths.ini"));

  {
    Tlocations model(1920);
    model.add();
    model.getLoc(0).name = "Oslo";
    model.add();
    model.saveToFile(place("locations", "locations.ini"));
  }

  TrawBitmap24 colour;
  colour.setsize(5, 3);
  colour.fillAll(Tbgr{10, 200, 30});
  colour.savetofile(place("bmp", "colour.bmp"));
  TbitmapMono mono;
  mono.setSize(9, 2);
  mono.fillWhite();
  mono.savetofile(place("bmp", "mono.bmp"));
  TrawBitmap raw;
  raw.init(3, 3, 8);
  raw.saveToFile(place("bmp", "palette.bmp"));

  platform::encodeJpegFile(place("jpeg", "small.jpg"), gradient(16, 8), 80, error);
  platform::encodePngFile(place("png", "small.png"), gradient(5, 4), error);
  {
    const platform::TrgbImage im = gradient(9, 7);
    const platform::TpixelRows rgb{im.width, im.height, platform::PixelLayout::Rgb24, im.rgb.data(), size_t(im.width) * 3};
    std::vector<uint8_t> bits(2 * 7, 0xA5);
    const platform::TpixelRows mono{9, 7, platform::PixelLayout::Mono1, bits.data(), 2};
    platform::encodeImageFile(place("tiff", "rgb.tif"), platform::ImageKind::Tiff, rgb, error);
    platform::encodeImageFile(place("tiff", "mono.tif"), platform::ImageKind::Tiff, mono, error);
    platform::encodeImageFile(place("imagefiles", "rgb.tif"), platform::ImageKind::Tiff, rgb, error);
    platform::encodeImageFile(place("imagefiles", "small.png"), platform::ImageKind::Png, rgb, error);
    platform::encodeImageFile(place("imagefiles", "small.jpg"), platform::ImageKind::Jpeg, rgb, error);
    colour.savetofile(place("imagefiles", "colour.bmp"));
    // A 2 x 2 GIF of a four-colour table, as the tools write it (there is no GIF writer here).
    putText("gif", "small.gif",
            std::string("\x47\x49\x46\x38\x37\x61\x02\x00\x02\x00\x81\x00\x00\x00\x00\x00\xff\x00\x00\x00\xff"
                        "\x00\x00\x00\xff\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x08\x07\x00\x01\x04\x10\x30"
                        "\x20\x20\x00\x3b", 46));
    std::filesystem::copy_file(place("gif", "small.gif"), place("imagefiles", "small.gif"));
    // A bottom-up grey TIFF of 4 x 20 in five strips, as other programs write them.
    std::string t("II*\0\x08\0\0\0", 8);
    auto put = [&](uint32_t v, int bytes) {
      for (int i = 0; i < bytes; ++i) t += char(v >> (8 * i));
    };
    const uint32_t dirEnd = 8 + 2 + 10 * 12 + 4, offsets = dirEnd, counts = dirEnd + 20, pixels = dirEnd + 40;
    put(10, 2);
    for (auto [tag, type, count, value] : std::initializer_list<std::array<uint32_t, 4>>{
             {256, 3, 1, 4}, {257, 3, 1, 20}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
             {273, 4, 5, offsets}, {274, 3, 1, 4}, {277, 3, 1, 1}, {278, 3, 1, 4}, {279, 4, 5, counts}}) {
      put(tag, 2);
      put(type, 2);
      put(count, 4);
      put(value, 4);
    }
    put(0, 4);
    for (uint32_t i = 0; i < 5; ++i) put(pixels + 16 * i, 4);
    for (int i = 0; i < 5; ++i) put(16, 4);
    for (int i = 0; i < 80; ++i) t += char(i * 3);
    putText("tiff", "bottomup.tif", t);
    // Run-length coded and 16-bit BMPs, as other programs write them.
    auto bmp = [](int w, int h, int bits, int compression, const std::string& extra, const std::string& body) {
      std::string b = "BM";
      auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b += char(v >> (8 * i)); };
      const uint32_t offset = 54 + uint32_t(extra.size());
      put32(offset + uint32_t(body.size()));
      put32(0);
      put32(offset);
      put32(40);
      put32(uint32_t(w));
      put32(uint32_t(h));
      b += std::string("\x01\0", 2) + char(bits) + '\0';
      put32(uint32_t(compression));
      for (int i = 0; i < 5; ++i) put32(0);
      return b + extra + body;
    };
    putText("imagefiles", "rle8.bmp",
            bmp(6, 3, 8, 1, std::string(1024, '\x40'),
                std::string("\x03\x01\x00\x03\x04\x05\x06\x00\x00\x00\x00\x02\x01\x01\x02\x07\x00\x00\x00\x01", 20)));
    putText("imagefiles", "rgb565.bmp",
            bmp(3, 2, 16, 3, std::string("\x00\xF8\0\0\xE0\x07\0\0\x1F\0\0\0", 12), std::string(16, '\x5A')));
  }

  int n = 0;
  for (const char* t : {"1.5e3", "-2,5", "$FF", "-$80000000", "255,128,0", "yes", "2010-12-01 06:00:00",
                        "-44-03-15 10:00:00", "20240229", "2024 March 1", "forever"})
    putText("texts", "t" + std::to_string(++n), t);

  putText("zip", "inside.txt", "a line\r\n");
  Tzip zip;
  zip.zipFile(place("zip", "inside.txt"), place("zip", "archive.zip"));
  std::filesystem::remove(place("zip", "inside.txt"));

  if (gzFile gz = gzopen(place("gzip", "text.gz").c_str(), "wb")) {
    gzputs(gz, "name,lat,long\r\nOslo,59.9,10.7\r\n");
    gzclose(gz);
  }

  {
    auto db = TliteDB::createForWriting();
    db->setfile(place("sqlite", "small.db"));
    db->ExecSQL("CREATE TABLE places(id INTEGER PRIMARY KEY, name TEXT, lat DOUBLE, shape BLOB, at TIMESTAMP)");
    db->ExecSQL("INSERT INTO places VALUES (1, 'Oslo', 59.9, X'0A0B', '2010-12-01 06:00:00')");
    db->close();
  }

  // A named blob: "QYBLOB", the name's length in UTF-16 units, the name, then the bytes.
  const std::u16string name = u"map.png";
  std::string blob = "QYBLOB";
  for (int i = 0; i < 4; ++i) blob += char(name.size() >> (8 * i));
  for (char16_t c : name) blob += {char(c & 0xFF), char(c >> 8)};
  blob += "\x89PNG";
  putText("blobs", "named", blob);
  std::filesystem::copy_file(place("png", "small.png"), place("blobs", "small.png"));
  {
    TdbfMake m;
    m.add("name", 'C', 12, 0);
    m.add("count", 'N', 8, 2);
    m.add("ok", 'L', 1, 0);
    m.add("day", 'D', 8, 0);
    m.save(place("dbase", "small.dbf"));
    Tdbf t;
    t.setfname(place("dbase", "small.dbf"));
    for (int r = 0; r < 3; ++r) {
      t.addrow();
      t.setStringValue(0, r, "Zürich");
      t.setDoubleValue(1, r, r * 1.5);
      t.setBooleanValue(2, r, r % 2);
      t.setDateValue(3, r, 2024, 2, 29);
    }
  }
  {
    // The column rewrites' seeds: four bytes choosing the changes, then the table.
    const std::string table = [&] {
      std::ifstream in(place("dbase", "small.dbf"), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    putText("dbase_columns", "each.dbf", std::string("\x00\x0b\x12\x1d", 4) + table);
    putText("dbase_columns", "more.dbf", std::string("\x24\x33\x05\x0c", 4) + table);
  }
  putText("xml", "document.xml",
          "<?xml version=\"1.0\"?>\r\n<!-- note > -->\n<a k=\"1\" t='x y'><b>text &amp; more</b>tail<c/>"
          "<![CDATA[raw < data]]></a>\n");
  putText("sheet", "sheet.xml",
          std::string("<sst><si><t>name</t></si><si><r><rPr><b/></rPr><t>ri</t></r><r><t>ch</t></r></si></sst>") + '\0' +
              "<worksheet><sheetData><row r=\"1\" spans=\"1:3\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"inlineStr\">"
              "<is><t>x</t></is></c></row><row r=\"2\"><c r=\"A2\" t=\"s\"><v>1</v></c><c r=\"B2\" t=\"b\"><v>1</v></c>"
              "<c r=\"AB2\"><v>2.5</v></c></row></sheetData></worksheet>");
  return 0;
}
