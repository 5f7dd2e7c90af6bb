// The field tokenizer and the small text routines of the services object.
#include "core/os_text.h"

#include <gtest/gtest.h>

#include "tests/support/testenv.h"

namespace {
TEST(TosText, GetnextExTakesFields) {
  struct Case { const char* id; const char* s; bool unquote; const char* field; const char* rest; } cases[] = {
      {"blanks around", " a , b", true, "a", "b"},
      {"last field", "a", true, "a", ""},
      {"separator first", ",b", true, "", "b"},
      {"separator last", "a,", true, "a", ""},
      {"empty", "", true, "", ""},
      {"quoted with separator", "\"x,y\",z", true, "x,y", "z"},
      {"quoted kept", "\"x,y\",z", false, "\"x,y\"", "z"},
      {"name and quoted value", "name=\"x,y\",z", false, "name=\"x,y\"", "z"},
      {"quoted value starting with the separator", "a=\",b\",c", true, "a=,b", "c"},
      {"closing quote missing", "\"x,y", false, "\"x,y\"", ""},
      {"tabs trimmed from the field", "\ta\t,b", true, "a", "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::string s = c.s;
    EXPECT_EQ(TosText::GetnextEx(s, ',', c.unquote), c.field);
    EXPECT_EQ(s, c.rest);
  }
  std::string s = "a, \"b,c\",d";
  EXPECT_EQ(TosText::getnext(s), "a");
  EXPECT_EQ(TosText::getnext(s), "b,c");
  EXPECT_EQ(TosText::getnext(s), "d");
  EXPECT_EQ(s, "");
  s = "1.2";
  EXPECT_EQ(TosText::getnextdot(s), "1");
  EXPECT_EQ(s, "2");
}

TEST(TosText, GetLastSplitsAtTheLastSeparator) {
  std::string s = "/home/ann/map.png";
  EXPECT_EQ(TosText::getLast(s, '/'), "map.png");
  EXPECT_EQ(s, "/home/ann");
  s = "plain";
  EXPECT_EQ(TosText::getLast(s, '/'), "plain");
  EXPECT_EQ(s, "");
  EXPECT_EQ(TosText::getLast(s, '/'), "");
}

TEST(TosText, TrimStripAndCase) {
  EXPECT_EQ(TosText::Trim(" \t \r\n"), "");
  EXPECT_EQ(TosText::Trim("\t é \n"), "é");
  EXPECT_EQ(TosText::strip("2024-01/05", "-/"), "20240105");
  EXPECT_EQ(TosText::strip("a\u00e9\u263Ab", "\u00e9\u263A"), "a\u263Ab");  // above 255 always kept
  EXPECT_TRUE(TosText::StrEqual("ÉTÉ", "été"));
  EXPECT_FALSE(TosText::IsWideString("café"));
  EXPECT_TRUE(TosText::IsWideString("\u263A"));
  const char16_t wide[] = {u'a', 0xD83D, 0xDE00, 0xD800, u'b', 0};
  EXPECT_EQ(TosText::StrPas(wide), "a\U0001F600\uFFFDb");
}

TEST(TosText, CharacterReferences) {
  EXPECT_EQ(TosText::encodeToHTML("a\u263A<&"), "a&#9786;<&");
  EXPECT_EQ(TosText::encodeToHTML("\U0001F600"), "&#128512;");
  struct Case { const char* id; const char* in; const char* out; } cases[] = {
      {"round trip", "a&#9786;<&", "a\u263A<&"},
      {"code then letter", "&#65;b", "Ab"},
      {"named", "a &lt; b &amp; c", "a < b & c"},
      {"hex", "&#x41;", "A"},
      {"surrogate pair", "&#55357;&#56832;", "\U0001F600"},
      {"lone surrogate", "&#55357;x", "\uFFFDx"},
      {"escaped reference alone", "&amp;#65;", "&#65;"},
      {"escaped reference after a real one", "&#66;&amp;#65;", "BA"},
      {"no semicolon at the end", "ab&#", "ab&#"},
      {"no semicolon after digits", "x&#65", "x&#65"},
      {"not a number", "&#zz;&#65;", "&#zz;A"},
      {"zero", "&#0;", "&#0;"},
      {"too large", "&#1114112;", "&#1114112;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(TosText::decodeFromHTML(c.in), c.out);
  }
}

TEST(TosText, BarText) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"a\r\nb", "a|b"}, {"a\nb\r", "a|b"}, {"a\rb", "a|b"}, {"a\r\nb\nc", "a|b\nc"}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(TosText::Bartext(c.in), c.out) << c.in;
  EXPECT_EQ(TosText::deBarText("a|b"), "a\r\nb");
}

TEST(TosText, HexForms) {
  EXPECT_EQ(TosText::hexFromStr("A\n\u263A"), "410A263A");
  EXPECT_EQ(TosText::hexToStr("41zz42" "4"), std::string("A\0B", 3));  // odd last digit ignored
  EXPECT_EQ(TosText::hexFromMem({0x00, 0xAB}), "00AB");
  struct Case { const char* s; int offset; std::vector<uint8_t> bytes; } cases[] = {
      {"00AB", 0, {0x00, 0xAB}}, {"00ab", 0, {0x00, 0x00}}, {"ABC", 0, {0xAB}}, {"xxFF", 2, {0xFF}}, {"A", 5, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    std::vector<uint8_t> mem{9, 9, 9};
    TosText::memFromHex(mem, c.s, c.offset);
    EXPECT_EQ(mem, c.bytes);
  }
}

TEST(TosText, ListIdsAndUniqueNames) {
  TStringList l;
  EXPECT_EQ(TosText::UniqueName(l, "Sheet"), "Sheet");
  TosText::addListID(l, "Sheet", 7);
  TosText::addListID(l, "Sheet (1)", -3);
  EXPECT_EQ(TosText::ListID(l, 1), -3);
  EXPECT_EQ(TosText::ListIndexOfID(l, 7), 0);
  EXPECT_EQ(TosText::ListIndexOfID(l, 8), -1);
  TosText::AmendListID(l, 0, 8);
  EXPECT_EQ(TosText::ListIndexOfID(l, 8), 0);
  EXPECT_EQ(TosText::UniqueName(l, "Sheet"), "Sheet (2)");
  EXPECT_EQ(TosText::UniqueName(l, "sheet", 1), "sheet_1");
  EXPECT_EQ(TosText::UniqueName(l, "Sheet", 2), "Sheet1");
  TStringList pairs;
  pairs.add("Map=1");
  pairs.add("Map_1=2");
  EXPECT_EQ(TosText::UniqueName(pairs, "map", 1), "map_2");

  testenv::writeFile("uniq/report.txt", "");
  testenv::writeFile("uniq/Report (1).TXT", "");
  testenv::writeFile("uniq/report (2).csv", "");
  EXPECT_EQ(TosText::UniqueName(testenv::tempDir() + "uniq", "report.TXT"), "report (2).txt");
  EXPECT_EQ(TosText::UniqueName(testenv::tempDir() + "uniq/", "new.txt"), "new.txt");
}

TEST(TosText, ToolNames) {
  EXPECT_EQ(TosText::toolcode("data"), tool_select);
  EXPECT_EQ(TosText::toolcode("data query"), tool_select);
  EXPECT_EQ(TosText::toolname(tool_data), "data");
  EXPECT_EQ(TosText::toolname(tool_draw), "none");
  EXPECT_EQ(TosText::toolname(tool_ref1), "reference point");
  EXPECT_EQ(TosText::toolcode("reference point"), tool_none);
  EXPECT_EQ(TosText::toolcode("Pan"), tool_none);
  EXPECT_EQ(TosText::toolcode("flood-fill"), tool_flood);
}
}  // namespace
