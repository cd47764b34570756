// The options of `kavrin kavrin` that decide what is written: --set by option text or #N,
// --logo, --clock, --verify, and block files that are not 112 bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "config/text_codec.h"
#include "tests/cli/recorder_fixture.h"
#include "tests/device/fault_rule.h"

namespace kavrin::cli {
namespace {

using test::CommandResult;
using test::RunKavrinCommand;

// The broken-down time as seconds since the epoch, read as UTC (timegm, on every platform).
std::time_t UtcSeconds(const std::tm& time) {
  using namespace std::chrono;
  const sys_days date = year{time.tm_year + 1900} / month{static_cast<unsigned>(time.tm_mon + 1)} /
                        day{static_cast<unsigned>(time.tm_mday)};
  return system_clock::to_time_t(date + hours{time.tm_hour} + minutes{time.tm_min} +
                                 seconds{time.tm_sec});
}

class KavrinOptionsTest : public test::SimulatedRecorderTest {
 protected:
  void SetUp() override {
    SetAnsiCharset("UTF-8");
    Plug(sim::RecorderState{});
  }
  void TearDown() override { SetAnsiCharset(""); }
};

// EV (word 1, bits 12-14) has the texts "-1", "-0.5", "0", "+0.5", "+1", "+1.5", "+2": a bare
// "1" is none of them and must not be read as the index 1.
TEST_F(KavrinOptionsTest, SetEvMatchesTextsOnlyAndTakesAnIndexAsHashN) {
  struct Case {
    const char* assignment;
    int exitCode;
    uint32_t ev;  // what the recorder holds afterwards
  } cases[] = {
      {"EV=1", kExitUsage, 0},   {"EV=#1", kExitOk, 1},     {"EV=+1", kExitOk, 4},
      {"ev= +1.5 ", kExitOk, 5}, {"EV=#7", kExitUsage, 0},  {"EV=-0.5", kExitOk, 1},
      {"EV=#01", kExitOk, 1},    {"EV=#-1", kExitUsage, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.assignment);
    Plug(sim::RecorderState{});
    const CommandResult run =
        RunKavrinCommand({"kavrin", "--set", c.assignment});  // shipped configuration
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    const sim::RecorderState state = State();
    if (c.exitCode != kExitOk) {
      EXPECT_EQ(state.transfers, 0u) << "nothing is sent";
      EXPECT_NE(run.err.find("\"+1\", \"+1.5\", \"+2\""), std::string::npos)
          << "the refusal lists the texts: " << run.err;
      continue;
    }
    EXPECT_EQ((state.settings[3] >> 4) & 7, c.ev);
  }
}

TEST_F(KavrinOptionsTest, LogoIsWrittenWholeOrRefusedWithTheReason) {
  // The configuration's logo field: words 22 to 29, 16 bytes.
  struct Case {
    const char* what;
    const char* charset;
    std::string logo;
    int exitCode;
    std::string bytes;  // the field afterwards
    const char* reason;
  } cases[] = {
      {"short", "UTF-8", "ACME", kExitOk, std::string("ACME") + std::string(12, '\0'), ""},
      {"fills the field", "UTF-8", "ABCDEFGHIJKLMNOP", kExitOk, "ABCDEFGHIJKLMNOP", ""},
      {"one byte too many", "UTF-8", "ABCDEFGHIJKLMNOPQ", kExitUsage, "", "holds 16"},
      {"two bytes a character", "UTF-8", "ÄÄÄÄÄÄÄÄÄ", kExitUsage, "", "18 bytes"},
      {"one byte in CP1252", "CP1252", "Café", kExitOk,
       std::string("Caf\xE9") + std::string(12, '\0'), ""},
      {"not in the code page", "ASCII", "Café", kExitUsage, "", "cannot encode"},
      {"empty clears it", "UTF-8", "", kExitOk, std::string(16, '\0'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetAnsiCharset(c.charset);
    Plug(sim::RecorderState{});
    const CommandResult run = Run({"kavrin", "--logo", c.logo});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    const sim::RecorderState state = State();
    if (c.exitCode == kExitOk) {
      EXPECT_EQ(std::string(state.settings.begin() + 44, state.settings.begin() + 60), c.bytes);
    } else {
      EXPECT_EQ(state.transfers, 0u) << "nothing is sent, nothing is cut";
      EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
  }
}

TEST_F(KavrinOptionsTest, LogoFieldOutsideTheRecordersSettingsIsRefused) {
  dir_.Write("far.ini", std::string(test::kRecorderConfig) +
                            "[DATE_STAMP_LOGO]\nNO=1\nLOGO_00=X\nSTART_WORD=40\nWORD_LEN=4\n");
  const CommandResult run =
      RunKavrinCommand({"kavrin", "--logo", "X", "--config", (dir_ / "far.ini").string()});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_NE(run.err.find("outside the settings"), std::string::npos) << run.err;
  EXPECT_EQ(State().transfers, 0u);
}

TEST_F(KavrinOptionsTest, ClockChoosesTheTimeWritten) {
  const CommandResult fixed = Run({"kavrin", "--clock", "2024-02-29T23:59:58"});
  ASSERT_EQ(fixed.exitCode, kExitOk) << fixed.err;
  EXPECT_EQ(State().clock, "2024-02-29T23:59:58");

  const std::time_t before = std::time(nullptr);
  ASSERT_EQ(Run({"kavrin", "--clock", "utc"}).exitCode, kExitOk);
  const std::time_t after = std::time(nullptr);
  std::tm sent{};
  std::istringstream sentText(State().clock);
  sentText >> std::get_time(&sent, "%Y-%m-%dT%H:%M:%S");
  ASSERT_FALSE(sentText.fail()) << sentText.str();
  const std::time_t sentUtc = UtcSeconds(sent);
  EXPECT_GE(sentUtc, before - 1);
  EXPECT_LE(sentUtc, after + 1);

  for (const char* wrong : {"2023-02-29T10:00:00", "2024-13-01T00:00:00", "2024-01-01T24:00:00",
                            "2024-01-01 10:00:00", "yesterday", "2024-1-1T1:0:0"}) {
    SCOPED_TRACE(wrong);
    Plug(sim::RecorderState{});
    const CommandResult run = Run({"kavrin", "--clock", wrong});
    EXPECT_EQ(run.exitCode, kExitUsage);
    EXPECT_NE(run.err.find(wrong), std::string::npos) << run.err;
    EXPECT_EQ(State().transfers, 0u);
  }
}

TEST_F(KavrinOptionsTest, VerifyCatchesARecorderThatAnswersSomethingElse) {
  // The first settings chunk read back succeeds without giving its bytes: the recorder does
  // not hold what was written, as far as anyone can tell.
  sim::RecorderState recorder;
  recorder.faults.rules.push_back(test::Fault().Command(2).Offset(0).OnGet().Status(0));
  Plug(recorder);
  CommandResult run = Run({"kavrin", "--verify", "--set", "Mode=Day", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  const nlohmann::json result = nlohmann::json::parse(run.out);
  EXPECT_EQ(result["reason"], "verify-mismatch");
  EXPECT_EQ(result["verified"], false);
  EXPECT_NE(result["message"].get<std::string>().find("word 2"), std::string::npos)
      << "the first word that differs: " << result["message"];
  EXPECT_EQ(State().commits, (std::vector<uint32_t>{2})) << "the commit went out; verify tells";

  Plug(sim::RecorderState{});
  run = Run({"kavrin", "--verify"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_NE(run.out.find("Verify:   the recorder holds what was written"), std::string::npos);
  EXPECT_EQ(State().transfers, 2u * 2 + 4 + 4) << "tests, clock and write, then the read back";
}

TEST_F(KavrinOptionsTest, BlockFilesThatAreNot112BytesAreRefusedForSendingAndWarnedForShowing) {
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{111}, std::size_t{113}, std::size_t{4096}}) {
    SCOPED_TRACE(size);
    dir_.Write("odd.bin", std::string(size, '\x11'));
    for (const char* command : {"kavrin", "write", "verify"}) {
      SCOPED_TRACE(command);
      const CommandResult run = Run({command, "odd.bin", "--json"});
      EXPECT_EQ(run.exitCode, kExitFailed);
      const nlohmann::json result = nlohmann::json::parse(run.out);
      EXPECT_EQ(result["reason"], "block-file");
      EXPECT_NE(run.err.find("odd.bin holds"), std::string::npos) << run.err;
    }
    const CommandResult shown = Run({"block", "show", "odd.bin"});
    EXPECT_EQ(shown.exitCode, kExitOk);
    EXPECT_NE(shown.err.find("warning: odd.bin holds"), std::string::npos) << shown.err;
  }
  EXPECT_EQ(State().transfers, 0u);
  const CommandResult missing = Run({"write", "absent.bin"});
  EXPECT_NE(missing.err.find("cannot read absent.bin: No such file or directory"),
            std::string::npos)
      << missing.err;
}

}  // namespace
}  // namespace kavrin::cli
