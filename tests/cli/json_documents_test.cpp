// Every command with --json prints exactly one JSON document, on success and on failure, with
// the schema version, the command, ok, and on failure a reason code and a message; a command
// that reached a recorder names it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/cli/recorder_fixture.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;
using test::CommandResult;

class JsonDocumentsTest : public test::SimulatedRecorderTest {};

struct DocumentCase {
  const char* what;
  std::vector<std::string> arguments;
  bool plugged;
  uint32_t failingTest;  // a test code answered NG; 0 for none
  const char* command;
  const char* reason;  // nullptr: ok
  bool namesRecorder;
};

TEST_F(JsonDocumentsTest, EveryCommandPrintsOneDocument) {
  dir_.Write("send.bin", std::string(112, '\0'));
  const DocumentCase cases[] = {
      {"devices", {"devices"}, true, 0, "devices", nullptr, false},
      {"devices without", {"devices"}, false, 0, "devices", "no-recorder", false},
      {"info", {"info"}, true, 0, "info", nullptr, true},
      {"test", {"test"}, true, 0, "test", nullptr, true},
      {"test NG", {"test"}, true, 0x1011, "test", "engine-test-ng", true},
      {"read", {"read", "-o", "out.bin"}, true, 0, "read", nullptr, true},
      {"read unwritable",
       {"read", "-o", "no/folder/out.bin"},
       true,
       0,
       "read",
       "output-unwritable",
       true},
      {"write", {"write", "send.bin"}, true, 0, "write", nullptr, true},
      {"kavrin", {"kavrin"}, true, 0, "kavrin", nullptr, true},
      {"kavrin NG", {"kavrin"}, true, 0x1031, "kavrin", "engine-test-ng", true},
      {"kavrin without", {"kavrin"}, false, 0, "kavrin", "no-recorder", false},
      {"kavrin bad --set",
       {"kavrin", "--set", "Mode=1"},
       true,
       0,
       "kavrin",
       "invalid-setting",
       false},
      {"kavrin bad option", {"kavrin", "--bogus"}, true, 0, "kavrin", "usage", false},
      {"kavrin bad -d",
       {"kavrin", "-d", "serial:nobody"},
       true,
       0,
       "kavrin",
       "no-such-device",
       false},
      {"block show", {"block", "show", "send.bin"}, false, 0, "block show", nullptr, false},
      {"block show missing",
       {"block", "show", "none.bin"},
       false,
       0,
       "block show",
       "block-file",
       false},
      {"block new", {"block", "new", "-o", "new.bin"}, false, 0, "block new", nullptr, false},
      {"config", {"config"}, false, 0, "config", nullptr, false},
      // The test configuration's layout leaves the window's controls outside it.
      {"config --check", {"config", "--check"}, false, 0, "config", "config-findings", false},
  };
  for (const DocumentCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(StatePath());
    if (c.plugged) {
      sim::RecorderState recorder;
      if (c.failingTest != 0) recorder.testResults[c.failingTest] = 0;
      Plug(recorder);
    }
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back("--json");
    const CommandResult run = Run(arguments);
    ASSERT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line: " << run.out;
    const json document = json::parse(run.out);
    EXPECT_EQ(document["schema"], 1);
    EXPECT_EQ(document["command"], c.command);
    EXPECT_EQ(document["ok"], c.reason == nullptr) << run.out;
    EXPECT_EQ(run.exitCode == kExitOk, c.reason == nullptr);
    if (c.reason != nullptr) {
      EXPECT_EQ(document["reason"], c.reason);
      EXPECT_FALSE(document["message"].get<std::string>().empty());
    }
    if (c.namesRecorder) {
      EXPECT_EQ(
          document["device"],
          json({{"node", StatePath()}, {"port", ""}, {"serial", "recorder"}, {"name", "ZK742"}}));
    }
  }
}

}  // namespace
}  // namespace kavrin::cli
