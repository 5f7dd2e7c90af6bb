// TliteDB: a table or some of its rows written as CSV after RFC 4180: a header of names, text
// columns quoted, numbers bare, any field holding a comma, quote or line break quoted with its
// quotes doubled; CR LF after every line; UTF-8 without a byte-order mark.
#include "storage/r_sqlite.h"

#include <unordered_set>

#include "platform/files.h"
#include "storage/storage_text.h"


// Nothing is written unless every row was read; the file is replaced whole.
bool TliteDB::SaveAsCSV(const std::string& filename, const std::string& table, const TwhereClause& where,
                        const std::vector<int32_t>& rowIdList) {
  TprocScope proc(*this, "SaveAsCSV");
  seterr("a");
  sqlite3_stmt* s = startWhere("SELECT ROWID, * FROM " + sqlIdent(table), where, false);
  if (!s) return false;
  std::vector<int> columns;  // result columns written, with whether each is text
  std::vector<bool> text;
  std::string out;
  for (int i = 1; i < ColumnCount(s); ++i) {
    const int generic = genericDataType(ColumnType(s, i));
    if (generic == ftBlob) continue;
    out += columns.empty() ? "" : ",";
    storage_text::appendCsvField(out, ColumnName(s, i), true);
    columns.push_back(i);
    text.push_back(generic == ftString);
  }
  out += "\r\n";
  const std::unordered_set<int64_t> wanted(rowIdList.begin(), rowIdList.end());
  seterr("b");
  while (getnext(s)) {
    if (!wanted.empty() && wanted.count(q->Sqlite3_ColumnInt64(s, 0)) == 0) continue;
    for (size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) out += ',';
      storage_text::appendCsvField(out, getstr(s, columns[c]), text[c]);
    }
    out += "\r\n";
  }
  const bool complete = lastGetNext == SQLITE_DONE;
  finish(s);
  if (!complete) return false;
  seterr("c");
  std::string error;
  if (!platform::replaceFileContents(filename, out, &error)) {
    RaiseError("Could not write " + filename + ": " + error, "");
    return false;
  }
  return true;
}
