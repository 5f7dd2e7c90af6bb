// TliteDB: tables and rows moved between this database and another file. The other file is
// attached as "newdb" with its name bound; every copy, drop and rename of one operation runs in
// one transaction, so a failed step leaves both files as they were.
#include <set>
#include <unordered_set>

#include "platform/text.h"
#include "storage/r_sqlite.h"

namespace {
const char* const kAlias = "newdb";

// A table of the attached file in the form the table copies take, and as SQL.
std::string attachedName(const std::string& table) { return std::string(kAlias) + ".'" + table + "'"; }
std::string attachedRef(const std::string& table) { return sqlIdent(kAlias) + "." + sqlIdent(table); }
const std::string kAttachedMaster = std::string(kAlias) + ".sqlite_master";

bool internalTable(const std::string& name) { return platform::lowerCase(name).rfind("sqlite_", 0) == 0; }

// The other file attached for the guard's life. A file that must exist and does not hold a
// database is refused before ATTACH could make an empty one; a file whose schema cannot be read
// (not a database, locked) counts as not attached.
class Tattached {
 public:
  enum class Missing { Refuse, Create };
  Tattached(TliteDB& db, const std::string& file, Missing missing) : db_(db) {
    if (db.inTransaction()) {
      db.RaiseError("Cannot attach " + file + " inside a transaction", "");
      return;
    }
    if (missing == Missing::Refuse && !TsqlBase::isSQLite(file)) {
      db.RaiseError("Not an SQLite database: " + file, "");
      return;
    }
    attached_ = db.ExecParams("ATTACH DATABASE ? AS newdb", {TsqlParam::ofText(file)}, false);
    ok_ = attached_ && !db.getstr("SELECT count(*) FROM newdb.sqlite_master").empty();
    if (attached_ && !ok_) db.RaiseError("Cannot read the database " + file, "");
  }
  ~Tattached() {
    if (attached_) db_.ExecParams("DETACH newdb", {}, false);
  }
  Tattached(const Tattached&) = delete;
  Tattached& operator=(const Tattached&) = delete;
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  TliteDB& db_;
  bool attached_ = false;
  bool ok_ = false;
};

// "x-" + base, numbered until no table of the schema has the name.
std::string freshName(TliteDB& db, const std::string& master, const std::string& base) {
  std::string name = "x-" + base;
  for (int n = 1; db.tableExists(master, name); ++n) name = "x-" + base + " (" + std::to_string(n) + ")";
  return name;
}

// One table of the other file and the local name it takes.
struct Tmove {
  std::string other, local;
};

// Copies the moves from the attached file under fresh names, drops the local tables they
// replace and those of `alsoDrop`, and renames the copies, all in one transaction.
bool importMoves(TliteDB& db, const std::vector<Tmove>& moves, const std::vector<std::string>& alsoDrop,
                 const TwhereClause& where, const TStringList* wanted) {
  for (const Tmove& m : moves)
    if (!db.tableExists(kAttachedMaster, m.other)) {
      db.RaiseError("No table " + m.other + " in the other database", "");
      return false;
    }
  TliteChange change(db);
  if (!change.begun()) return false;
  std::vector<std::pair<std::string, std::string>> renames;
  for (const Tmove& m : moves) {
    const std::string copy = freshName(db, "sqlite_master", m.local);
    if (!db.docopyTable(attachedName(m.other), copy, where, wanted, false)) return false;
    renames.emplace_back(copy, m.local);
  }
  std::vector<std::string> drops = alsoDrop;
  for (const Tmove& m : moves) drops.push_back(m.local);
  std::set<std::string> dropped;
  for (const std::string& t : drops) {
    if (!dropped.insert(platform::lowerCase(t)).second || !db.tableExists(t)) continue;
    if (!db.ExecSQL("DROP TABLE " + sqlIdent(t))) return false;
  }
  for (const auto& [copy, final] : renames)
    if (!db.ExecSQL("ALTER TABLE " + sqlIdent(copy) + " RENAME TO " + sqlIdent(final))) return false;
  return change.commit();
}

std::vector<Tmove> sameNames(const std::vector<std::string>& names) {
  std::vector<Tmove> out;
  std::set<std::string> seen;
  for (const std::string& n : names)
    if (!n.empty() && seen.insert(platform::lowerCase(n)).second) out.push_back({n, n});
  return out;
}
}  // namespace

bool TliteDB::ImportTables(const std::string& database, const TStringList& tables) {
  TprocScope proc(*this, "ImportTables");
  seterr("a");  // a: attach the other file
  Tattached other(*this, database, Tattached::Missing::Refuse);
  if (!other.ok()) return false;
  seterr("b");  // b: copy, drop, rename
  const bool ok = importMoves(*this, sameNames(tables.lines()), {}, {}, nullptr);
  gettables();
  return ok;
}

