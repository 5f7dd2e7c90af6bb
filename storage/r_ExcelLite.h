// r_ExcelLite: spreadsheet workbooks (.xlsx, a ZIP package of XML parts). getSheets lists the
// sheet names; TxlsxRead reads one sheet into the table "data" of a temporary database, the first
// non-empty row giving the column names, and writes it out as CSV or as a dBase table.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/r_base.h"
#include "platform/TStringList.h"
#include "platform/datetime.h"
#include "storage/r_Data.h"

class TliteDB;

// Adds the workbook's sheet names to the list, in workbook order (nothing is removed first).
// False, the list unchanged, when the workbook cannot be read.
bool getSheets(const std::string& filename, TStringList& list);

class TxlsxRead : public TqyObject {
 public:
  // Columns beyond the format's last one ("XFD") are never read.
  static constexpr int kMaxColumns = 16384;
  // A part of the package that inflates to more is refused.
  static constexpr uint64_t kMaxPartBytes = uint64_t(1) << 30;

  TxlsxRead();
  ~TxlsxRead() override;
  TxlsxRead(const TxlsxRead&) = delete;
  TxlsxRead& operator=(const TxlsxRead&) = delete;
  [[nodiscard]] const char* unitName() const override { return "r_ExcelLite"; }

  // Makes the reader's own temporary folder, copies the workbook there and reads its sheet list
  // and shared strings. False (logged) when the workbook cannot be read.
  bool open(const std::string& filename);
  // Reads the package again (the sheet list and strings) when the workbook changed since, then
  // the current sheet again (the first when it is gone).
  bool refreshFromOriginal();
  [[nodiscard]] bool OriginalChanged() const;

  // Reads the named sheet (the first when the name is not listed) into the table "data".
  // False, with no table, when the sheet cannot be read at all; a sheet that breaks off keeps
  // the rows read before, and one wider than a table can hold keeps the columns it can; both
  // say so in readError.
  bool setSheet(const std::string& value);
  [[nodiscard]] const std::string& sheet() const { return fsheet; }
  [[nodiscard]] const TStringList& sheets() const { return fsheets; }
  [[nodiscard]] int records() const { return frecords; }
  [[nodiscard]] bool changed() const { return fchanged; }
  [[nodiscard]] const Tcolumns& columns() const { return fcolumns; }
  // Why the last sheet or workbook could not be read, or not whole; empty when it could.
  [[nodiscard]] const std::string& readError() const { return freadError; }
  [[nodiscard]] TliteDB* database() const { return db.get(); }
  [[nodiscard]] const std::string& folder() const { return dir; }

  // Cell texts by column and data row (both from 0), through a one-row cache.
  std::string getItem(int col, int row);
  // Writes the cell; the cached row is not refreshed.
  bool setItem(int col, int row, const std::string& value);

  // The table (only the rows of a non-empty list of row indices) as CSV: a header of names,
  // text quoted, numbers bare, CR LF, UTF-8.
  bool saveToCsv(const std::string& filename, const std::vector<int>& rowList = {});
  // The table as a new dBase table: text fields as wide as their longest value, numbers with
  // as many decimals as they hold, booleans as logical fields, every field of every record set
  // (empty values as blanks). The target is replaced whole or not at all.
  bool saveToDbf(const std::string& filename, const std::vector<int>& rowList = {});

 private:
  struct Tpart;
  bool init();
  bool readSheetList();
  bool readSharedStrings(const std::string& part);
  bool fail(const std::string& why);
  bool getRow(int row);

  std::unique_ptr<TliteDB> db;
  std::string dir;  // the reader's own folder, ending in "/"
  std::string fname;
  std::string fsheet;
  platform::TDateTime dt = 0;
  int frecords = 0;
  bool fchanged = false;
  Tcolumns fcolumns;
  bool namedSheets = false;
  TStringList fsheets;
  std::vector<std::string> sheetParts;  // the part of each sheet in the package
  std::vector<std::string> strings;
  int lastrow = -1;
  std::vector<std::string> rowvalues;
  std::string freadError;
};
