// dBase III tables (".dbf"): Tdbf reads, edits and restructures one table file in place;
// TdbfMake writes a new empty table from field definitions. Numbers in the file always use a
// full stop; "C" fields are in the code page a .cpg names, else the one the header's language
// driver byte names, else 850 (Windows-1252 under supressOEM); rows and columns count from 0,
// rows in file order with flagged (deleted) records included.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/r_base.h"
#include "platform/TStringList.h"
#include "platform/datetime.h"
#include "storage/r_Data.h"

// One field definition of a table: name, width in bytes, type letter, decimal places.
struct TdbfField {
  std::string name;
  int width = 0;
  char type = 'C';
  int decplaces = 0;
};

// The type letter of a column data type: C, L, D, M or N.
char dbfTypeLetter(int ftType);
// The code page of a header's language driver byte (byte 29), and the byte of a code page;
// nullptr and 0 when there is none.
const char* dbfLanguageDriverCodePage(uint8_t driver);
uint8_t dbfLanguageDriverOf(const std::string& codepage);

class TdbfMake : public TqyObject {
 public:
  // The definitions are kept in memory; nothing is written before save.
  TdbfMake() = default;

  // The index of the definition, or -1 when refused (an empty name or one holding a comma, or
  // more fields than the 16-bit header and record sizes hold). Widths outside 1–255 are clamped.
  int add(const std::string& name, char dType, int width, int decplaces);
  int add(Tcolumn& column);
  void add(const Tcolumns& columns);
  // Writes the header (no records) to a temporary file beside target and renames it over
  // target. False when nothing was added or the file could not be written (an older file kept).
  bool save(const std::string& target);
  // The file's bytes as save writes them.
  [[nodiscard]] std::string headerBytes() const;
  // A header of exactly these fields (widths 0 to 255 kept) naming the code page `driver`.
  [[nodiscard]] static std::string headerFor(const std::vector<TdbfField>& fields, uint8_t driver);

  [[nodiscard]] int count() const { return int(fields.size()); }
  [[nodiscard]] const std::vector<TdbfField>& definitions() const { return fields; }
  bool allowLowerCase = false;
  // The code page the table's texts will be written in, named in the header (850 by default).
  std::string codepage = "ibm-850";
  uint16_t reclength = 0;

 private:
  std::vector<TdbfField> fields;
};

class Tdbf : public TqyObject {
 public:
  Tdbf();
  ~Tdbf() override;
  Tdbf(const Tdbf&) = delete;
  Tdbf& operator=(const Tdbf&) = delete;

  // ---- opening and reading
  // Opens the table; a missing, empty or malformed file opens nothing (the reason is in err and
  // the log). A file we may not write opens for reading only, whatever `readonly` asks. An edit
  // left in the table's journal by a killed program is finished first.
  void setfname(const std::string& value);
  [[nodiscard]] const std::string& filename() const { return fname; }
  [[nodiscard]] bool isOpen() const { return ffd >= 0; }
  // Open, not asked to be read-only, and the file may be written.
  [[nodiscard]] bool writable() const { return ffd >= 0 && !readonly && !ffileReadOnly; }
  // Why the columns of the open table cannot be rewritten (a field name that is empty or holds a
  // comma); empty when they can.
  [[nodiscard]] const std::string& restructureBlock() const { return frestructureBlock; }
  // The side file that holds an edit while it is written into the table.
  [[nodiscard]] static std::string journalName(const std::string& table) { return table + "-journal"; }
  // Tests: the next edit through the journal stops once the journal is written, as a kill there
  // would stop it (the edit answers false).
  static void stopAfterJournalForTesting();
  [[nodiscard]] Tcolumns& cols() { return *columns; }
  [[nodiscard]] int getcols() const { return columns->count(); }
  [[nodiscard]] int records() const { return actualrows; }
  [[nodiscard]] int numOfRecords() const { return fnumOfRecords; }
  [[nodiscard]] int recordSize() const { return recordsize; }
  [[nodiscard]] int headerSize() const { return headersize; }
  [[nodiscard]] int ColumnType(int col) const;
  [[nodiscard]] int ColumnWidth(int col) const;
  [[nodiscard]] int ColumnDecPlaces(int col) const;
  [[nodiscard]] std::string ColumnName(int col) const;
  [[nodiscard]] int ColumnFromName(const std::string& name) const;

  static constexpr int kCurrentRow = -3;
  std::string getString(int col, int row);
  int32_t getInteger(int col, int row);
  double getDouble(int col, int row);
  bool getBoolean(int col, int row);
  platform::TDateTime getDate(int col, int row);
  platform::TDateTime Str2Date(const std::string& s);
  TStringList& getRow(int row);
  bool gotorow(int row);
  [[nodiscard]] int currentRow() const;
  int GoToNextRow();
  bool validRow(int row);
  int findRowFromValue(int col, const std::string& value);
  // RFC 4180 text through a temporary file and rename; false (nothing written) on failure.
  bool saveAsCSV(const std::string& target, bool includeheader, const std::vector<int>& rows);
  bool listValues(const std::string& IDlist, const std::string& IDcol, const std::string& target,
                  const std::string& columnNames);

