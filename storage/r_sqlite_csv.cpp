// TliteDB: a table or some of its rows written as CSV after RFC 4180: a header of names, text
// columns quoted, numbers bare, any field holding a comma, quote or line break quoted with its
// quotes doubled; CR LF after every line; UTF-8 without a byte-order mark. Rows stream to a file
// beside the target that replaces it only once the last row is in.
#include "storage/r_sqlite.h"

#include <unordered_set>

#include "platform/files.h"
#include "storage/storage_text.h"


// Steps: a prepare the statement, b read the rows into the new file, c replace the old file.
bool TliteDB::SaveAsCSV(const std::string& filename, const std::string& table, const TwhereClause& where,
                        const std::vector<int32_t>& rowIdList) {
  TprocScope proc(*this, "SaveAsCSV");
  seterr("a");
  sqlite3_stmt* s = startWhere("SELECT ROWID, * FROM " + sqlIdent(table), where, false);
  if (!s) return false;
  std::vector<int> columns;  // result columns written, with whether each is text
  std::vector<bool> text;
  std::string header;
  for (int i = 1; i < ColumnCount(s); ++i) {
    const int generic = genericDataType(ColumnType(s, i));
    if (generic == ftBlob) continue;
    header += columns.empty() ? "" : ",";
    storage_text::appendCsvField(header, ColumnName(s, i), true);
    columns.push_back(i);
    text.push_back(generic == ftString);
  }
  header += "\r\n";
  const std::unordered_set<int64_t> wanted(rowIdList.begin(), rowIdList.end());
  seterr("b");
  bool readFailed = false;  // reported by getnext already
  std::string error;
  const bool written = platform::replaceFileStreamed(
      filename,
      [&](platform::TfileSink& out) {
        out.append(header);
        while (!out.failed() && getnext(s)) {
          if (!wanted.empty() && wanted.count(q->Sqlite3_ColumnInt64(s, 0)) == 0) continue;
          for (size_t c = 0; c < columns.size(); ++c) {
            if (c > 0) out.append(',');
            storage_text::appendCsvField(out, q->Sqlite3_ColumnTextView(s, columns[c]), text[c]);
          }
          out.append("\r\n");
        }
        readFailed = !out.failed() && lastGetNext != SQLITE_DONE;
        return !readFailed;
      },
      &error);
  finish(s);
  if (written || readFailed) return written;
  seterr("c");
  RaiseError("Could not write " + filename + ": " + error, "");
  return false;
}
