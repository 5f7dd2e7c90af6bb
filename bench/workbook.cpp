// XML tokens and workbook sheets. Aims: tokenizing a 50 MB XML file at 100 MB/s or more; a sheet
// of 100,000 rows × 10 columns (shared and inline strings, integers, reals, booleans) read into
// the temporary table in 3 s or less.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/bench_home.h"
#include "core/Tzip.h"
#include "core/r_base.h"
#include "storage/r_ExcelLite.h"
#include "storage/r_xmlLite.h"

namespace {
std::string temp(const std::string& name) { return benchhome::path("workbook-" + name); }

std::string column(int c) { return std::string(1, char('A' + c)); }

// A sheet's rows as a spreadsheet program writes them.
std::string sheetXml(int rows) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                  "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  x += "<row r=\"1\" spans=\"1:10\">";
  for (int c = 0; c < 10; ++c) x += "<c r=\"" + column(c) + "1\" t=\"inlineStr\"><is><t>field " + std::to_string(c) + "</t></is></c>";
  x += "</row>";
  for (int r = 2; r <= rows + 1; ++r) {
    const std::string n = std::to_string(r);
    x += "<row r=\"" + n + "\" spans=\"1:10\">";
    for (int c = 0; c < 10; ++c) {
      const std::string ref = column(c) + n;
      switch (c % 5) {
        case 0: x += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(r % 100) + "</v></c>"; break;
        case 1: x += "<c r=\"" + ref + "\"><v>" + std::to_string(r * 7) + "</v></c>"; break;
        case 2: x += "<c r=\"" + ref + "\" s=\"1\"><v>" + std::to_string(r) + ".25</v></c>"; break;
        case 3: x += "<c r=\"" + ref + "\" t=\"b\"><v>" + std::to_string(r % 2) + "</v></c>"; break;
        default: x += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>text &amp; " + n + "</t></is></c>";
      }
    }
    x += "</row>\r\n";
  }
  return x + "</sheetData></worksheet>";
}

void write(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

void Tokenize50MB(benchmark::State& state) {
  createOs();
  const std::string file = temp("tokens.xml");
  std::string xml = sheetXml(1);
  while (xml.size() < 50u * 1000 * 1000) xml += sheetXml(20000);
  write(file, xml);
  int64_t tokens = 0;
  for (auto _ : state) {
    TxmlLite x;
    x.setname(file);
    std::string s;
    while (x.readNext(s)) ++tokens;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
  state.counters["tokens"] = double(tokens);
  unlink(file.c_str());
  freeOs();
}
BENCHMARK(Tokenize50MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void Sheet100kRows(benchmark::State& state) {
  createOs();
  std::string strings = "<sst>";
  for (int i = 0; i < 100; ++i) strings += "<si><t>shared " + std::to_string(i) + "</t></si>";
  write(temp("strings.xml"), strings + "</sst>");
  write(temp("sheet.xml"), sheetXml(100000));
  write(temp("workbook.xml"), "<workbook><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  write(temp("rels.xml"),
        "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
  Tzip zip;
  zip.add(temp("strings.xml"), "xl/sharedStrings.xml");
  zip.add(temp("sheet.xml"), "xl/worksheets/sheet1.xml");
  zip.add(temp("workbook.xml"), "xl/workbook.xml");
  zip.add(temp("rels.xml"), "xl/_rels/workbook.xml.rels");
  const std::string book = temp("book.xlsx");
  zip.zip(book);
  TxlsxRead r;
  r.open(book);
  for (auto _ : state) {
    if (!r.setSheet("Data") || r.records() != 100000) state.SkipWithError("the sheet was not read whole");
  }
  for (const char* f : {"strings.xml", "sheet.xml", "workbook.xml", "rels.xml", "book.xlsx"}) unlink(temp(f).c_str());
  freeOs();
}
BENCHMARK(Sheet100kRows)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
