// Case-blind comparison: the ASCII shortcut orders as ICU's case folding does, and text beyond
// ASCII still folds through ICU.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace {
int noCaseSign(int v) { return (v > 0) - (v < 0); }
}  // namespace

TEST(TextNoCase, CompareOrdersAsCaseFolding) {
  struct Case {
    const char* id;
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"same", "DejaVu Sans", "dejavu sans", 0},
      {"empty", "", "", 0},
      {"empty first", "", "a", -1},
      {"prefix shorter", "Liberation", "liberation Sans", -1},
      {"prefix longer", "Liberation Sans", "LIBERATION", 1},
      {"letter order", "Arial", "bitstream", -1},
      // Upper-case letters fold down: '_' (0x5F) lies between 'Z' and 'a' and sorts before them.
      {"folded before punctuation", "_x", "Ax", -1},
      {"digit before letter", "9", "a", -1},
      {"non-ASCII equal", "Ägypten", "äGYPTEN", 0},
      {"non-ASCII after ASCII prefix", "Straße", "STRASSE", 0},
      {"non-ASCII tail longer", "Caf", "Café", -1},
      {"ASCII difference before non-ASCII", "Zé", "aé", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(noCaseSign(platform::compareNoCase(c.a, c.b)), c.sign);
    EXPECT_EQ(noCaseSign(platform::compareNoCase(c.b, c.a)), -c.sign);
    EXPECT_EQ(platform::sameNoCase(c.a, c.b), c.sign == 0);
  }
}
