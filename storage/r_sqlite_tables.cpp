// TliteDB: whether tables and columns exist, column lists and types, creation texts, dropping,
// renaming and creating tables, and the table builder (startTable, addField, finishTable).
// Names reach SQL as quoted identifiers; default values as well-formed literals.
#include "storage/r_sqlite.h"

#include <cctype>

#include "platform/text.h"

namespace {
bool isNumberText(const std::string& s) {
  if (s.empty()) return false;
  size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
  bool digit = false, dot = false;
  for (; i < s.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(s[i]))) digit = true;
    else if (s[i] == '.' && !dot) dot = true;
    else return false;
  }
  return digit;
}

// One complete SQL text literal: quotes at both ends, inner quotes doubled.
bool isQuotedLiteral(const std::string& s) {
  if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') return false;
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    if (s[i] != '\'') continue;
    if (i + 2 < s.size() && s[i + 1] == '\'') ++i;
    else return false;
  }
  return true;
}

std::string literal(const std::string& s) { return TsqlBase::q(s); }

// A caller's literal is kept when it is one well-formed literal, else quoted as text.
std::string keptOrQuoted(const std::string& s) { return isQuotedLiteral(s) ? s : literal(s); }
// A number is kept as it is; anything else becomes a text literal.
std::string numberOrQuoted(const std::string& s) { return isNumberText(s) ? s : keptOrQuoted(s); }

// "alias.'table'" or "alias.table" of an attached database, else no alias.
void splitAlias(const std::string& name, std::string& alias, std::string& table) {
  alias.clear();
  table = name;
  size_t dot = name.find('.');
  if (dot == std::string::npos) return;
  alias = name.substr(0, dot);
  table = name.substr(dot + 1);
}

std::string stripQuotes(std::string s) {
  if (s.size() >= 2 && (s[0] == '"' || s[0] == '\'' || s[0] == '`')) s = s.substr(1, s.size() - 2);
  return s;
}
}  // namespace

sqlite3_stmt* TliteDB::quietStart(const std::string& sql, const TsqlParams& params) {
  const bool was = suppressErrorMessages;
  suppressErrorMessages = true;
  sqlite3_stmt* s = start(sql, params);
  suppressErrorMessages = was;
  return s;
}

// "sqlite_master" or "alias.sqlite_master" made safe: the alias as an identifier.
std::string TliteDB::masterOf(const std::string& masterTable) {
  std::string alias, table;
  splitAlias(masterTable, alias, table);
  std::string t = platform::lowerCase(stripQuotes(table));
  if (t != "sqlite_master" && t != "sqlite_temp_master") t = "sqlite_master";
  return alias.empty() ? t : sqlIdent(stripQuotes(alias)) + "." + t;
}

void TliteDB::removeTableEntry(const std::string& name) {
  int i = ftables.indexOf(name);
  if (i >= 0) ftables.remove(i);
}

// A table of this database whose name holds a full stop ("roads.shp") is taken as it is;
// otherwise the text before the first full stop names an attached database.
void TliteDB::resolveTable(const std::string& name, std::string& alias, std::string& table) {
  alias.clear();
  table = stripQuotes(name);
  if (name.find('.') == std::string::npos || tableExists(table)) return;
  splitAlias(name, alias, table);
  alias = stripQuotes(alias);
  table = stripQuotes(table);
}

// ---------------------------------------------------------------------------------------------
// Existence and column lists

bool TliteDB::tableExists(const std::string& name) { return tableExists("sqlite_master", name); }

// Names compare exactly, letter case aside: no wildcards, quotes are part of the name.
bool TliteDB::tableExists(const std::string& masterTable, const std::string& name) {
  if (!fDB || name.empty()) return false;
  sqlite3_stmt* s = start("SELECT tbl_name FROM " + masterOf(masterTable) + " WHERE type = 'table'");
  bool found = false;
  while (s && getnext(s))
    if (platform::sameNoCase(getstr(s, 0), name)) found = true;
  finish(s);
  if (found && masterOf(masterTable) == "sqlite_master" && ftables.indexOf(name) < 0) ftables.add(name);
  return found;
}

