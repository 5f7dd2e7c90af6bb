// XML tokens: the lenient reader's own cases as a table, documents checked well-formed by
// xmllint compared with the events of Python's parser, and tokens that straddle the buffer.
#include "storage/r_xmlLite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/headless_os.h"
#include "tests/support/testenv.h"

namespace {
struct XmlLite : ::testing::Test {
  void SetUp() override { createOs(); }
  void TearDown() override { freeOs(); }

  // Every token as "kind:text"; kinds N, S, C, E, X (complete).
  static std::vector<std::string> tokens(const std::string& file, std::vector<int>* levels = nullptr) {
    TxmlLite x;
    EXPECT_TRUE(x.setname(file));
    std::vector<std::string> out;
    std::string s;
    while (x.readNext(s)) {
      static const char kinds[] = "NSCEX";
      const bool tag = x.xmlType() != xml_Content && x.xmlType() != xml_none;
      out.push_back(std::string(1, kinds[x.xmlType()]) + ":" + (tag ? x.tag() : s));
      if (levels) levels->push_back(x.currentLevel());
    }
    EXPECT_TRUE(s.empty());
    return out;
  }
  static std::string fileOf(const std::string& text) {
    static int n = 0;
    return testenv::writeFile("x" + std::to_string(++n) + ".xml", text);
  }
};

using Tokens = std::vector<std::string>;

TEST_F(XmlLite, LenientTokensAsTheReaderGivesThem) {
  struct Case {
    const char* id;
    std::string xml;
    Tokens want;
  } cases[] = {
      {"declaration, attributes, content",
       "<?xml version=\"1.0\"?>\r\n<doc a=\"1\">Hello</doc>",
       {"S:?xml", "N:", "S:doc", "C:Hello", "E:doc"}},
      {"content over lines, LF and CR LF alike",
       "<p>one\ntwo\r\nthree\tfour</p>", {"S:p", "C:one two three four", "E:p"}},
      {"a tag straight after a start or complete tag", "<a><b/></a>", {"S:a", "N:", "X:b", "N:", "E:a"}},
      {"content after an end tag ends at the next tag",
       "<a><b>x</b>tail<c>y</c>more</a>",
       {"S:a", "N:", "S:b", "C:x", "E:b", "C:tail", "S:c", "C:y", "E:c", "C:more", "E:a"}},
      {"CDATA without and with >", "<a><![CDATA[1 & 2]]><![CDATA[x > y]]></a>",
       {"S:a", "C:1 & 2", "C:x > y", "N:", "E:a"}},
      {"comments end at -->", "<a><!-- a > b --><b/></a>", {"S:a", "S:!--", "N:", "X:b", "N:", "E:a"}},
      {"short <! sections", "<a><!></a><![CDATA[", {"S:a", "S:!", "N:", "E:a", "C:"}},
      {"> in content and in attribute values", "<a t='x>y'>1 > 0</a>", {"S:a", "C:1 > 0", "E:a"}},
      {"names and values stay UTF-8", "<stra\xc3\x9f" "e>Z\xc3\xbcrich</stra\xc3\x9f" "e>",
       {"S:stra\xc3\x9f" "e", "C:Z\xc3\xbcrich", "E:stra\xc3\x9f" "e"}},
      {"an empty file", "", {}},
      {"blanks only", "  \r\n ", {"N:"}},
      {"a < as the last byte", "<a>x<", {"S:a", "C:x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(tokens(fileOf(c.xml)), c.want);
  }
}

TEST_F(XmlLite, LevelsFollowStartAndEndTags) {
  std::vector<int> levels;
  tokens(fileOf("<?xml version=\"1.0\"?><a><b>x</b>y<c/></a>"), &levels);
  // ?xml, none, a, none, b, x, /b, y, c, none, /a: the declaration stays open, as the reader has it.
  EXPECT_EQ(levels, (std::vector<int>{1, 1, 2, 2, 3, 3, 2, 2, 2, 2, 1}));

  TxmlLite x;
  ASSERT_TRUE(x.setname(fileOf("<a k='1'><b><c>v</c></b></a>")));
  std::string s;
  while (x.readNext(s) && s != "v") {
  }
  EXPECT_EQ(x.dotLevel(0), "a k='1'.b.c");
  EXPECT_EQ(x.dotLevel(1), "b.c");
  EXPECT_EQ(x.dotLevel(3), "");
  x.returnToStart();
  ASSERT_TRUE(x.readNext(s));
  EXPECT_EQ(x.tag(), "a");
  EXPECT_EQ(x.currentLevel(), 1);
}

TEST_F(XmlLite, AttributesOfStartAndCompleteTags) {
  TxmlLite x;
  ASSERT_TRUE(x.setname(fileOf("<c r=\"AB1\" t = 's' title=\"a b\" amp=\"x&amp;y\" bare=1 flag/><d>text</d>")));
  std::string s;
  ASSERT_TRUE(x.readNext(s));
  ASSERT_EQ(x.xmlType(), xml_complete);
  EXPECT_EQ(x.tag(), "c");
  EXPECT_EQ(x.name(), "c");
  EXPECT_EQ(x.attributes().text(), "r=AB1\r\nt=s\r\ntitle=a b\r\namp=x&amp;y\r\nbare=1\r\nflag=\r\n");
  EXPECT_EQ(x.attribute("R"), "AB1");
  EXPECT_EQ(x.attribute("missing"), "");
  EXPECT_EQ(x.attributeD("bare"), 1.0);
  EXPECT_EQ(x.attributeD("missing"), 0.0);
  EXPECT_EQ(xmlDecode(x.attribute("amp")), "x&y");

  ASSERT_TRUE(x.readNext(s));  // none
  ASSERT_TRUE(x.readNext(s));
  EXPECT_EQ(x.name(), "d");
  ASSERT_TRUE(x.readNext(s));
  EXPECT_EQ(x.attributes().count(), 0);  // content has none
  ASSERT_TRUE(x.readNext(s));
  EXPECT_EQ(x.name(), "d");  // the end tag's
  EXPECT_FALSE(x.readNext(s));

  ASSERT_TRUE(x.setname(fileOf("<a/>")));
  ASSERT_TRUE(x.readNext(s));
  EXPECT_EQ(x.tag(), "a");
  EXPECT_EQ(x.name(), "a/");  // the name as written keeps the slash
}

TEST_F(XmlLite, NumbersAndLists) {
  TxmlLite x;
  ASSERT_TRUE(x.setname(fileOf("<v>42</v><v>2.5</v><v>x</v>")));
  int32_t i = 0;
  double d = 0;
  ASSERT_FALSE(x.readInteger(i));  // the start tag
  EXPECT_TRUE(x.readInteger(i));
  EXPECT_EQ(i, 42);
  ASSERT_FALSE(x.readDouble(d));  // end
  ASSERT_FALSE(x.readDouble(d));  // start
  EXPECT_TRUE(x.readDouble(d));
  EXPECT_EQ(d, 2.5);
  std::string s;
  x.readNext(s);
  x.readNext(s);
  EXPECT_FALSE(x.readDouble(d));  // "x"

  TStringList list;
  x.returnToStart();
  x.saveToList(list);
  EXPECT_EQ(list.count(), 9);
  EXPECT_EQ(list[1], "42");
  EXPECT_FALSE(x.setname(testenv::tempDir() + "missing.xml"));
  EXPECT_FALSE(x.readNext(s));
}

TEST_F(XmlLite, DecodesTheFiveEntitiesAndReferencesOnce) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a &amp; b", "a & b"},       {"&lt;&gt;&quot;&apos;", "<>\"'"},
      {"&amp;lt;", "&lt;"},         {"&#65;&#x42;&#X43;", "ABC"},
      {"&#x20AC;", "\xe2\x82\xac"}, {"&#1114112; &#xD800; &#; &#x;", "&#1114112; &#xD800; &#; &#x;"},
      {"&unknown; & &amp", "&unknown; & &amp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(xmlDecode(c.in), c.out);
  }
}

// Python's parser as the outside reference; declarations and comments aside.
TEST_F(XmlLite, WellFormedDocumentsGiveThePythonParsersEvents) {
  if (std::system("xmllint --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint missing";
  const std::string script = testenv::sourceDir() + "tests/storage/xml_events.py";
  const std::string docs[] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- head > note -->\n<root a=\"1\" b='two words'>\n"
      "  <item id=\"i&amp;1\">first &amp; &lt;second&gt; &#x263A;</item>\n  <empty/>\n"
      "  <item>line one\r\n\tline two</item>tail text<last x=\"a>b\">end</last>\n</root>\n",
      "<a><b><c>deep</c>after c</b>after b<d/><e></e>  spaced   text  </a>",
      "<sst count=\"2\"><si><t>plain</t></si><si><r><rPr><b/></rPr><t>rich </t></r><r><t>runs</t></r></si>"
      "<si><t><![CDATA[x < y]]></t></si></sst>",
      "<w\xc3\xa4hrung name=\"\xe2\x82\xac\">Gr\xc3\xbc\xc3\x9f" "e</w\xc3\xa4hrung>",
  };
  for (const std::string& doc : docs) {
    SCOPED_TRACE(doc);
    const std::string file = fileOf(doc);
    int status = 0;
    testenv::runCommand("xmllint --noout '" + file + "'", &status);
    ASSERT_EQ(status, 0) << "the document is not well-formed";
    const std::string want = testenv::runCommand("/usr/bin/python3 '" + script + "' '" + file + "'", &status);
    ASSERT_EQ(status, 0) << want;

    std::string got;
    TxmlLite x;
    ASSERT_TRUE(x.setname(file));
    std::string s;
    while (x.readNext(s)) {
      switch (x.xmlType()) {
        case xml_Start:
          if (x.tag()[0] != '?' && x.tag()[0] != '!') got += "S " + x.tag() + "\n";
          break;
        case xml_complete: got += "S " + x.tag() + "\nE " + x.tag() + "\n"; break;
        case xml_Content: got += "C " + (x.cdata() ? s : xmlDecode(s)) + "\n"; break;
        case xml_End: got += "E " + x.tag() + "\n"; break;
        default: break;
      }
    }
    EXPECT_EQ(got, want);
  }
}

// The byte after a "<" taken as the buffer's last byte lies in the next block.
TEST_F(XmlLite, TokensAcrossTheBufferEnd) {
  const size_t edge = TxmlLite::bufsize - 1;  // the index of the first block's last byte
  struct Case {
    const char* id;
    std::string head;  // fills the block up to the "<"
    std::string tail;  // from the "<" on
    Tokens want;
  } cases[] = {
      {"a comment after a start tag", "<r><a>", "<!--c--><b/></a></r>", {"S:r", "N:", "S:a", "S:!--c--", "N:", "X:b", "N:", "E:a", "E:r"}},
      {"a tag after a start tag", "<r><a>", "<b/></a></r>", {"S:r", "N:", "S:a", "N:", "X:b", "N:", "E:a", "E:r"}},
      {"CDATA after content", "<r>x", "<![CDATA[y]]></r>", {"S:r", "C:x", "C:y", "N:", "E:r"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.id);
    c.head.resize(edge, ' ');  // blanks lead no token (and pad the content, which is trimmed)
    ASSERT_EQ(c.head.size() + c.tail.size() > TxmlLite::bufsize, true);
    EXPECT_EQ(tokens(fileOf(c.head + c.tail)), c.want);
  }
}
}  // namespace
