// The translation hook: identity without a source, the language list with quotes kept as "~",
// missing words added once, and a host's handler.
#include "core/os_lingua.h"

#include <gtest/gtest.h>

#include "tests/support/testenv.h"

namespace {

TEST(Lingua, WithoutASourceTermsComeBackUnchanged) {
  TosLingua l;
  EXPECT_EQ(l.wd("general", "say \"hi\"~"), "say \"hi\"~");
}

TEST(Lingua, LanguageListTranslatesAndCollectsMissingWords) {
  const std::string file = testenv::writeFile("lang/de.txt", "s8.World map=\"Weltkarte\"\r\nquote=\"a ~b~\"\r\n");
  TosLingua l;
  l.setLanguage(file);
  struct Case {
    const char* group;
    const char* term;
    const char* expect;
  } cases[] = {
      {"s8", "World map", "Weltkarte"},
      {"S8", "World map", "Weltkarte"},  // names compare without case
      {"", "quote", "a \"b\""},
      {"x", "new \"word\"", "new \"word\""},
      {"x", "new \"word\"", "new \"word\""},  // found the second time: added once
      {"y", "tilde~", "tilde\""},             // a "~" in a term comes back as a quote
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.group) + "." + c.term);
    EXPECT_EQ(l.wd(c.group, c.term), c.expect);
  }
  ASSERT_EQ(l.flingua->count(), 4);
  EXPECT_EQ((*l.flingua)[2], "x.new ~word~=\"new ~word~\"");
  EXPECT_TRUE(l.saveLanguage());
  EXPECT_NE(testenv::readFile(file).find("x.new ~word~"), std::string::npos);
}

TEST(Lingua, AHostHandlerAnswersInstead) {
  TosLingua l;
  l.setLanguage(testenv::tempDir() + "none.txt");
  l.onLingua = [](TosLingua* s) { s->linguaTerm = "[" + s->linguaGroup + ":" + s->linguaTerm + "]"; };
  EXPECT_EQ(l.wd("g", "a\"b"), "[g:a\"b]");
  EXPECT_EQ(l.flingua->count(), 0);
}
}  // namespace
