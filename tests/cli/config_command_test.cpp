// `kavrin config`: the configuration the window would load, as text, JSON or findings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <sys/stat.h>

#include "tests/support/ordinary_user.h"
#endif

#include "config/resources.h"
#include "config/text_codec.h"
#include "tests/cli/run_kavrin.h"
#include "tests/config/embedded_text.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using nlohmann::json;
using test::RunKavrin;

// One item with a Chinese option, a test item, one information row and one device name.
constexpr std::string_view kSmallFile =
    "[ITEM_LIST]\nITEM_NO=1\nITEM_000=LANG\n"
    "[LANG]\nTITLE=Language\nWORD_IDX=1\nSTART_BIT=5\nDATA_LEN=4\nOPTION_NO=2\n"
    "OPTION_0=English\nOPTION_1=繁中\nDEFAULT_OPTION=1\n"
    "[TEST_ITEM_LIST]\nITEM_NO=1\nITEM_000=T\n[T]\nTITLE=Key\nWORD_IDX=16\nSTART_BIT=1\nDATA_LEN="
    "1\n"
    "[INFO_LAYOUT]\nITEM_NO=1\nTITLE_000=Model\nCMD_ID_000=MODEL_NAME\n"
    "[DEVICE]\nNO=1\n0=ZK742\n";

class ConfigCommandTest : public testing::Test {
 protected:
  test::TempDir work;
};

TEST_F(ConfigCommandTest, JsonInAnEmptyFolderShowsTheDefaultAndLeavesTheFolderEmpty) {
  const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(work.List().empty());
  const json config = json::parse(run.out);

  std::vector<std::string> keys;
  for (const auto& [key, value] : config.items()) keys.push_back(key);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"command", "encoding", "friendlyNames", "infoPanel",
                                            "itemLayout", "items", "languagePanel", "logoPanel",
                                            "ok", "schema", "source", "testItems", "testPanel",
                                            "windowLayout"}));
  EXPECT_EQ(config["source"], "built-in default (no " + (work / "KAVRIN_CFG.ini").string() + ")");
  EXPECT_EQ(config["encoding"], "UTF-16LE with byte-order mark");

  std::vector<std::string> titles;
  for (const json& item : config["items"]) titles.push_back(item["title"]);
  EXPECT_EQ(titles,
            (std::vector<std::string>{"Cycle Time", "TV System", "Slideshow", "Power Saving",
                                      "Date Stamp", "Flicker", "Volume", "Voice Recording",
                                      "Record LED Off", "EV", "Roate Video 180°"}));
  EXPECT_EQ(config["items"][9],
            json::parse(R"({"title":"EV","wordIndex":1,"startBit":12,"bitLength":3,"option":2,
                            "options":["-1","-0.5","0","+0.5","+1","+1.5","+2"]})"));
  EXPECT_TRUE(config["testItems"].empty());
  EXPECT_EQ(config["infoPanel"]["rows"],
            json::parse(R"([{"title":"Model","commandCode":4},{"title":"HW Ver","commandCode":7},
                            {"title":"FW Ver","commandCode":5}])"));
  ASSERT_EQ(config["languagePanel"]["entries"].size(), 16u);
  EXPECT_EQ(config["languagePanel"]["entries"][0],
            json::parse(R"({"title":"英文","selectFlag":1,"enableFlag":1})"));
  EXPECT_EQ(config["languagePanel"]["title"], "支援語言");
  EXPECT_EQ(config["friendlyNames"], json::parse(R"(["ZK742","Driving Recorder"])"));
  EXPECT_EQ(config["logoPanel"]["logoTexts"], json::parse(R"([""])"));
  EXPECT_EQ(config["windowLayout"], json::parse(R"({"width":600,"height":500})"));
  EXPECT_EQ(config["itemLayout"]["itemsPerColumn"], 18);
  EXPECT_EQ(config["testPanel"]["titleWidth"], 120);
}

