// Layout values at the ends of their range: the window still opens, every rectangle that
// reaches the toolkit is one a window system takes, the window is never larger than the
// screen; and `kavrin config --check` reports exactly the rows the window cannot show.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/config_check.h"
#include "config/layout_geometry.h"
#include "tests/config/shipped_layouts.h"
#include "tests/ui/main_window_harness.h"
#include "ui/dialog_templates.h"

namespace kavrin::test {
namespace {

using ui::Rect;

struct OverflowCase {
  const char* name;
  std::string sections;  // in front of the shipped configuration
  int id;                // a control the values place far away
  Rect expected;         // where it ends up
};
void PrintTo(const OverflowCase& c, std::ostream* os) { *os << c.name; }

// A section in front replaces the shipped one: its other keys take their built-in values.
std::vector<OverflowCase> OverflowCases() {
  return {
      // The label's right edge is START_X + TITLE_WIDTH: past INT_MAX. Written so, a 32-bit sum
      // overflows (undefined behaviour: the sanitizer build aborts).
      {"InfoStartXAtIntMax",
       "[INFO_LAYOUT]\nSTART_X=2147483647\nITEM_NO=1\n",
       IDC_INFO_CONTENT_BASE,
       {32767, 50, 32767, 70}},
      // The list's left edge is START_X + TITLE_WIDTH + TITLE_OPTION_GAP, its right 4000 more.
      {"ItemListNearIntMax",
       "[ITEM_LAYOUT]\nSTART_X=2147483000\nOPTION_WIDTH=4000\n",
       IDC_ITEM_BASE,
       {32767, 54, 32767, 354}},
      // Every vertical sum of the logo box at once, from both ends of the range.
      {"LogoAtBothEnds",
       "[DATE_STAMP_LOGO]\nSTART_X=-2147483648\nSTART_Y=2147483647\nDISPLAY_HEIGHT=2147483647\n"
       "OPTION_GAP_Y=2147483647\nLIST_BOX_HEIGHT=2147483647\nDISPLAY_WIDTH=4294967295\n",
       IDC_LOGO,
       {-32767, 32767, -32767, 32767}},
      // Rows times the largest line shift.
      {"TestRowsFarDown",
       "[TEST_ITEM_LAYOUT]\nSTART_Y=2147483647\nLINE_SHIFT=2147483647\n"
       "[TEST_ITEM_LIST]\nITEM_NO=3\nITEM_000=TEST_KEY\nITEM_001=TEST_RTC\nITEM_002=TEST_KAVRIN\n",
       IDC_TEST_RESULT_BASE + 2,
       {644, 32767, 764, 32767}},
      // A negative size is no size.
      {"NegativeWidth",
       "[INFO_LAYOUT]\nCONTENT_WIDTH=-50\nITEM_NO=1\n",
       IDC_INFO_CONTENT_BASE,
       {644, 50, 644, 70}},
      // Small negative values keep placing as they always have: left of the edge.
      {"NegativeStart",
       "[INFO_LAYOUT]\nSTART_X=-130\nITEM_NO=1\n",
       IDC_INFO_CONTENT_BASE,
       {-6, 50, 134, 70}},
  };
}

class LayoutOverflowTest : public MainWindowTest,
                           public ::testing::WithParamInterface<OverflowCase> {};

TEST_P(LayoutOverflowTest, WindowOpensWithEveryRectangleInTheToolkitsRange) {
  const OverflowCase& c = GetParam();
  WriteShippedConfigWith(c.sections);
  Open();
  EXPECT_EQ(Ctrl(c.id).Geometry(), c.expected);
  for (const auto& control : Win().Controls()) {
    SCOPED_TRACE(control->Id());
    const Rect r = control->Geometry();
    for (int edge : {r.left, r.top, r.right, r.bottom}) {
      EXPECT_GE(edge, -32767);
      EXPECT_LE(edge, 32767);
    }
    EXPECT_GE(r.Width(), 0);
    EXPECT_GE(r.Height(), 0);
  }
  const Rect outer = Win().OuterGeometry();
  EXPECT_LE(outer.Width(), ui::headless::HeadlessToolkit::kScreenSize.width);
  EXPECT_LE(outer.Height(), ui::headless::HeadlessToolkit::kScreenSize.height);
}

INSTANTIATE_TEST_SUITE_P(Values, LayoutOverflowTest, ::testing::ValuesIn(OverflowCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, WindowIsNeverLargerThanTheScreen) {
  const struct {
    const char* layout;
    Rect outer;
  } cases[] = {
      {"[WINDOW_LAYOUT]\nWIDTH=4000000000\nHEIGHT=3000000\n", {0, 0, 1920, 1080}},
      {"[WINDOW_LAYOUT]\nWIDTH=2500\nHEIGHT=900\n", {0, 90, 1920, 990}},
      {"[WINDOW_LAYOUT]\nWIDTH=1920\nHEIGHT=1080\n", {0, 0, 1920, 1080}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    WriteShippedConfigWith(c.layout);
    Open();
    EXPECT_EQ(Win().OuterGeometry(), c.outer);
  }
}

// The item rows the window cannot show whole, by the headless window's own client area (the
// frame the configuration's sizes were made for): a list whose closed box the edge cuts, or a
// label of which nothing shows.
std::set<std::string> ItemsOutsideTheWindow(MainDialog& w, ui::headless::HeadlessWindow& host) {
  const ui::Size client = host.ClientSize();
  auto inside = [&](const Rect& r) {
    return r.left >= 0 && r.top >= 0 && r.right <= client.width && r.bottom <= client.height;
  };
  auto touches = [&](const Rect& r) {
    return r.right > 0 && r.bottom > 0 && r.left < client.width && r.top < client.height;
  };
  std::set<std::string> outside;
  for (uint32_t i = 0; i < w.items.size(); ++i) {
    Rect list = w.items[i].selectControl->Geometry();
    list.bottom = list.top + static_cast<int>(kDropDownBoxHeight);  // closed
    if (!touches(w.items[i].labelControl->Geometry()) || !inside(list)) {
      outside.insert("[ITEM_LIST] " + ListKey(i));
    }
  }
  return outside;
}

std::set<std::string> ItemsTheCheckFindsOutside(const ConfigFile& config) {
  std::set<std::string> subjects;
  for (const ConfigFinding& f : CheckConfiguration(config)) {
    const std::string line = FormatFinding(f);
    if (line.rfind("[ITEM_LIST] ITEM_", 0) == 0 && line.find("client area") != std::string::npos)
      subjects.insert(line.substr(0, line.find(':')));
  }
  return subjects;
}

TEST_F(MainWindowTest, CheckReportsExactlyTheRowsTheWindowCannotShow) {
  WriteConfig(ShippedWithEveryItemListed());
  MainDialog& w = Open();
  ASSERT_EQ(w.items.size(), 26u);
  const std::set<std::string> outside = ItemsOutsideTheWindow(w, Win());
  // Rows 12 to 17 of the first column run off the bottom; the second column off the right.
  EXPECT_EQ(outside.size(), 6u + 8u);
  EXPECT_EQ(ItemsTheCheckFindsOutside(w), outside);
}

TEST_F(MainWindowTest, ShippedLayoutShowsEveryRowInsideTheWindow) {
  MainDialog& w = Open();
  EXPECT_TRUE(ItemsOutsideTheWindow(w, Win()).empty());
  EXPECT_TRUE(ItemsTheCheckFindsOutside(w).empty());
}

}  // namespace
}  // namespace kavrin::test
