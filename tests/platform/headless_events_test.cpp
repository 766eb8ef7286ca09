// The headless backend holds a test to what a user can do: a control event
// reaches the program only if the control could be clicked at that moment,
// and the click's effect happens then, not when the test pushed it.
#include <functional>
#include <string>

#include "support/test_support.h"

namespace {

constexpr int kWindow = 0, kOther = 1;
constexpr int kButton = 2, kCheck = 3, kList = 4, kTabs = 5, kOnPage1 = 6, kOutside = 7;

class HeadlessEventsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    pf::OpenWindowAt(kWindow, 150, 150, 294, 451, "main", pf::kWindowSystemMenu);
    pf::CreateControl(kWindow, {kButton, pf::ControlKind::Button, 10, 10, 80, 22, "Go", "", pf::kFontRegular});
    pf::CreateControl(kWindow, {kCheck, pf::ControlKind::CheckBox, 10, 40, 80, 16, "Box", "", pf::kFontRegular});
    pf::CreateControl(kWindow, {kList, pf::ControlKind::ListBox, 10, 60, 200, 60, "", "", pf::kFontSystem});
    pf::CreateControl(kWindow, {kTabs, pf::ControlKind::TabPanel, 10, 130, 200, 100, "", "", pf::kFontSystem});
    pf::AddTab(kTabs, "one");
    pf::AddTab(kTabs, "two");
    pf::CreateControl(kWindow, {kOnPage1, pf::ControlKind::Button, 10, 10, 80, 22, "Page", "", pf::kFontRegular,
                                kTabs, 1});
    pf::CreateControl(kWindow, {kOutside, pf::ControlKind::Button, 300, 10, 80, 22, "Wide", "", pf::kFontRegular});
    pf::OpenWindowAt(kOther, 150, 150, 100, 100, "hidden", pf::kWindowHidden);
    for (const char* line : {"a", "b", "c"}) pf::AddControlItem(kList, line);
    headless::OnUnreachableEvent([this](const std::string& why) { refused_ = why; });
  }
  std::string refused_;
};

TEST_F(HeadlessEventsTest, UnreachableControlsAreRefused) {
  struct Row {
    const char* what;
    std::function<void()> arrange;
    int control;
    const char* reason;   // "" when the event is delivered
  };
  const Row rows[] = {
      {"an enabled button", [] {}, kButton, ""},
      {"a disabled button", [] { pf::SetControlEnabled(kButton, false); }, kButton, "is disabled"},
      {"a hidden button", [] { pf::SetControlVisible(kButton, false); }, kButton, "is hidden"},
      {"a hidden window", [] { pf::SetWindowVisible(kWindow, false); }, kButton, "is on a hidden window"},
      {"a minimised window", [] { headless::Minimise(kWindow); }, kButton, "is on a minimised window"},
      {"beyond a narrow window", [] {}, kOutside, "lies outside its window"},
      {"inside a widened window", [] { pf::SetWindowInnerSize(kWindow, 600, 451); }, kOutside, ""},
      {"on a tab page not shown", [] {}, kOnPage1, "is on another tab page"},
      {"on the tab page shown", [] { pf::SetControlState(kTabs, 1); }, kOnPage1, ""},
      {"no such control", [] {}, 99, "does not exist"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    refused_.clear();
    headless::PushGadget(row.control);
    // Arranged after the push: what counts is the state on delivery.
    row.arrange();
    pf::Event e = pf::WaitWindowEvent();
    if (*row.reason) {
      EXPECT_EQ(refused_, "event for control " + std::to_string(row.control) + " that " + row.reason);
      EXPECT_EQ(e.code, pf::kEventNone);   // dropped; the script is then drained
    } else {
      EXPECT_EQ(refused_, "");
      EXPECT_EQ(e.code, pf::kEventGadget);
      EXPECT_EQ(e.control, row.control);
      EXPECT_EQ(e.window, kWindow);
    }
  }
}

TEST_F(HeadlessEventsTest, ClicksTakeEffectOnDelivery) {
  headless::PushGadget(kCheck);
  headless::PushListSelect(kList, 2);
  headless::PushGadget(kCheck);
  EXPECT_EQ(pf::ControlState(kCheck), 0);
  EXPECT_EQ(pf::ControlState(kList), -1);

  EXPECT_EQ(pf::WaitWindowEvent().control, kCheck);
  EXPECT_EQ(pf::ControlState(kCheck), 1);
  EXPECT_EQ(pf::ControlState(kList), -1);
  EXPECT_EQ(pf::WaitWindowEvent().control, kList);
  EXPECT_EQ(pf::ControlState(kList), 2);
  // The program changed the box meanwhile: the second click undoes that.
  pf::SetControlState(kCheck, 0);
  EXPECT_EQ(pf::WaitWindowEvent().control, kCheck);
  EXPECT_EQ(pf::ControlState(kCheck), 1);
}

}  // namespace