TEST_F(ConfigCommandTest, JsonOfAGivenFileCarriesItsValues) {
  work.Write("small.ini", kSmallFile);
  const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--json", "--file", "small.ini"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const json config = json::parse(run.out);
  EXPECT_EQ(config["items"], json::parse(R"([{"title":"Language","wordIndex":1,"startBit":5,
      "bitLength":4,"option":1,"options":["English","繁中"]}])"));
  EXPECT_EQ(config["testItems"], json::parse(R"([{"title":"Key","wordIndex":16,"startBit":1,
      "bitLength":1,"testCode":4113}])"));
  EXPECT_EQ(config["friendlyNames"], json::parse(R"(["ZK742"])"));
  // Keys the file lacks take the built-in values, not those of the shipped default.
  EXPECT_EQ(config["windowLayout"], json::parse(R"({"width":320,"height":440})"));
  EXPECT_TRUE(config["languagePanel"]["entries"].empty());
}

TEST_F(ConfigCommandTest, FileInTheCurrentFolderIsTheOneLoaded) {
  work.Write("KAVRIN_CFG.ini", kSmallFile);
  const test::KavrinRun run = RunKavrin(work.Path(), {"config"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Configuration: " + (work / "KAVRIN_CFG.ini").string()), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"Language\": word 1, bits 5-8, default option 1"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("    * 1  繁中"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"Key\": test code 0x1011"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"Model\": command 4 (MODEL_NAME)"), std::string::npos) << run.out;
  EXPECT_EQ(work.List(), (std::vector<std::string>{"KAVRIN_CFG.ini"}));
}

TEST_F(ConfigCommandTest, ReadableListingOfTheDefaultNamesItsSource) {
  const test::KavrinRun run = RunKavrin(work.Path(), {"config"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Configuration: built-in default", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\"Roate Video 180°\": word 1, bit 15"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Device names (2): \"ZK742\" \"Driving Recorder\""), std::string::npos);
  EXPECT_TRUE(work.List().empty());
}

struct ExitCase {
  const char* name;
  std::vector<std::string> args;
  const char* file;  // written as bad.ini first when not null
  int exitCode;
  const char* inOut;  // expected in stdout ("" for nothing particular)
  const char* inErr;  // expected in stderr
};

void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.name; }

class ConfigCommandExitTest : public testing::TestWithParam<ExitCase> {};