bool TliteDB::columnExists(const std::string& table, const std::string& name) {
  sqlite3_stmt* s = quietStart("SELECT name FROM pragma_table_info(?)", {TsqlParam::ofText(table)});
  bool found = false;
  while (s && getnext(s))
    if (platform::sameNoCase(getstr(s, 0), name)) found = true;
  finish(s);
  return found;
}

TStringList& TliteDB::columnNames(const std::string& table) {
  fcolumns.clear();
  sqlite3_stmt* s = start("SELECT * FROM " + sqlIdent(table) + " WHERE ROWID = -1");
  for (int i = 0; s && i < ColumnCount(s); ++i)
    fcolumns.add(ColumnName(s, i), reinterpret_cast<void*>(static_cast<intptr_t>(ColumnType(s, i))));
  finish(s);
  return fcolumns;
}

int TliteDB::ColumnType(const std::string& table, const std::string& colName) {
  sqlite3_stmt* s = start("SELECT " + sqlIdent(colName) + " FROM " + sqlIdent(table) + " WHERE ROWID = -1");
  int out = s ? ColumnType(s, 0) : 0;
  finish(s);
  return out;
}

std::string TliteDB::TableCreationStr(const std::string& tablename) {
  std::string alias, table;
  resolveTable(tablename, alias, table);
  std::string master = alias.empty() ? "sqlite_master" : alias + ".sqlite_master";
  sqlite3_stmt* s = start("SELECT tbl_name, sql FROM " + masterOf(master) + " WHERE type = 'table'");
  std::string out;
  while (s && getnext(s))
    if (out.empty() && platform::sameNoCase(getstr(s, 0), table)) out = getstr(s, 1);
  finish(s);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Dropping and renaming

// False when there was no such table or the drop failed; a table of an attached database is
// written alias + "." + table.
bool TliteDB::deleteTable(const std::string& tablename) {
  TprocScope proc(*this, "deleteTable");
  std::string alias, table;
  resolveTable(tablename, alias, table);
  seterr("a");
  const std::string master = alias.empty() ? "sqlite_master" : alias + ".sqlite_master";
  if (!tableExists(master, table)) return false;
  if (alias.empty()) removeTableEntry(table);
  seterr("b");
  if (!beginUpdate()) return false;
  const std::string target = alias.empty() ? sqlIdent(table) : sqlIdent(alias) + "." + sqlIdent(table);
  bool ok = ExecParams("DROP TABLE IF EXISTS " + target + ";", {}, false);
  if (ok) ok = endUpdate();
  else rollbackUpdate();
  return ok;
}

bool TliteDB::renameTable(const std::string& oldname, const std::string& newname) {
  if (newname.empty() || ftables.indexOf(newname) >= 0 || !tableExists(oldname)) return false;
  if (!ExecParams("ALTER TABLE " + sqlIdent(oldname) + " RENAME TO " + sqlIdent(newname), {}, false)) return false;
  int i = ftables.indexOf(oldname);
  if (i >= 0) ftables[i] = newname;
  else ftables.add(newname);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Creating tables

bool TliteDB::createtable(const std::string& creationstr) {
  if (!beginUpdate()) return false;
  bool ok = ExecParams(creationstr, {}, false);
  if (ok) ok = endUpdate();
  else rollbackUpdate();
  gettables();
  return ok;
}

bool TliteDB::createTable(const std::string& tablename, const TStringList& fields) {
  if (fields.empty()) return false;
  std::string sql = "CREATE TABLE IF NOT EXISTS " + sqlIdent(tablename) + " (";
  for (int i = 0; i < fields.count(); ++i) {
    const auto t = static_cast<int>(reinterpret_cast<intptr_t>(fields.object(i)));
    const char* type = t == ftInteger ? "INTEGER" : t == ftDouble ? "REAL" : t == ftBlob ? "BLOB" : "TEXT";
    sql += (i > 0 ? ", " : "") + sqlIdent(fields[i]) + " " + type;
  }
  sql += ");";
  if (ftables.indexOf(tablename) >= 0) deleteTable(tablename);
  if (!beginUpdate()) return false;
  bool ok = ExecParams(sql, {}, false);
  if (ok) ok = endUpdate();
  else rollbackUpdate();
  if (ok && ftables.indexOf(tablename) < 0) ftables.add(tablename);
  return ok;
}

void TliteDB::startTable(const std::string& tablename) {
  fNewTable = tablename;
  newfields.clear();
  newfieldnames.clear();
}

bool TliteDB::addField(const std::string& fieldname, int ftType, const std::string& deflt) {
  return insertField("", fieldname, ftType, -1, deflt, 0);
}

bool TliteDB::addPrimaryKeyField(const std::string& fieldname, int ftType) {
  return insertField("", fieldname, ftType, -1, "", 1);
}

// One column definition: the name, the declared type, the constraint of the option and the
// default normalised for the type. Key types leave with the code ftInteger in `ftType`.
std::string TliteDB::columnDefinition(const std::string& name, int& ftType, const std::string& deflt, int option) {
  std::string def = sqlIdent(name) + " " + TsqlBase::TypeName(ftType);
  static const char* const kConstraints[] = {"", " PRIMARY KEY", " UNIQUE", " NOT NULL", " NOT NULL PRIMARY KEY"};
  if (option >= 0 && option <= 4) def += kConstraints[option];
  std::string d;
  switch (ftType) {
    case ftString:
      if (deflt.empty()) d.clear();
      else if (deflt == "empty" || deflt == "null") d = "''";
      else d = keptOrQuoted(deflt);
      break;
    case ftSmallint: case ftInteger: case ftWord: case ftDouble: case ftcardinal: case ftByte:
    case ftLinear: case ftPaperLinear: case ftPercent:
      d = deflt.empty() ? "0" : deflt == "null" ? "null" : numberOrQuoted(deflt);
      break;
    case ftBoolean:
      d = deflt.empty() ? "'no'" : keptOrQuoted(deflt);
      break;
    case ftDateTime:
      d = deflt.empty() ? "(strftime('%Y-%m-%dT%H:%M:%fZ','now'))" : literal(deflt);
      break;
    case ftAutoInc: case ftPrimaryKey:
      d = deflt.empty() || deflt == "null" ? deflt : numberOrQuoted(deflt);
      ftType = ftInteger;
      break;
    case ftMemo:
      d = deflt.empty() ? "" : literal(deflt);
      break;
    case ftColour:
      d = deflt.empty() ? "'black:40'" : literal(deflt);
      break;
    case ftArea: case ftBlob: case ftGraphic: case ftNotes: case ftFile: case ftXYvalues: case ftPolyXYvalues:
      d = deflt.empty() || deflt == "null" ? deflt : numberOrQuoted(deflt);
      break;
    default:
      if (deflt.empty()) d.clear();
      else if (deflt == "empty") d = "''";
      else d = keptOrQuoted(deflt);
  }
  if (!d.empty() && d != "null") def += " DEFAULT " + d;
  return def;
}

std::string TliteDB::NewTableStr(const std::string& tablename) {
  if (newfields.empty()) return "";
  std::string sql = "CREATE TABLE " + sqlIdent(tablename) + " (";
  for (int i = 0; i < newfields.count(); ++i) sql += (i > 0 ? ", " : "") + newfields[i];
  sql += ");";
  newfields.clear();
  newfieldnames.clear();
  return sql;
}

int TliteDB::finishTable() {
  std::string sql = NewTableStr(fNewTable);
  if (sql.empty()) return -1;
  if (ftables.indexOf(fNewTable) >= 0) deleteTable(fNewTable);
  if (!beginUpdate()) return -1;
  bool ok = ExecParams(sql, {}, false);
  if (ok) ok = endUpdate();
  else rollbackUpdate();
  if (!ok) return -1;
  return ftables.add(fNewTable);
}

bool TliteDB::Addcolumns() {
  if (newfields.empty()) return false;
  bool ok = beginUpdate();
  for (int i = 0; ok && i < newfields.count(); ++i)
    ok = ExecParams("ALTER TABLE " + sqlIdent(fNewTable) + " ADD COLUMN " + newfields[i], {}, false);
  if (ok) ok = endUpdate();
  else rollbackUpdate();
  newfields.clear();
  newfieldnames.clear();
  return ok;
}

void TliteDB::createSettingsTable() {
  if (tableExists("settings")) return;
  startTable("settings");
  addField("group", ftString);
  addField("key", ftString);
  addField("value", ftString);
  addField("blob", ftBlob);
  finishTable();
}