  // ---- rows and values (false, nothing written, for a read-only table or an invalid row)
  int addrow();
  int addrowWithData(const std::string& record);
  bool insertRow(int row);
  bool insertRowAsCopy(int row);
  bool deleteRow(int row);
  bool Swaprows(int a, int b);
  bool MoveRowUp(int row) { return Swaprows(row, row - 1); }
  bool MoveRowDown(int row) { return MoveRowUp(row + 1); }
  bool setStringValue(int col, int row, const std::string& value);
  bool setIntegerValue(int col, int row, int64_t value);
  // A number wider than its field is written as asterisks and answers false.
  bool setDoubleValue(int col, int row, double value);
  bool setBooleanValue(int col, int row, bool value);
  bool setDateValue(int col, int row, platform::TDateTime value);
  bool setDateValue(int col, int row, int year, int month, int day);
  [[nodiscard]] static std::string DateAsDBFstring(int year, int month, int day);
  bool setdefault(int col, int row);

  // ---- column changes: every rewrite goes to a new file beside the table, renamed over it
  bool swapColumns(int a, int b);
  bool MoveColumnLeft(int col);
  bool MoveColumnRight(int col) { return MoveColumnLeft(col + 1); }
  bool InsertColumn(int col, int dType, int width, int dplaces, const std::string& name);
  bool AddColumn(int dType, int width, int dplaces, const std::string& name) {
    return InsertColumn(-1, dType, width, dplaces, name);
  }
  bool DeleteColumn(int col);
  bool DeleteColumns(const std::vector<int>& cols);
  bool renameColumn(int col, const std::string& newname);
  bool AmendColumn(int col, int dType, int width, int dplaces, const std::string& name);
  // Writes the definition lines of the table changed so to `target`: dType -1 leaves out column
  // col (none for -1); col 10000 + c replaces column c; otherwise the new column goes before
  // column col, or last when col is the number of columns. The new definition's width, 0 with
  // none, -1 when nothing was written.
  int generateDefinition(const std::string& target, int col, int dType, int width, int dplaces, const std::string& name);
  bool appendcolumns(const std::string& definitionFile);
  bool makeExtract(const std::string& target, const TStringList& IDlist, int idcol);
  bool makeExtract(const std::string& target, const std::string& IDlistFile, int idcol);
  bool makeExtractFromRowNumbers(const std::string& target, const std::vector<int>& rows);
  bool updateData(const std::string& IDList, const std::string& columnNames, int idcol);
  bool deleteData(const std::string& IDList, int idcol);

  bool wantRawDate = false;
  bool validValue = false;
  // The caller's wish: open for reading only and write nothing. The file's own state is apart
  // from it (writable()).
  bool readonly = false;
  bool supressOEM = false;
  // The code page of the text fields when the table names its own (a .cpg file beside a
  // shapefile's table); empty: the header's language driver, else code page 850, or
  // Windows-1252 under supressOEM.
  std::string codepage;

 private:
  void close();
  bool readheader();
  bool fail(const std::string& why);
  [[nodiscard]] int64_t getfilesize() const;
  [[nodiscard]] int64_t rowAddress(int row) const { return int64_t(headersize) + int64_t(row) * recordsize; }
  [[nodiscard]] bool validIndex(int row) const { return row >= 0 && row < actualrows; }
  [[nodiscard]] bool validCol(int col) const { return col >= 0 && col < columns->count(); }
  // One record is kept in memory: reads of its fields and edits to them cost no system call; an
  // edited record goes back to the file before any other row, layout change or close.
  bool loadRow(int row);
  bool flush();
  void forget() { flush(); fcacheRow = -1; }
  bool writeField(int col, int row, const std::string& bytes);
  bool readAt(int64_t address, void* data, size_t size) const;
  bool writeAt(int64_t address, const void* data, size_t size);
  bool writeCount();
  static std::string countBytes(int rows);
  bool insertRecord(int row, bool asCopy);
  std::string rawField(int col, int row);
  std::string fieldText(int col, int row, bool rowForm);
  std::string record(int row);
  [[nodiscard]] std::vector<TdbfField> currentFields() const;
  // The bytes of a record that the fields cover: the flag and every field, no slack after them.
  [[nodiscard]] int dataEnd() const;
  // Writes that land together or not at all: through the journal beside the table.
  struct Tpatch {
    int64_t address;
    std::string bytes;
  };
  bool writeTogether(const std::vector<Tpatch>& patches, int64_t newSize = -1);
  static bool replayJournal(const std::string& table, std::string& why);
  void declareCodePage();
  bool changedFields(int col, int dType, int width, int dplaces, const std::string& name,
                     std::vector<TdbfField>& fields, TdbfField& added);
  // Writes the header of `fields` and the records that make(row) gives for every row to a new
  // file beside the table, renames it over the table and opens it again.
  bool rewrite(const std::vector<TdbfField>& fields, const std::function<std::string(int)>& make);
  [[nodiscard]] std::string encodeText(const std::string& utf8, int col) const;
  [[nodiscard]] const char* textCodePage() const;
  [[nodiscard]] std::string numberText(double value, int decplaces) const;

  std::string fcache;
  int fcacheRow = -1;
  bool fcacheBlank = false;  // the cached record stood in the file as a new one, never set
  std::string fblock;  // rows read ahead from a read-only table
  int fblockFirst = 0;
  int fblockRows = 0;
  bool fdirty = false;
  bool ffileReadOnly = true;
  bool fdeclared = false;  // the header names the code page the texts are written in
  uint8_t fdriver = 0;     // the header's language driver byte
  std::string frestructureBlock;
  int ffd = -1;
  int fnumOfRecords = 0;
  int actualrows = 0;
  int recordsize = 0;
  int headersize = 0;
  int64_t fpos = 0;  // the row position of gotorow and GoToNextRow
  std::vector<int> position;
  std::unique_ptr<TStringList> flist;
  std::unique_ptr<Tcolumns> columns;
  std::string fname;
};