TEST_P(ConfigCommandExitTest, ExitStatusAndMessages) {
  const ExitCase& c = GetParam();
  test::TempDir work;
  if (c.file != nullptr) work.Write("bad.ini", std::string(c.file));
  const test::KavrinRun run = RunKavrin(work.Path(), c.args);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
  EXPECT_NE(run.out.find(c.inOut), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigCommandExitTest,
    testing::Values(
        ExitCase{"check_default_is_clean", {"config", "--check"}, nullptr, 0, "", "no findings"},
        ExitCase{"check_clean_file",
                 {"config", "--check", "--file", "bad.ini"},
                 "[WINDOW_LAYOUT]\nWIDTH=600\nHEIGHT=500\n"
                 "[DEVICE]\nNO=1\n0=ZK742\n[ITEM_LIST]\nITEM_NO=0\n",
                 0,
                 "",
                 "no findings"},
        ExitCase{"check_overlap",
                 {"config", "--check", "--file", "bad.ini"},
                 "[WINDOW_LAYOUT]\nWIDTH=600\nHEIGHT=500\n[ITEM_LAYOUT]\nSTART_Y=90\n"
                 "[DEVICE]\nNO=1\n0=ZK742\n[ITEM_LIST]\nITEM_NO=2\nITEM_000=A\nITEM_001=A\n"
                 "[A]\nTITLE=A\nDATA_LEN=1\nOPTION_NO=1\nOPTION_0=x\n",
                 1,
                 "[ITEM_LIST] ITEM_001: names [A] again",
                 "1 finding"},
        ExitCase{"check_unknown_command",
                 {"config", "--check", "--file", "bad.ini"},
                 "[DEVICE]\nNO=1\n0=ZK742\n[ITEM_LIST]\nITEM_NO=0\n[INFO_LAYOUT]\nITEM_NO=1\n"
                 "CMD_ID_000=FW_VERSON\n",
                 1,
                 "[INFO_LAYOUT] CMD_ID_000: \"FW_VERSON\" is not a known command",
                 ""},
        ExitCase{"missing_file",
                 {"config", "--file", "absent.ini"},
                 nullptr,
                 1,
                 "",
                 "kavrin: cannot read absent.ini: No such file or directory\n"},
        ExitCase{"missing_file_check",
                 {"config", "--check", "--file", "absent.ini"},
                 nullptr,
                 1,
                 "",
                 "kavrin: cannot read absent.ini: No such file or directory\n"},
        ExitCase{"folder_as_file",
                 {"config", "--json", "--file", "."},
                 nullptr,
                 1,
                 "",
                 "kavrin: cannot read .: a folder, not a regular file\n"},
        ExitCase{"check_with_json",
                 {"config", "--check", "--json", "--file", "bad.ini"},
                 "[WINDOW_LAYOUT]\nWIDTH=600\nHEIGHT=500\n[ITEM_LAYOUT]\nSTART_Y=90\n"
                 "[DEVICE]\nNO=1\n0=ZK742\n[ITEM_LIST]\nITEM_NO=2\nITEM_000=A\nITEM_001=A\n"
                 "[A]\nTITLE=A\nDATA_LEN=1\nOPTION_NO=1\nOPTION_0=x\n",
                 1,
                 "\"text\":\"[ITEM_LIST] ITEM_001: names [A] again",
                 "1 finding"},
        ExitCase{"config_alias",
                 {"config", "--config", "absent.ini"},
                 nullptr,
                 1,
                 "",
                 "kavrin: cannot read absent.ini: No such file or directory\n"},
        ExitCase{"unknown_switch", {"config", "--bogus"}, nullptr, 2, "", "bogus"}),
    [](const testing::TestParamInfo<ExitCase>& param) { return std::string(param.param.name); });

// A file without a byte-order mark is read in the ANSI code page (KAVRIN_CODEPAGE), UTF-16
// without a mark by its zero bytes; the command names the encoding it read.
struct EncodingCase {
  const char* name;
  const char* codePage;
  std::string bytes;
  const char* encoding;
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }

std::string Utf16LeWithoutMark(std::string_view utf8) {
  std::string bytes;
  for (char16_t c : FromUtf8(utf8)) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

class ConfigEncodingTest : public testing::TestWithParam<EncodingCase> {};

TEST_P(ConfigEncodingTest, ShowsTheTitlesAndNamesTheEncoding) {
  const EncodingCase& c = GetParam();
  test::TempDir work;
  work.Write("line.ini", c.bytes);
  const test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", c.codePage);
  const test::KavrinRun asJson = RunKavrin(work.Path(), {"config", "--json", "--file", "line.ini"});
  ASSERT_EQ(asJson.exitCode, 0) << asJson.err;
  const json config = json::parse(asJson.out);
  EXPECT_EQ(config["encoding"], c.encoding);
  EXPECT_EQ(config["items"][0]["title"], "語言");
  EXPECT_EQ(config["items"][0]["options"], json::parse(R"(["英文","繁體中文"])"));
  const test::KavrinRun text = RunKavrin(work.Path(), {"config", "--file", "line.ini"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find(std::string("\nEncoding: ") + c.encoding + "\n"), std::string::npos)
      << text.out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigEncodingTest,
    testing::Values(
        // "語言", "英文", "繁體中文" in Big5, from a line that configures in Taiwan.
        EncodingCase{"Big5WithoutMark", "BIG5",
                     "[ITEM_LIST]\nITEM_NO=1\nITEM_000=LANG\n[LANG]\nTITLE=\xBB\x79\xA8\xA5\n"
                     "OPTION_NO=2\nOPTION_0=\xAD\x5E\xA4\xE5\n"
                     "OPTION_1=\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5\n",
                     "BIG5 (ANSI code page, no byte-order mark)"},
        EncodingCase{"Utf16LeWithoutMark", "BIG5",
                     Utf16LeWithoutMark("[ITEM_LIST]\r\nITEM_NO=1\r\nITEM_000=LANG\r\n[LANG]\r\n"
                                        "TITLE=語言\r\nOPTION_NO=2\r\nOPTION_0=英文\r\n"
                                        "OPTION_1=繁體中文\r\n"),
                     "UTF-16LE without byte-order mark"},
        // What Notepad saves: no mark, UTF-8 text, on a Windows whose ANSI code page is Big5.
        EncodingCase{"Utf8WithoutMarkInABig5CodePage", "BIG5",
                     "[ITEM_LIST]\nITEM_NO=1\nITEM_000=LANG\n[LANG]\nTITLE=語言\nOPTION_NO=2\n"
                     "OPTION_0=英文\nOPTION_1=繁體中文\n",
                     "UTF-8 without byte-order mark"}),
    [](const auto& param) { return std::string(param.param.name); });

// A mark-less file that reads both as UTF-8 and as the ANSI code page is a finding: the author
// learns which reading was taken and how to make it one.
TEST(ConfigCheckEncodingTest, AFileThatReadsEitherWayIsAFinding) {
  test::TempDir work;
  work.Write("line.ini", std::string("[DEVICE]\nNO=1\n0=ZK742\n[ITEM_LIST]\nITEM_NO=0\n"
                                     "[INFO_LAYOUT]\nITEM_NO=1\nTITLE_000=Z\xC3\xBCrich\n"
                                     "CMD_ID_000=MODEL_NAME\n"));
  const std::string finding =
      "the file has no byte-order mark and reads both as UTF-8 (the reading taken) and as CP1252";
  {
    const test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", "CP1252");
    const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--check", "--file", "line.ini"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.out.find(finding), std::string::npos) << run.out;
  }
  // Where the ANSI code page is UTF-8 there is one reading only.
  const test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", "UTF-8");
  const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--check", "--file", "line.ini"});
  EXPECT_EQ(run.out.find("byte-order mark"), std::string::npos) << run.out;
}

TEST_F(ConfigCommandTest, AnUnknownCodePageIsRefusedByName) {
  const test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", "KLINGON");
  const test::KavrinRun run = RunKavrin(work.Path(), {"config"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "kavrin: KAVRIN_CODEPAGE=\"KLINGON\" is not a code page this system can convert; "
            "unset it or name one such as BIG5, CP1252 or UTF-8\n");
  const test::KavrinRun asJson = RunKavrin(work.Path(), {"kavrin", "--json"});
  EXPECT_EQ(asJson.exitCode, 2);
  const json document = json::parse(asJson.out);
  EXPECT_EQ(document["command"], "kavrin");
  EXPECT_EQ(document["reason"], "code-page");
}

// Help and the version convert no text: a line whose KAVRIN_CODEPAGE is wrong can still ask
// how to put it right. A command that converts text is still refused.
TEST_F(ConfigCommandTest, HelpAndVersionWorkWhateverTheCodePage) {
  const test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", "KLINGON");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string outHas;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Subcommands:"},
      {{"--version"}, 0, "kavrin " KAVRIN_VERSION},
      {{"station", "--help"}, 0, "--count"},
      {{"help"}, 0, "Subcommands:"},
      {{"help", "block", "show"}, 0, "block show [OPTIONS]"},
      {{"devices"}, 2, ""},
      {{"block", "show", "x.bin"}, 2, ""},
  };
  for (const Case& c : cases) {
    const test::KavrinRun run = RunKavrin(work.Path(), c.args);
    SCOPED_TRACE(c.args.front());
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    if (c.exitCode == 0) {
      EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_NE(run.err.find("KAVRIN_CODEPAGE=\"KLINGON\""), std::string::npos) << run.err;
    }
  }
}

// A mistyped command is named, with the commands it could have been; help names them too.
TEST_F(ConfigCommandTest, AnUnknownCommandIsNamedWithTheList) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{"bogus"}, "unknown command 'bogus'; the commands are: config, block, devices, "},
      {{"block", "shwo", "a.bin"}, "unknown command 'block shwo'; the commands are: new, show"},
      {{"help", "bogus"}, "unknown command 'bogus'; the commands are: config, block, "},
      {{"help", "block", "shwo"}, "unknown command 'block shwo'; the commands are: new, show"},
  };
  for (const Case& c : cases) {
    const test::KavrinRun run = RunKavrin(work.Path(), c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args.front();
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
  }
  std::vector<std::string> asJson = {"bogus", "--json"};
  const test::KavrinRun run = RunKavrin(work.Path(), asJson);
  EXPECT_EQ(run.exitCode, 2);
  const json document = json::parse(run.out);
  EXPECT_EQ(document["reason"], "usage");
  EXPECT_NE(document["message"].get<std::string>().find("unknown command 'bogus'"),
            std::string::npos);
}