bool TliteDB::Replace(const std::string& filename) {
  TprocScope proc(*this, "Replace");
  seterr("a");  // a: the other file's tables
  std::vector<std::string> theirs;
  {
    auto other = TliteDB::createReadOnly();
    if (!TsqlBase::isSQLite(filename) || !other->setfile(filename)) {
      RaiseError("Cannot replace the tables by those of " + filename + ": it does not open", "");
      return false;
    }
    for (const std::string& t : other->tables().lines())
      if (!internalTable(t)) theirs.push_back(t);
  }
  gettables();
  std::vector<std::string> mine;
  for (const std::string& t : ftables.lines())
    if (!internalTable(t)) mine.push_back(t);
  seterr("b");  // b: attach
  Tattached other(*this, filename, Tattached::Missing::Refuse);
  if (!other.ok()) return false;
  seterr("c");  // c: copy, drop, rename
  const bool ok = importMoves(*this, sameNames(theirs), mine, {}, nullptr);
  gettables();
  return ok;
}

bool TliteDB::ImportTable(const std::string& localTable, const std::string& database, const std::string& table,
                          const TwhereClause& where, const TStringList* columnswanted) {
  TprocScope proc(*this, "ImportTable");
  seterr("a");
  Tattached other(*this, database, Tattached::Missing::Refuse);
  if (!other.ok()) return false;
  seterr("b");
  // With the same name the local table takes the other's spelling.
  const std::string final = platform::sameNoCase(localTable, table) ? table : localTable;
  std::vector<std::string> drops;
  if (!platform::sameNoCase(localTable, final)) drops.push_back(localTable);
  const bool ok = importMoves(*this, {{table, final}}, drops, where, columnswanted);
  gettables();
  return ok;
}

bool TliteDB::ExportTable(const std::string& localTable, const std::string& database, const std::string& table,
                          const TwhereClause& where, const TStringList* columnswanted) {
  TprocScope proc(*this, "ExportTable");
  if (!tableExists(localTable)) {
    RaiseError("No table " + localTable + " to export", "");
    return false;
  }
  seterr("a");
  Tattached other(*this, database, Tattached::Missing::Create);
  if (!other.ok()) return false;
  seterr("b");
  const bool same = platform::sameNoCase(localTable, table);
  const bool present = tableExists(kAttachedMaster, table);
  TliteChange change(*this);
  if (!change.begun()) return false;
  if (present && !same) {
    // Another table of that name in the other file is given the rows.
    std::string cols = "*", into;
    if (columnswanted) {
      std::vector<std::string> names;
      for (const std::string& n : columnswanted->lines()) names.push_back(sqlIdent(n));
      cols.clear();
      for (const std::string& n : names) cols += (cols.empty() ? "" : ", ") + n;
      into = " (" + cols + ")";
    }
    if (!execWhere("INSERT INTO " + attachedRef(table) + into + " SELECT " + cols + " FROM " + sqlIdent(localTable), {},
                   where, false))
      return false;
    return change.commit();
  }
  const std::string copy = freshName(*this, kAttachedMaster, table);
  if (!docopyTable(localTable, attachedName(copy), where, columnswanted, false)) return false;
  if (present && !ExecSQL("DROP TABLE " + attachedRef(table))) return false;
  if (!ExecSQL("ALTER TABLE " + attachedRef(copy) + " RENAME TO " + sqlIdent(same ? localTable : table))) return false;
  return change.commit();
}

bool TliteDB::AppendRecords(const std::string& localTable, const std::string& table, const TwhereClause& where) {
  return AppendRecords(localTable, fname, table, where);
}

bool TliteDB::AppendRecords(const std::string& localTable, const std::string& database, const std::string& table,
                            const TwhereClause& where) {
  TprocScope proc(*this, "AppendRecords");
  const std::string head = "INSERT INTO " + sqlIdent(localTable) + " SELECT * FROM ";
  if (database.empty() || database == fname) return execWhere(head + sqlIdent(table), {}, where, true);
  seterr("a");
  Tattached other(*this, database, Tattached::Missing::Refuse);
  if (!other.ok()) return false;
  seterr("b");
  return execWhere(head + attachedRef(table), {}, where, true);
}

