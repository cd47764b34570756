// What kavrintool answers before it starts anything: --help, --version, and whether the
// toolkit would find a display.
#include "app/early_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/screenshot_request.h"

namespace kavrin {
namespace {

struct RequestCase {
  std::vector<const char*> arguments;
  EarlyRequest request;
};

TEST(EarlyOptionsTest, HelpAndVersionAreFoundAnywhereAndNothingElseIsOne) {
  const RequestCase cases[] = {
      {{}, EarlyRequest::None},
      {{"41710"}, EarlyRequest::None},
      {{"--help"}, EarlyRequest::Help},
      {{"-h"}, EarlyRequest::Help},
      {{"41710", "--help"}, EarlyRequest::Help},
      {{"-platform", "offscreen", "--version"}, EarlyRequest::Version},
      {{"--version", "--help"}, EarlyRequest::Version},  // the first one wins
      {{"--helpme"}, EarlyRequest::None},                // read as a switch value as before
      {{"help"}, EarlyRequest::None},
      {{"-H"}, EarlyRequest::None},
  };
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.back());
    EXPECT_EQ(FindEarlyRequest(c.arguments), c.request);
  }
}

TEST(EarlyOptionsTest, ScreenshotRequestTakesItsValuesAndLeavesTheRest) {
  struct Case {
    std::vector<const char*> arguments;
    bool asked;
    std::string output, config;
    double scale;
    std::vector<std::string> rest;
    std::string problem;
  };
  const Case cases[] = {
      {{"41710"}, false, "", "", 1, {}, ""},
      {{"--screenshot", "w.png"}, true, "w.png", "", 1, {}, ""},
      {{"41710", "--screenshot", "w.png", "--scale", "1.5", "--config", "a b.ini"},
       true,
       "w.png",
       "a b.ini",
       1.5,
       {"41710"},
       ""},
      {{"-platform", "xcb", "--screenshot", "w.png", "100"},
       true,
       "w.png",
       "",
       1,
       {"-platform", "xcb", "100"},
       ""},
      {{"--screenshot"}, true, "", "", 1, {}, "--screenshot needs a value"},
      {{"--screenshot", "w.png", "--scale"}, true, "w.png", "", 1, {}, "--scale needs a value"},
      {{"--screenshot", "w.png", "--scale", "0"},
       true,
       "w.png",
       "",
       1,
       {},
       "--scale takes a factor from 0.25 to 3, not \"0\""},
      {{"--screenshot", "w.png", "--scale", "2x"},
       true,
       "w.png",
       "",
       1,
       {},
       "--scale takes a factor from 0.25 to 3, not \"2x\""},
      {{"--screenshot", "w.png", "--scale", "nan"},
       true,
       "w.png",
       "",
       1,
       {},
       "--scale takes a factor from 0.25 to 3, not \"nan\""},
      {{"--screenshot", ""}, true, "", "", 1, {}, "--screenshot needs a file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments.size()) + " arguments");
    const std::optional<ScreenshotRequest> request = FindScreenshotRequest(c.arguments);
    ASSERT_EQ(request.has_value(), c.asked);
    if (!request) continue;
    EXPECT_EQ(request->problem, c.problem);
    if (!c.problem.empty()) continue;
    EXPECT_EQ(request->output, c.output);
    EXPECT_EQ(request->config, c.config);
    EXPECT_DOUBLE_EQ(request->scale, c.scale);
    EXPECT_EQ(request->rest, c.rest);
  }
}

TEST(EarlyOptionsTest, UsageListsEverySwitchTheFilesAndTheEnvironment) {
  const std::string usage = UsageText();
  for (const SwitchName& row : SwitchTable()) {
    char bit[9];
    std::snprintf(bit, sizeof bit, "%08X", row.bit);
    EXPECT_NE(usage.find(std::string(bit) + "  " + row.name), std::string::npos) << row.name;
  }
  for (const char* word :
       {"KAVRIN_CFG.ini", "Default.bin", "KAVRIN_SIMULATOR", "KAVRIN_CODEPAGE", "kavrin --help"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  EXPECT_EQ(usage.back(), '\n');
  EXPECT_EQ(VersionText(), "kavrintool 20130418-1 (ZK742 User)\n");
}

struct DisplayCase {
  const char* name;
  std::vector<const char*> arguments;
  std::map<std::string, std::string> environment;
  bool missing;
};

TEST(EarlyOptionsTest, DisplayIsMissingOnlyWhereThePlatformNeedsOneThatIsNotSet) {
  const DisplayCase cases[] = {
      {"nothing set", {}, {}, true},
      {"empty DISPLAY", {}, {{"DISPLAY", ""}}, true},
      {"X11", {}, {{"DISPLAY", ":0"}}, false},
      {"Wayland", {}, {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
      {"offscreen by variable", {}, {{"QT_QPA_PLATFORM", "offscreen"}}, false},
      {"vnc with options", {}, {{"QT_QPA_PLATFORM", "vnc:size=800x600"}}, false},
      {"xcb without DISPLAY", {}, {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "w"}}, true},
      {"xcb with DISPLAY", {}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":1"}}, false},
      {"fallback list", {}, {{"QT_QPA_PLATFORM", "xcb;offscreen"}}, false},
      {"argument wins", {"-platform", "offscreen"}, {{"QT_QPA_PLATFORM", "xcb"}}, false},
      {"argument xcb", {"-platform", "xcb"}, {{"QT_QPA_PLATFORM", "offscreen"}}, true},
      {"unknown platform", {}, {{"QT_QPA_PLATFORM", "someday"}}, false},  // the toolkit says
  };
  for (const DisplayCase& c : cases) {
    SCOPED_TRACE(c.name);
    const EnvironmentReader environment = [&c](const char* name) -> const char* {
      auto it = c.environment.find(name);
      return it == c.environment.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(DisplayMissing(c.arguments, environment), c.missing);
  }
  const std::string message = NoDisplayMessage();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
  EXPECT_NE(message.find("kavrin command"), std::string::npos);
}

}  // namespace
}  // namespace kavrin
