// What `kavrin config --check` says about the window a configuration builds: controls that
// cover each other, controls the window's edge cuts or hides, places beyond any screen, and
// lines whose bytes are not text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_check.h"
#include "tests/config/embedded_text.h"
#include "tests/config/ini_bytes.h"
#include "tests/config/shipped_layouts.h"

namespace kavrin {
namespace {

std::vector<ConfigFinding> CheckBytes(const std::vector<uint8_t>& bytes) {
  ConfigFile config("unused");
  config.ParseBytes(bytes);
  config.LoadSections();
  return CheckConfiguration(config);
}

std::vector<ConfigFinding> Check(std::string_view utf8) {
  return CheckBytes(test::EncodeIni(utf8, test::IniEncoding::kUtf8Bom));
}

std::vector<std::string> Lines(const std::vector<ConfigFinding>& findings) {
  std::vector<std::string> lines;
  for (const ConfigFinding& f : findings) lines.push_back(FormatFinding(f));
  return lines;
}

std::string Subject(const std::string& line) { return line.substr(0, line.find(':')); }

struct LayoutCase {
  const char* name;
  std::string text;
  std::vector<std::string> subjects;  // of every finding, in order
  std::vector<std::string> phrases;   // each in some finding
};
void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

std::string Shipped() { return test::EmbeddedDefaultUtf8(); }
std::string ShippedWith(std::string_view from, std::string_view to) {
  return test::Replaced(Shipped(), from, to);
}

// A small window that fits one item row and the logo, and nothing else, as a base to edit.
constexpr std::string_view kSmallWindow =
    "[WINDOW_LAYOUT]\nWIDTH=600\nHEIGHT=500\n[DEVICE]\nNO=1\n0=ZK742\n"
    "[ITEM_LAYOUT]\nSTART_Y=90\n[DATE_STAMP_LOGO]\nSTART_X=350\nSTART_Y=180\n"
    "[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n"
    "[A]\nTITLE=A\nDATA_LEN=1\nOPTION_NO=2\nOPTION_0=x\nOPTION_1=y\n";

std::string SmallWindowWith(std::string_view from, std::string_view to) {
  return test::Replaced(std::string(kSmallWindow), from, to);
}

std::vector<std::string> ItemSubjects(uint32_t from, uint32_t to) {
  std::vector<std::string> subjects;
  for (uint32_t i = from; i < to; ++i) subjects.push_back("[ITEM_LIST] " + test::ListKey(i));
  return subjects;
}

std::vector<LayoutCase> Cases() {
  std::vector<std::string> offWindow = ItemSubjects(12, 26);
  offWindow.insert(offWindow.end(), {"[DATE_STAMP_LOGO]", "[INFO_LAYOUT] TITLE_000",
                                     "[INFO_LAYOUT] TITLE_001", "[INFO_LAYOUT] TITLE_002"});
  return {
      {"shipped_default", Shipped(), {}, {}},
      {"small_window", std::string(kSmallWindow), {}, {}},
      // The shipped engine tests turned on: the first two rows lie on the logo's box.
      {"engine_tests_over_the_logo",
       ShippedWith("[TEST_ITEM_LIST]\r\nITEM_NO=0", "[TEST_ITEM_LIST]\r\nITEM_NO=5"),
       {"[TEST_ITEM_LIST] ITEM_000", "[TEST_ITEM_LIST] ITEM_001"},
       {"the label and result of test [TEST_KEY] (x 350 to 594, y 200 to 220) overlap the box of "
        "the date stamp logo (x 350 to 510, y 202 to 222); placed by [TEST_ITEM_LAYOUT] "
        "START_X=350, ITEM_WIDTH=120, TITLE_CONTENT_GAP=4, CONTENT_WIDTH=120, START_Y=200, "
        "ITEM_HEIGHT=20 and [DATE_STAMP_LOGO] START_X=350, DISPLAY_WIDTH=160, START_Y=180, "
        "DISPLAY_HEIGHT=20, OPTION_GAP_Y=2"}},
      // 26 rows in columns of 18: rows 12 to 17 below the bottom, the second column past the
      // right edge and over the panels.
      {"every_shipped_item",
       test::ShippedWithEveryItemListed(),
       offWindow,
       {"[ITEM_LIST] ITEM_013: the label and list of [EV] (x 20 to 326, y 484 to 508) lie wholly "
        "outside the window's client area (594 x 471 for [WINDOW_LAYOUT] WIDTH=600, HEIGHT=500, "
        "less caption and frame); nobody can see or reach them; placed by [ITEM_LAYOUT] "
        "START_Y=90, LINE_SHIFT=30, TITLE_SHIFT=4, ITEM_HEIGHT=20, ITEM_PER_COL=18",
        "[ITEM_LIST] ITEM_012: the list of [RECORD_LED_OFF] (x 206 to 326, y 454 to 474) lies "
        "partly outside",
        "[ITEM_LIST] ITEM_018: the list of [WAIT_CHARGE] (x 512 to 632, y 94 to 114) lies partly "
        "outside the window's client area (594 x 471",
        "overlap the label and list of [WAIT_CHARGE]"}},
      {"info_row_at_int_max",
       ShippedWith("START_X=350 \r\nSTART_Y=100 ", "START_X=2147483647 \r\nSTART_Y=100 "),
       {"[INFO_LAYOUT] TITLE_000", "[INFO_LAYOUT] TITLE_001", "[INFO_LAYOUT] TITLE_002"},
       {"[INFO_LAYOUT] TITLE_000: the label and text box of information row TITLE_000 (\"Model\") "
        "(x 2147483647 to 2147483911, y 100 to 120) lie beyond any screen, whose coordinates end "
        "at 32767; nobody can see or reach them; placed by [INFO_LAYOUT] START_X=2147483647, "
        "TITLE_WIDTH=120, TITLE_CONTENT_GAP=4, CONTENT_WIDTH=140, START_Y=100, ITEM_HEIGHT=20"}},
      {"item_lists_near_int_max",
       test::Replaced(ShippedWith("START_X=20  \r\n", "START_X=2147483000\r\n"),
                      "OPTION_WIDTH=120 \r\n", "OPTION_WIDTH=4000\r\n"),
       ItemSubjects(0, 11),
       {"[ITEM_LIST] ITEM_000: the label and list of [CYCLE_TIME] (x 2147483000 to 2147487186, "
        "y 94 to 118) lie beyond any screen"}},
      {"window_wider_than_any_screen",
       SmallWindowWith("WIDTH=600\nHEIGHT=500", "WIDTH=4000000000\nHEIGHT=40000"),
       {"[WINDOW_LAYOUT] WIDTH", "[WINDOW_LAYOUT] HEIGHT"},
       {"[WINDOW_LAYOUT] WIDTH: 4000000000 is wider than any screen; the window takes the "
        "screen's width"}},
      // Without WINDOW_LAYOUT the window is 320 wide: the fixed Kavrin button is past its edge.
      {"built_in_window_size",
       SmallWindowWith("[WINDOW_LAYOUT]\nWIDTH=600\nHEIGHT=500\n", ""),
       {"[WINDOW_LAYOUT] WIDTH", "[WINDOW_LAYOUT] WIDTH", "[DATE_STAMP_LOGO]"},
       {"[WINDOW_LAYOUT] WIDTH: the path display (shown by its switch) (x 180 to 400, y 12 to 42) "
        "lies partly outside the window's client area (314 x 411 for [WINDOW_LAYOUT] WIDTH=320, "
        "HEIGHT=440, the built-in size, less caption and frame)",
        "[WINDOW_LAYOUT] WIDTH: the \"Kavrin\" button (x 410 to 490, y 12 to 42) lies wholly "
        "outside the window's client area (314 x 411 for [WINDOW_LAYOUT] WIDTH=320, HEIGHT=440, "
        "the built-in size, less caption and frame); nobody can see or reach it; it has a fixed "
        "place, so the window must be larger"}},
      // The built-in START_Y=50 puts the first row on the buttons a switch shows.
      {"row_under_switched_buttons",
       SmallWindowWith("[ITEM_LAYOUT]\nSTART_Y=90\n", ""),
       {"[ITEM_LIST] ITEM_000"},
       {"[ITEM_LIST] ITEM_000: the label and list of [A] (x 20 to 284, y 54 to 74) overlap the "
        "\"Get Kavrin\" button (shown by its switch) (x 8 to 88, y 45 to 75) (and 1 more); placed "
        "by [ITEM_LAYOUT] START_X=20, TITLE_WIDTH=140, TITLE_OPTION_GAP=4, OPTION_WIDTH=120, "
        "START_Y=50, TITLE_SHIFT=4, ITEM_HEIGHT=16; the \"Get Kavrin\" button (shown by its "
        "switch) has a fixed place"}},
      // A negative gap puts the list over its own label.
      {"list_over_its_label",
       SmallWindowWith("START_Y=90\n", "START_Y=90\nTITLE_OPTION_GAP=-30\n"),
       {"[ITEM_LIST] ITEM_000"},
       {"[ITEM_LIST] ITEM_000: the label and list of [A] (x 20 to 250, y 94 to 114) overlap each "
        "other"}},
      // Frameless text that starts in the window shows; a cut frame does not.
      {"logo_left_of_the_window",
       SmallWindowWith("START_X=350\n", "START_X=-100\nDISPLAY_WIDTH=150\n"),
       {"[DATE_STAMP_LOGO]"},
       {"[DATE_STAMP_LOGO]: the box of the date stamp logo (x -100 to 50, y 202 to 222) lies "
        "partly outside the window's client area (594 x 471 for [WINDOW_LAYOUT] WIDTH=600, "
        "HEIGHT=500, less caption and frame); the window's edge cuts it; placed by "
        "[DATE_STAMP_LOGO] START_X=-100, DISPLAY_WIDTH=150"}},
  };
}

class LayoutCheckTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutCheckTest, ReportsWhatTheWindowCannotShow) {
  const LayoutCase& c = GetParam();
  const std::vector<std::string> lines = Lines(Check(c.text));
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  std::vector<std::string> subjects;
  for (const std::string& line : lines) subjects.push_back(Subject(line));
  EXPECT_EQ(subjects, c.subjects) << all;
  for (const std::string& phrase : c.phrases)
    EXPECT_NE(all.find(phrase), std::string::npos) << phrase << "\n" << all;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutCheckTest, testing::ValuesIn(Cases()),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavrin
