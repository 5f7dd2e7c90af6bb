// The latitude and longitude entry: degrees, minutes and seconds of an angle, the hemisphere, the
// edits' ranges, values that are no angle, and Cancel putting back what the dialog opened with.
#include "ui/r_pickLatLong.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/r_base.h"
#include "platform/windows.h"
#include "tests/support/headless_os.h"
#include "tests/ui/modal_support.h"
#include "ui/r_modal.h"

namespace {
using namespace platform;

class LatLongTest : public testenv::HeadlessOsTest {
 protected:
  void SetUp() override {
    HeadlessOsTest::SetUp();
    form = std::make_unique<TForm>();
    form->SetBounds(0, 0, 500, 400);
    form->Show();
    p = std::make_unique<TPickLatLong>(form.get());
    p->SetBounds(10, 10, 200, os->gp(18));
    p->onChange = [this](TPickLatLong*) { ++changes; };
  }
  void TearDown() override {
    p.reset();
    form.reset();
    HeadlessOsTest::TearDown();
  }
  void typeInto(Tedit& e, const std::string& t) {
    e.selectAll();
    e.insertText(t);
  }
  std::unique_ptr<TForm> form;
  std::unique_ptr<TPickLatLong> p;
  int changes = 0;
};

TEST_F(LatLongTest, AnglesSplitIntoDegreesMinutesAndSeconds) {
  p->setangle(51.5);
  EXPECT_EQ(p->degrees(), 51);
  EXPECT_EQ(p->minutes(), 30);
  EXPECT_DOUBLE_EQ(p->decMinutes(), 30.0);
  EXPECT_DOUBLE_EQ(p->seconds(), 0.0);
  EXPECT_EQ(p->minedit->text(), "30.00000");
  EXPECT_EQ(p->secEdit->text(), "0.000");
  p->setNorthSouth(false);
  p->setangle(-0.116667);
  EXPECT_EQ(p->degrees(), 0);
  EXPECT_EQ(p->minutes(), 7);
  EXPECT_TRUE(p->minusBox->checked());
  EXPECT_NE(p->angleText().find("West"), std::string::npos) << p->angleText();
  EXPECT_EQ(changes, 0);  // code fires nothing
  struct Case {
    const char* id;
    double in;
    bool positive;
  };
  const Case bad[] = {{"NaN", std::numeric_limits<double>::quiet_NaN(), true},
                      {"+1e300", 1e300, true},
                      {"-1e300", -1e300, false},
                      {"-0", -0.0, true},
                      {"infinity", std::numeric_limits<double>::infinity(), true}};
  for (const Case& c : bad) {
    SCOPED_TRACE(c.id);
    p->setangle(c.in);
    EXPECT_EQ(p->angle(), 0.0);
    EXPECT_EQ(p->degrees(), 0);
    EXPECT_EQ(p->positive(), c.positive);
    EXPECT_EQ(p->degEdit->text(), "0.000000");
  }
}

TEST_F(LatLongTest, EditsAcceptOnlyTheirRanges) {
  p->setangle(10);
  typeInto(*p->degEdit, "95");
  p->doClick(p->degEdit.get());  // the delayed change arriving
  EXPECT_EQ(p->angle(), 10);
  EXPECT_EQ(changes, 0);
  p->setNorthSouth(false);
  p->doClick(p->degEdit.get());
  EXPECT_EQ(p->angle(), 95);
  EXPECT_EQ(changes, 1);
  typeInto(*p->minedit, "60");
  EXPECT_FALSE(p->minedit->valid());
  EXPECT_EQ(p->angle(), 95);
  typeInto(*p->minedit, "59.99");
  EXPECT_TRUE(p->minedit->valid());
  EXPECT_NEAR(p->angle(), 95 + 59.99 / 60, 1e-9);
  typeInto(*p->secEdit, "30");
  EXPECT_NEAR(p->angle(), 95 + 59.0 / 60 + 30.0 / 3600, 1e-9);
  p->minusBox->click();
  // Past the degrees field's pause too: its typing is reported once more, with the new sign.
  const uint32_t end = desktop().now() + 600;
  while (static_cast<int32_t>(end - desktop().now()) > 0)
    if (!desktop().processOne()) desktop().idle(end - desktop().now());
  EXPECT_LT(p->angle(), 0);
}

TEST_F(LatLongTest, CancelPutsBackTheAngleAndTheEditsWithOneChange) {
  p->setangle(20);
  p->setangle(51.5);
  testenv::inModal([&] {
    ASSERT_NE(p->dlg, nullptr);
    EXPECT_EQ(p->Parent(), p->dlg);
    typeInto(*p->minedit, "15");
    EXPECT_NEAR(p->angle(), 51.25, 1e-9);
    typeInto(*p->degEdit, "12");  // waits for the typing to pause before it counts
    changes = 0;
    testenv::click(*p->dlg, *p->dlg->cancelBut);
  });
  int results = 0;
  p->onResult = [&](TPickLatLong*) { ++results; };
  p->doClick(p.get());
  // Well past the degrees' pause: the change that was waiting never comes.
  const uint32_t end = desktop().now() + 2000;
  while (static_cast<int32_t>(end - desktop().now()) > 0)
    if (!desktop().processOne()) desktop().idle(end - desktop().now());
  EXPECT_DOUBLE_EQ(p->angle(), 51.5);
  EXPECT_EQ(p->minedit->text(), "30.00000");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(results, 1);
  EXPECT_EQ(p->Parent(), form.get());
  EXPECT_EQ(p->Height(), os->gp(18));
  EXPECT_EQ(p->Left(), 10);
  EXPECT_EQ(p->Top(), 10);
}

}  // namespace
