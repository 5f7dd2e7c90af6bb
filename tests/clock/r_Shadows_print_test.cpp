// The Shadows page's print button through a print server of the test's own: one A4 page in
// landscape, the diagram inside margins of 10 mm, and the cursor back to normal afterwards.
#include <gtest/gtest.h>

#include "core/TQYini.h"
#include "imaging/r_print.h"
#include "tests/clock/shadows_fixture.h"
#include "tests/support/print_server.h"
#include "ui/r_QYcontrols.h"

namespace {
using namespace shadowstest;

class ShadowPrint : public ShadowsTest {
 protected:
  static void SetUpTestSuite() { testenv::TprintServer::start(); }
  static void TearDownTestSuite() { testenv::TprintServer::stop(); }
  void SetUp() override {
    ShadowsTest::SetUp();
    if (!testenv::TprintServer::why.empty()) GTEST_SKIP() << testenv::TprintServer::why;
  }
  void TearDown() override {
    print.reset();
    freeSettings();
    ShadowsTest::TearDown();
  }
};

TEST_F(ShadowPrint, OneLandscapePageWithTheDiagramInsideTheMargins) {
  TshadowPage page(nullptr, *base);
  page.Handle();
  page.SetBounds(0, 0, 900, 500);
  print.reset();
  page.doclick(page.printBut.get());
  EXPECT_EQ(page.cursor(), platform::Cursor::Default);
  const std::string pdf = testenv::TprintServer::waitForJob();
  ASSERT_FALSE(pdf.empty());
  const std::string info = testenv::runCommand("pdfinfo '" + pdf + "'");
  EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  // The server turns the landscape page onto portrait A4: the diagram's width runs down the page.
  const auto p = testenv::TprintServer::inkOf(pdf);
  ASSERT_GT(p.right, p.left);
  const double margin = 10 / 25.4 * 50;
  EXPECT_GE(p.left, margin - 2);
  EXPECT_GE(p.top, margin - 2);
  EXPECT_LE(p.right, p.width - 1 - margin + 2);
  EXPECT_LE(p.bottom, p.height - 1 - margin + 2);
  EXPECT_GT(p.bottom - p.top, p.right - p.left) << "the wide diagram stands upright on the portrait sheet";
}

}  // namespace