bool TliteDB::AppendRecords(const std::string& localTable, const std::string& database, const std::string& table,
                            const std::string& indexcol, const TwhereClause& where, bool overwriteExistingOfSameName) {
  TprocScope proc(*this, "AppendRecords");
  const bool local = database.empty() || database == fname;
  seterr("a");  // a: attach
  std::unique_ptr<Tattached> other;
  if (!local) {
    other = std::make_unique<Tattached>(*this, database, Tattached::Missing::Refuse);
    if (!other->ok()) return false;
  }
  const std::string source = local ? sqlIdent(table) : attachedRef(table);
  const std::string key = sqlIdent(indexcol);

  seterr("b");  // b: the key values of both tables
  std::unordered_set<std::string> mine;
  sqlite3_stmt* s = start("SELECT " + key + " FROM " + sqlIdent(localTable));
  if (!s) return false;
  while (getnext(s)) mine.insert(platform::lowerCase(getstr(s, 0)));
  finish(s);
  // Each value of the other table once, in row order, with its stored type.
  std::vector<std::pair<TsqlParam, std::string>> values;
  std::set<std::pair<int, std::string>> seen;
  s = startWhere("SELECT " + key + " FROM " + source, where, false);
  if (!s) return false;
  while (getnext(s)) {
    const int type = q->Sqlite3_ColumnType(s, 0);
    const std::string text = getstr(s, 0);
    if (type == SQLITE_NULL || !seen.insert({type, text}).second) continue;
    TsqlParam p = type == SQLITE_INTEGER ? TsqlParam::ofInt(q->Sqlite3_ColumnInt64(s, 0))
                  : type == SQLITE_FLOAT ? TsqlParam::ofReal(q->Sqlite3_ColumnDouble(s, 0))
                                         : TsqlParam::ofText(text);
    values.emplace_back(std::move(p), text);
  }
  const bool complete = lastGetNext == SQLITE_DONE;
  finish(s);
  if (!complete) return false;

  seterr("c");  // c: delete and insert by key
  TliteChange change(*this);
  if (!change.begun()) return false;
  int added = 0;
  const std::string insert = "INSERT INTO " + sqlIdent(localTable) + " SELECT * FROM " + source + " WHERE " + key +
                             " = ?" + (where.empty() ? "" : " AND (" + where.sql() + ")");
  for (const auto& [value, text] : values) {
    const bool known = mine.count(platform::lowerCase(text)) > 0;
    if (known && !overwriteExistingOfSameName) continue;
    if (known && !ExecParams("DELETE FROM " + sqlIdent(localTable) + " WHERE " + key + " = ? COLLATE NOCASE", {value}, false))
      return false;
    TsqlParams params = {value};
    params.insert(params.end(), where.params().begin(), where.params().end());
    if (!ExecParams(insert, params, false)) return false;
    added += lastChanges;
  }
  return change.commit() && added > 0;
}

bool TliteDB::mergeTables(const std::string& localTable, const std::string& database, const std::string& table,
                          const TStringList& indexcols, const std::string& wherestr) {
  TprocScope proc(*this, "mergeTables");
  if (!tableExists(localTable)) return false;
  seterr("a");  // a: open the other file
  if (!TsqlBase::isSQLite(database)) {
    RaiseError("Not an SQLite database: " + database, "");
    return false;
  }
  auto otherDb = TliteDB::createReadOnly();
  if (!otherDb->setfile(database) || !otherDb->tableExists(table)) return false;
  TliteRead mine(this, localTable);
  TliteRead theirs(otherDb.get(), table);
  // The new columns and the rows are one change: a failed row takes the columns back too.
  TliteChange change(*this);
  if (!change.begun()) return false;
  seterr("b");  // b: the other table's columns added here
  for (int i = 0; i < theirs.columnCount(); ++i) {
    const TLiteColumn& c = theirs.getItem(i);
    if (mine.FindOrAddCol(c.name, c.ftType) < 0) return false;
  }
  seterr("c");  // c: rows updated or inserted
  if (!theirs.StartRead(wherestr)) return false;
  while (theirs.nextRow()) {
    std::string keyCondition;
    for (const std::string& name : indexcols.lines())
      keyCondition += (keyCondition.empty() ? "" : " AND ") + sqlIdent(name) + " = " + TsqlBase::q(theirs.getnamed(name).gets());
    const bool present = !keyCondition.empty() && mine.exists(keyCondition);
    for (int i = 0; i < theirs.columnCount(); ++i) {
      TLiteColumn& source = theirs.getItem(i);
      TLiteColumn& target = mine.getnamed(source.name);
      // A new row keeps its key also where the key is the local table's row id.
      if (!target.primary || (!present && indexcols.indexOf(source.name) >= 0)) target.assign(source);
    }
    if (!(present ? mine.update(keyCondition) : mine.insertNew())) {
      theirs.finishRead();
      return false;
    }
  }
  if (!theirs.validRead) return false;
  return change.commit();
}
