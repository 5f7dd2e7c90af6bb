// Reading SQL texts of the schema: a creation text cut into its column definitions and table
// constraints, and the names a text uses. Quotes of all four kinds ('', "", ``, []), nested
// parentheses and comments are respected, so a comma inside any of them never cuts.
#pragma once
#include <string>
#include <vector>

namespace sqltext {

// "CREATE TABLE name" before the parenthesis, the definitions inside it (trimmed, comments
// taken out) and what follows it ("WITHOUT ROWID", "STRICT").
struct TcreateText {
  std::string head;
  std::vector<std::string> definitions;
  std::string tail;
};
// False when the text is not a creation text with a list of definitions.
bool splitCreate(const std::string& sql, TcreateText& out);

// The column a definition defines, unquoted; empty for a table constraint.
[[nodiscard]] std::string definitionName(const std::string& definition);

// Every name in the text, quoted or not, unquoted: words and identifiers, not string literals.
[[nodiscard]] std::vector<std::string> names(const std::string& sql);
// Whether the text uses one of the names (letter case aside).
[[nodiscard]] bool usesAny(const std::string& sql, const std::vector<std::string>& candidates);
// The names of a CREATE INDEX or CREATE TRIGGER text without the object's own name and the
// table it is ON: the columns, expressions, conditions and body that may use a column.
[[nodiscard]] std::vector<std::string> namesBeyondHead(const std::string& sql);

}  // namespace sqltext
