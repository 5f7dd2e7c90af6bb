// Workbook sheets on any bytes: the input, cut at its first NUL into a shared-string part and a
// sheet part, packed as a workbook and read into the table, every cell, then CSV and dBase.
#include "core/Tzip.h"
#include "storage/r_ExcelLite.h"
#include "tests/fuzz/fuzz_env.h"

FUZZ_START_WORLD

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = fuzzenv::text(data, size);
  const size_t cut = input.find('\0');
  const std::string strings = cut == std::string::npos ? std::string() : input.substr(0, cut);
  const std::string sheet = cut == std::string::npos ? input : input.substr(cut + 1);
  Tzip zip;
  auto part = [&](const std::string& file, const std::string& text, const std::string& name) {
    zip.add(fuzzenv::putFile(file, reinterpret_cast<const uint8_t*>(text.data()), text.size()), name);
  };
  part("wb.xml", "<workbook><sheets><sheet name=\"S\" r:id=\"a\"/></sheets></workbook>", "xl/workbook.xml");
  part("rels.xml", "<Relationships><Relationship Id=\"a\" Target=\"worksheets/sheet1.xml\"/></Relationships>",
       "xl/_rels/workbook.xml.rels");
  part("strings.xml", strings, "xl/sharedStrings.xml");
  part("sheet.xml", sheet, "xl/worksheets/sheet1.xml");
  const std::string book = fuzzenv::folder() + "input.xlsx";
  std::remove(book.c_str());
  try {
    zip.zip(book);
  } catch (const EZipError&) {
    return 0;
  }
  TxlsxRead r;
  if (!r.open(book) || !r.setSheet("S")) return 0;
  const int rows = r.records() < 64 ? r.records() : 64;
  for (int row = -1; row <= rows; ++row)
    for (int c = -1; c <= r.columns().count() && c < 64; ++c) (void)r.getItem(c, row);
  r.saveToCsv(fuzzenv::folder() + "out.csv");
  r.saveToDbf(fuzzenv::folder() + "out.dbf");
  return 0;
}
