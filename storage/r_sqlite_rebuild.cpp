// TliteDB: columns inserted at a position, reordered, swapped, renamed and deleted, and tables
// copied. The engine's own ALTER TABLE is used where it can do the change; otherwise the table
// is rebuilt: made anew under a fresh name, filled and counted against the old, the old dropped
// and the new renamed, its indices and triggers made again, all in one change that any failing
// step undoes whole.
#include "storage/r_sqlite.h"

#include <algorithm>

#include "core/os_text.h"
#include "platform/text.h"
#include "storage/r_sqlite_sqltext.h"

namespace {
// A definition with the column it defines (empty for a table constraint).
struct Tdef {
  std::string name;
  std::string text;
};

// Error reports held back while the engine is asked to try something that may be refused.
class Quiet {
 public:
  explicit Quiet(TliteDB& db) : db_(db), was_(db.suppressErrorMessages) { db.suppressErrorMessages = true; }
  ~Quiet() { db_.suppressErrorMessages = was_; }

 private:
  TliteDB& db_;
  bool was_;
};

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i > 0 ? separator : "") + parts[i];
  return out;
}

std::string identList(const std::vector<std::string>& names) {
  std::vector<std::string> idents;
  for (const auto& n : names) idents.push_back(sqlIdent(n));
  return joined(idents, ", ");
}

bool contains(const std::vector<std::string>& list, const std::string& name) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& x) { return platform::sameNoCase(x, name); });
}

// The table's creation text cut into definitions; false, logged, when there is none.
bool readDefinitions(TliteDB& db, const std::string& table, sqltext::TcreateText& parts, std::vector<Tdef>& defs) {
  defs.clear();
  const std::string text = db.TableCreationStr(table);
  if (text.empty() || !sqltext::splitCreate(text, parts)) {
    db.log("no creation text to edit for table " + table);
    return false;
  }
  for (const auto& d : parts.definitions) defs.push_back({sqltext::definitionName(d), d});
  return true;
}

std::vector<std::string> columnsOf(const std::vector<Tdef>& defs) {
  std::vector<std::string> out;
  for (const auto& d : defs)
    if (!d.name.empty()) out.push_back(d.name);
  return out;
}

// The column definitions of the wanted names, in the wanted order, each once.
std::vector<Tdef> wantedDefinitions(const std::vector<Tdef>& defs, const TStringList& wanted) {
  std::vector<Tdef> out;
  for (int i = 0; i < wanted.count(); ++i) {
    auto it = std::find_if(defs.begin(), defs.end(), [&](const Tdef& d) {
      return !d.name.empty() && platform::sameNoCase(d.name, wanted[i]);
    });
    if (it != defs.end() && std::none_of(out.begin(), out.end(), [&](const Tdef& d) { return d.name == it->name; }))
      out.push_back(*it);
  }
  return out;
}

// A name nothing in the main database has yet; empty when the schema cannot be read.
std::string freshName(TliteDB& db, const std::string& base) {
  for (int n = 1;; ++n) {
    const std::string name = base + "_rebuild" + (n > 1 ? std::to_string(n) : "");
    const std::string used =
        db.getstr("SELECT count(*) FROM sqlite_master WHERE name = ? COLLATE NOCASE", {TsqlParam::ofText(name)});
    if (used != "1") return used == "0" ? name : "";
  }
}

// The connection's flag that lets a table be renamed without the engine checking views and
// triggers against the schema, set for the life of the object.
class LegacyRename {
 public:
  explicit LegacyRename(TliteDB& db) : db_(db) {
    was_ = db.getstr("PRAGMA legacy_alter_table");
    set_ = !was_.empty() && db.ExecParams("PRAGMA legacy_alter_table = ON", {}, false);
  }
  ~LegacyRename() {
    if (set_ && was_ != "1") db_.ExecParams("PRAGMA legacy_alter_table = OFF", {}, false);
  }
  [[nodiscard]] bool set() const { return set_; }

