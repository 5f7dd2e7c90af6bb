// TliteDB: string values kept under a group and a key in a table of `group`, `key` and
// `value`, and under a key in the "settings" table. Groups, keys and values are bound.
#include "storage/r_sqlite.h"

namespace {
const char* const kGeneral = "general";
const char* const kSettings = "settings";

TwhereClause groupAndKey(const std::string& group, const std::string& key) {
  return TwhereClause::equals("group", group).andEquals("key", key);
}
}  // namespace

bool TliteDB::writeString(const std::string& table, const std::string& group, const std::string& key,
                          const std::string& value) {
  const TwhereClause where = groupAndKey(group, key);
  if (exists(table, where)) return setColumnValue(table, "value", where, value);
  return ExecParams("INSERT INTO " + sqlIdent(table) + " (`group`, `key`, `value`) VALUES (?, ?, ?)",
                    {TsqlParam::ofText(group), TsqlParam::ofText(key), TsqlParam::ofText(value)});
}

bool TliteDB::writeString(const std::string& table, const std::string& key, const std::string& value) {
  return writeString(table, kGeneral, key, value);
}

std::string TliteDB::readString(const std::string& table, const std::string& group, const std::string& key,
                                const std::string& Default) {
  return valueOr(table, groupAndKey(group, key), Default);
}

// The `value` of the first matching row, Default when none matches.
std::string TliteDB::valueOr(const std::string& table, const TwhereClause& where, const std::string& Default) {
  sqlite3_stmt* s = startWhere("SELECT `value` FROM " + sqlIdent(table), where, true);
  std::string out = s && getnext(s) ? getstr(s, 0) : Default;
  finish(s);
  return out;
}

std::string TliteDB::readString(const std::string& table, const std::string& key, const std::string& Default) {
  return readString(table, kGeneral, key, Default);
}

bool TliteDB::writeSetting(const std::string& key, const std::string& value) {
  if (!tableExists(kSettings)) return false;
  const TwhereClause where = TwhereClause::equals("key", key);
  if (exists(kSettings, where)) return setColumnValue(kSettings, "value", where, value);
  return ExecParams("INSERT INTO `settings` (`key`, `value`) VALUES (?, ?);",
                    {TsqlParam::ofText(key), TsqlParam::ofText(value)});
}

std::string TliteDB::readSetting(const std::string& key, const std::string& Default) {
  if (!tableExists(kSettings)) return Default;
  return valueOr(kSettings, TwhereClause::equals("key", key), Default);
}