#ifndef _WIN32  // a file mode that denies reading, and a user it applies to
TEST_F(ConfigCommandTest, AnUnreadableFileInTheFolderIsReportedAsUnreadableNotMissing) {
  const std::optional<std::string> launcher = test::OrdinaryUserLauncher();
  const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
  if (!launcher || !user) GTEST_SKIP() << "cannot run kavrin as an ordinary user";
  work.Write("KAVRIN_CFG.ini", kSmallFile);
  ::chmod((work / "KAVRIN_CFG.ini").c_str(), 0);
  test::GiveTreeTo(work.Path(), *user);
  const test::KavrinRun run = RunKavrin(work.Path(), {"config"}, *launcher);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "kavrin: cannot read " + (work / "KAVRIN_CFG.ini").string() +
                         ": Permission denied (the window uses the built-in default instead)\n");
}
#endif

TEST_F(ConfigCommandTest, FailedRunPrintsNothingOnStdoutButItsJsonDocument) {
  test::KavrinRun run = RunKavrin(work.Path(), {"config", "--file", "absent.ini"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  run = RunKavrin(work.Path(), {"config", "--json", "--file", "absent.ini"});
  EXPECT_EQ(run.exitCode, 1);
  const json document = json::parse(run.out);
  EXPECT_EQ(document["ok"], false);
  EXPECT_EQ(document["reason"], "config-unreadable");
  EXPECT_NE(document["message"].get<std::string>().find("absent.ini"), std::string::npos);
}

TEST_F(ConfigCommandTest, CheckPrintsOneLinePerFindingAndNothingElse) {
  work.Write("bad.ini",
             std::string("[WINDOW_LAYOUT]\nWIDTH=600\nHEIGHT=500\n[ITEM_LAYOUT]\nSTART_Y=90\n"
                         "[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n[A]\nTITLE=A\nWORD_IDX=40\n"
                         "DATA_LEN=1\nOPTION_NO=2\nDEFAULT_OPTION=5\n"));
  const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--check", "--file", "bad.ini"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out,
            "[A] WORD_IDX: word 40 lies beyond word 39, the last the recorder keeps; the field "
            "reads 0 and is never stored\n"
            "[A] DEFAULT_OPTION: 5 names no option (OPTION_0 to OPTION_1); the list starts with no "
            "selection and the field is stored as all ones\n"
            "[A] OPTION_0 to OPTION_1: missing; these options show an empty text\n"
            "[DEVICE]: no device names; the recorder is never looked for\n");
}

TEST_F(ConfigCommandTest, CheckSeesTheWindowTheFileBuilds) {
  const std::string shipped = test::EmbeddedDefaultUtf8();
  const struct {
    const char* name;
    std::string file;
    int exitCode;
    const char* firstLine;  // the start of stdout
    const char* count;      // in stderr
  } cases[] = {
      {"shipped", shipped, 0, "", "no findings"},
      {"engine_tests_on",
       test::Replaced(shipped, "[TEST_ITEM_LIST]\r\nITEM_NO=0", "[TEST_ITEM_LIST]\r\nITEM_NO=5"), 1,
       "[TEST_ITEM_LIST] ITEM_000: the label and result of test [TEST_KEY] (x 350 to 594, y 200 "
       "to 220) overlap the box of the date stamp logo",
       "2 findings"},
      {"info_start_x_at_int_max",
       test::Replaced(shipped, "START_X=350 \r\nSTART_Y=100", "START_X=2147483647 \r\nSTART_Y=100"),
       1,
       "[INFO_LAYOUT] TITLE_000: the label and text box of information row TITLE_000 (\"Model\") "
       "(x 2147483647 to 2147483911, y 100 to 120) lie beyond any screen",
       "3 findings"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // With a byte-order mark: UTF-8 whatever code page the test runs in.
    work.Write("layout.ini", "\xEF\xBB\xBF" + c.file);
    const test::KavrinRun run =
        RunKavrin(work.Path(), {"config", "--check", "--file", "layout.ini"});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    EXPECT_EQ(run.out.rfind(c.firstLine, 0), 0u) << run.out;
    EXPECT_NE(run.err.find(c.count), std::string::npos) << run.err;
  }
}

std::string BuiltInConfigBytes() {
  const auto data = FindResourceData(kDefaultConfigResourceId, kTextResourceType);
  return data ? std::string(data->begin(), data->end()) : std::string();
}

TEST_F(ConfigCommandTest, WriteDefaultGivesTheWindowsBytesAndKeepsAnExistingFile) {
  const std::string builtIn = BuiltInConfigBytes();
  ASSERT_GT(builtIn.size(), 2u);
  ASSERT_EQ(builtIn.substr(0, 2), "\xFF\xFE");  // UTF-16LE with its mark, as the window has it

  test::KavrinRun run = RunKavrin(work.Path(), {"config", "--write-default", "new.ini"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(work.Read("new.ini"), builtIn);

  // Someone's work is never replaced without being asked.
  work.Write("mine.ini", "[DEVICE]\nNO=1\n0=Mine\n");
  run = RunKavrin(work.Path(), {"config", "--write-default", "mine.ini"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "kavrin: mine.ini exists; --force replaces it\n");
  EXPECT_EQ(work.Read("mine.ini"), "[DEVICE]\nNO=1\n0=Mine\n");

  run = RunKavrin(work.Path(), {"config", "--write-default", "mine.ini", "--force", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(json::parse(run.out)["written"], "mine.ini");
  EXPECT_EQ(work.Read("mine.ini"), builtIn);

  // It writes; it does not also check or load another file.
  run = RunKavrin(work.Path(), {"config", "--write-default", "x.ini", "--check"});
  EXPECT_EQ(run.exitCode, 2);
  run = RunKavrin(work.Path(), {"config", "--force"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(work / "x.ini"));
}

#ifndef _WIN32
TEST_F(ConfigCommandTest, WriteDefaultDoesNotCreateTheTargetOfADanglingLink) {
  std::filesystem::create_symlink(work / "elsewhere.ini", work / "link.ini");
  const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--write-default", "link.ini"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(work / "elsewhere.ini"));
}

// The examples the package installs for the authors of a configuration check clean, the
// built-in configuration as --write-default writes it included.
TEST_F(ConfigCommandTest, ShippedExamplesCheckClean) {
  const std::filesystem::path examples =
      std::filesystem::path(KAVRIN_SOURCE_DIR) / "resources/examples";
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    std::ifstream in(entry.path(), std::ios::binary);
    work.Write(entry.path().filename().string(),
               std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names, (std::vector<std::string>{"engine-tests.ini", "many-items.ini"}));
  ASSERT_EQ(RunKavrin(work.Path(), {"config", "--write-default", "KAVRIN_CFG.ini"}).exitCode, 0);
  names.push_back("KAVRIN_CFG.ini");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const test::KavrinRun run = RunKavrin(work.Path(), {"config", "--check", "--config", name});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no findings"), std::string::npos) << run.err;
  }
  // The engine tests really are on, and the many items really are there.
  json config =
      json::parse(RunKavrin(work.Path(), {"config", "--json", "--config", "engine-tests.ini"}).out);
  EXPECT_EQ(config["testItems"].size(), 5u);
  config =
      json::parse(RunKavrin(work.Path(), {"config", "--json", "--config", "many-items.ini"}).out);
  EXPECT_EQ(config["items"].size(), 30u);
}
#endif

}  // namespace
}  // namespace kavrin