 private:
  TliteDB& db_;
  std::string was_;
  bool set_ = false;
};

// Whether an index or trigger uses one of the deleted columns. An index by the columns the
// engine lists for it, and by the words of its expressions and condition when it has any; a
// trigger by the words after its name and table. Its own name and the table's never count.
bool usesDeleted(TliteDB& db, const std::string& type, const std::string& name, const std::string& sql,
                 const std::vector<std::string>& deleted, bool& ok) {
  ok = true;
  const std::vector<std::string> words = sqltext::namesBeyondHead(sql);
  const auto anyDeleted = [&] {
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) { return contains(deleted, w); });
  };
  if (type != "index") return anyDeleted();
  bool expression = false, uses = false;
  sqlite3_stmt* s = db.start("SELECT cid, name FROM pragma_index_xinfo(?) WHERE key = 1", {TsqlParam::ofText(name)});
  while (s && db.getnext(s)) {
    const int64_t cid = q->Sqlite3_ColumnInt64(s, 0);
    if (cid == -2) expression = true;
    else if (cid >= 0 && contains(deleted, db.getstr(s, 1))) uses = true;
  }
  ok = s && db.lastGetNext == SQLITE_DONE;
  db.finish(s);
  if (!ok || uses) return uses;
  const bool partial = std::any_of(words.begin(), words.end(), [](const std::string& w) { return platform::sameNoCase(w, "WHERE"); });
  return (expression || partial) && anyDeleted();
}

// Rebuilds `table` with `defs`, copying the columns `copied` (and the row ids) and leaving out
// the indices and triggers that name a column of `deleted`.
bool rebuild(TliteDB& db, const std::string& table, const sqltext::TcreateText& parts,
             const std::vector<std::string>& defs, const std::vector<std::string>& copied,
             const std::vector<std::string>& deleted) {
  if (db.getstr("PRAGMA foreign_keys") != "0") {
    db.RaiseError("A table cannot be rebuilt while foreign keys are enforced", table);
    return false;
  }
  TliteChange change(db);
  if (!change.begun()) return false;

  struct Tother {
    std::string type, name, sql;
  };
  std::vector<Tother> others;  // indices, then triggers
  sqlite3_stmt* s = db.start(
      "SELECT type, name, sql FROM sqlite_master WHERE type IN ('index', 'trigger') AND tbl_name = ? COLLATE NOCASE "
      "AND sql IS NOT NULL ORDER BY type, rowid",
      {TsqlParam::ofText(table)});
  while (s && db.getnext(s)) others.push_back({db.getstr(s, 0), db.getstr(s, 1), db.getstr(s, 2)});
  const bool listed = s && db.lastGetNext == SQLITE_DONE;
  db.finish(s);
  if (!listed) return false;
  // Which of them go with a deleted column, asked while the old table still stands.
  std::vector<bool> goes(others.size(), false);
  for (size_t k = 0; k < others.size() && !deleted.empty(); ++k) {
    bool ok = true;
    goes[k] = usesDeleted(db, others[k].type, others[k].name, others[k].sql, deleted, ok);
    if (!ok) return false;
  }

  const std::string fresh = freshName(db, table);
  if (fresh.empty() || !db.ExecSQL("CREATE TABLE " + sqlIdent(fresh) + " (" + joined(defs, ", ") + ")" +
                     (parts.tail.empty() ? "" : " " + parts.tail)))
    return false;

  // Row ids are kept, unless the table has none or a column takes their name.
  const bool rowids = !sqltext::usesAny(parts.tail, {"WITHOUT"}) &&
                      !std::any_of(copied.begin(), copied.end(), [](const std::string& c) {
                        return contains({"rowid", "oid", "_rowid_"}, c);
                      });
  std::string cols = identList(copied);
  if (rowids) cols = cols.empty() ? "ROWID" : "ROWID, " + cols;
  if (!cols.empty() &&
      !db.ExecSQL("INSERT INTO " + sqlIdent(fresh) + " (" + cols + ") SELECT " + cols + " FROM " + sqlIdent(table)))
    return false;
  const std::string same = db.getstr("SELECT (SELECT count(*) FROM " + sqlIdent(fresh) + ") = (SELECT count(*) FROM " +
                                     sqlIdent(table) + ")");
  if (same != "1") {
    if (!same.empty()) db.RaiseError("The rebuilt table does not hold every row; nothing was changed", table);
    return false;
  }

  if (!db.ExecSQL("DROP TABLE " + sqlIdent(table))) return false;
  {
    LegacyRename legacy(db);
    if (!legacy.set() || !db.ExecSQL("ALTER TABLE " + sqlIdent(fresh) + " RENAME TO " + sqlIdent(table))) return false;
  }
  for (size_t k = 0; k < others.size(); ++k) {
    if (goes[k]) {
      db.log("dropped with its column: " + others[k].sql);
      continue;
    }
    if (!db.ExecSQL(others[k].sql)) return false;
  }
  return change.commit();
}

// The wanted columns in the wanted order, then the table constraints that name no dropped column.
bool reorder(TliteDB& db, const std::string& table, const TStringList& wanted) {
  sqltext::TcreateText parts;
  std::vector<Tdef> defs;
  if (!readDefinitions(db, table, parts, defs)) return false;
  const std::vector<Tdef> chosen = wantedDefinitions(defs, wanted);
  if (chosen.empty()) {
    db.log("none of the wanted columns is in table " + table);
    return false;
  }
  std::vector<std::string> kept, texts, deleted;
  for (const auto& d : chosen) {
    kept.push_back(d.name);
    texts.push_back(d.text);
  }
  for (const auto& c : columnsOf(defs))
    if (!contains(kept, c)) deleted.push_back(c);
  for (const auto& d : defs)
    if (d.name.empty() && !sqltext::usesAny(d.text, deleted)) texts.push_back(d.text);
  return rebuild(db, table, parts, texts, kept, deleted);
}

// "alias.'table'" of an attached database as alias.table identifiers, any other name as one.
bool isAttachedName(const std::string& name) { return name.find(".'") != std::string::npos; }

std::string tableRef(const std::string& name) {
  const size_t dot = name.find(".'");
  if (dot == std::string::npos) return sqlIdent(name);
  std::string table = name.substr(dot + 1);
  if (table.size() >= 2 && table.front() == '\'' && table.back() == '\'') table = table.substr(1, table.size() - 2);
  return sqlIdent(name.substr(0, dot)) + "." + sqlIdent(TsqlBase::dequote(table));
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation texts and reordering

std::string TliteDB::TableCreationStr(const std::string& tablename, const TStringList& columnswanted) {
  sqltext::TcreateText parts;
  std::vector<Tdef> defs;
  if (!readDefinitions(*this, tablename, parts, defs)) return "";
  std::vector<std::string> texts;
  for (const auto& d : wantedDefinitions(defs, columnswanted)) texts.push_back(d.text);
  if (texts.empty()) return "";
  return "CREATE TABLE " + sqlIdent(tablename) + " (" + joined(texts, ",\r") + ")";
}

bool TliteDB::ReorderColumns(const std::string& table, const TStringList& columnswanted) {
  TprocScope proc(*this, "ReorderColumns");
  return reorder(*this, table, columnswanted);
}

bool TliteDB::swapColumns(const std::string& table, const std::string& colnameA, const std::string& colnameB) {
  if (!tableExists(table)) return false;
  TStringList names = columnNames(table);
  const int a = names.indexOf(colnameA), b = names.indexOf(colnameB);
  if (a < 0 || b < 0) return false;
  std::swap(names[a], names[b]);
  return ReorderColumns(table, names);
}

// ---------------------------------------------------------------------------------------------
// Renaming, deleting and inserting columns

bool TliteDB::renameColumn(const std::string& table, const std::string& oldname, const std::string& newname) {
  TprocScope proc(*this, "renameColumn");
  if (newname.empty() || !tableExists(table) || !columnExists(table, oldname) || columnExists(table, newname)) {
    log("renameColumn: cannot rename " + oldname + " to " + newname + " in " + table);
    return false;
  }
  TliteChange change(*this);
  return change.begun() &&
         ExecSQL("ALTER TABLE " + sqlIdent(table) + " RENAME COLUMN " + sqlIdent(oldname) + " TO " + sqlIdent(newname)) &&
         change.commit();
}

namespace {
// The engine drops what it can; the columns it refuses (keys, indexed, constrained) go by one
// rebuild, all in one change.
bool deleteColumns(TliteDB& db, const std::string& table, const std::vector<std::string>& names) {
  TliteChange change(db);
  if (!change.begun()) return false;
  std::vector<std::string> refused;
  for (const auto& name : names) {
    TliteChange step(db);
    bool dropped = false;
    {
      Quiet quiet(db);
      dropped = step.begun() && db.ExecSQL("ALTER TABLE " + sqlIdent(table) + " DROP COLUMN " + sqlIdent(name)) &&
                step.commit();
    }
    if (!dropped) {
      db.log("column " + name + " goes by a rebuild: " + db.lastError);
      refused.push_back(name);
    }
  }
  if (!refused.empty()) {
    TStringList rest;
    const TStringList& now = db.columnNames(table);
    for (int i = 0; i < now.count(); ++i)
      if (!contains(refused, now[i])) rest.add(now[i]);
    if (!reorder(db, table, rest)) return false;
  }
  return change.commit();
}
}  // namespace

bool TliteDB::DeleteColumn(const std::string& table, const std::string& name) {
  TprocScope proc(*this, "DeleteColumn");
  const TStringList& names = columnNames(table);
  const int i = names.indexOf(name);
  if (i < 0) return false;
  return deleteColumns(*this, table, {names[i]});
}

bool TliteDB::DeleteColumns(const std::string& table, const std::string& barList) {
  TprocScope proc(*this, "DeleteColumns");
  const TStringList names = columnNames(table);
  std::vector<std::string> found;
  std::string rest = barList;
  while (!rest.empty()) {
    const std::string name = TosText::GetnextEx(rest, '|');
    const int i = names.indexOf(name);
    if (i >= 0 && !contains(found, names[i])) found.push_back(names[i]);
  }
  if (found.empty()) return false;
  if (static_cast<int>(found.size()) == names.count()) {
    log("DeleteColumns: a table keeps at least one column: " + table);
    return false;
  }
  return deleteColumns(*this, table, found);
}

// A table name: the new column at position `index` of the columns, or after the last for an
// index outside them, by the engine's ADD COLUMN where it can, else by a rebuild.
bool TliteDB::insertField(const std::string& tablename, const std::string& fieldname, int ftType, int index,
                          const std::string& deflt, int option) {
  int code = ftType;
  const std::string def = columnDefinition(fieldname, code, deflt, option);
  if (tablename.empty()) {
    newfields.add(def, reinterpret_cast<void*>(static_cast<intptr_t>(code)));
    return true;
  }
  TprocScope proc(*this, "insertField");
  sqltext::TcreateText parts;
  std::vector<Tdef> defs;
  if (fieldname.empty() || columnExists(tablename, fieldname) || !readDefinitions(*this, tablename, parts, defs)) {
    log("insertField: cannot add " + fieldname + " to " + tablename);
    return false;
  }
  const std::vector<std::string> columns = columnsOf(defs);
  const bool append = index < 0 || index >= static_cast<int>(columns.size());
  TliteChange change(*this);
  if (!change.begun()) return false;
  if (append) {
    TliteChange step(*this);
    Quiet quiet(*this);
    if (step.begun() && ExecSQL("ALTER TABLE " + sqlIdent(tablename) + " ADD COLUMN " + def) && step.commit())
      return change.commit();
  }
  // The definitions with the new one before the column at `index`, or after the last column.
  std::vector<std::string> texts;
  int column = 0;
  bool placed = false;
  for (const auto& d : defs) {
    const bool before = !placed && (d.name.empty() || (!append && column == index));
    if (before) {
      texts.push_back(def);
      placed = true;
    }
    if (!d.name.empty()) ++column;
    texts.push_back(d.text);
  }
  if (!placed) texts.push_back(def);
  return rebuild(*this, tablename, parts, texts, columns, {}) && change.commit();
}

// ---------------------------------------------------------------------------------------------
// Table copies

bool TliteDB::copyTableStructure(const std::string& source, const std::string& newtable) {
  TprocScope proc(*this, "copyTableStructure");
  const std::string text = TableCreationStr(source);
  sqltext::TcreateText parts;
  if (text.empty() || !sqltext::splitCreate(text, parts)) return false;
  return makeTableLike(newtable, parts.definitions, parts.tail);
}

bool TliteDB::copyTableStructure(const std::string& source, const std::string& newtable, const TStringList& wanted) {
  TprocScope proc(*this, "copyTableStructure");
  sqltext::TcreateText parts;
  std::vector<Tdef> defs;
  if (!readDefinitions(*this, source, parts, defs)) return false;
  std::vector<std::string> texts;
  for (const auto& d : wantedDefinitions(defs, wanted)) texts.push_back(d.text);
  if (texts.empty()) return false;
  return makeTableLike(newtable, texts, "");
}

// Replaces a table of this database of that name; never the source itself.
bool TliteDB::makeTableLike(const std::string& newtable, const std::vector<std::string>& defs, const std::string& tail) {
  const bool attached = isAttachedName(newtable);
  TliteChange change(*this);
  if (!change.begun()) return false;
  if (!attached && tableExists(newtable) && !ExecSQL("DROP TABLE " + sqlIdent(newtable))) return false;
  if (!ExecSQL("CREATE TABLE " + tableRef(newtable) + " (" + joined(defs, ", ") + ")" + (tail.empty() ? "" : " " + tail)))
    return false;
  if (!change.commit()) return false;
  if (!attached && ftables.indexOf(newtable) < 0) ftables.add(newtable);
  return true;
}

bool TliteDB::copyTable(const std::string& source, const std::string& newtable, const TwhereClause& where) {
  return docopyTable(source, newtable, where, nullptr, true);
}

bool TliteDB::copyTable(const std::string& source, const std::string& newtable, const TwhereClause& where,
                        const TStringList& wanted) {
  return docopyTable(source, newtable, where, &wanted, true);
}

bool TliteDB::docopyTable(const std::string& source, const std::string& newtable, const TwhereClause& where,
                          const TStringList* wanted, bool addnewtable) {
  TprocScope proc(*this, "docopyTable");
  if (platform::sameNoCase(source, newtable)) {
    RaiseError("A table cannot be copied onto itself", source);
    return false;
  }
  std::string cols = "*";
  if (wanted) {
    sqltext::TcreateText parts;
    std::vector<Tdef> defs;
    if (!readDefinitions(*this, source, parts, defs)) return false;
    std::vector<std::string> names;
    for (const auto& d : wantedDefinitions(defs, *wanted)) names.push_back(d.name);
    cols = identList(names);
  }
  TliteChange change(*this);
  const bool ok = change.begun() && (wanted ? copyTableStructure(source, newtable, *wanted) : copyTableStructure(source, newtable)) &&
                  execWhere("INSERT INTO " + tableRef(newtable) + (wanted ? " (" + cols + ")" : "") + " SELECT " + cols +
                                " FROM " + tableRef(source),
                            {}, where, true) &&
                  change.commit();
  if (!ok) {
    gettables();  // a table listed by the structure step may have been undone
    return false;
  }
  if (addnewtable && ftables.indexOf(newtable) < 0) ftables.add(newtable);
  return true;
}
