// Load, Save, Set Def. and the default block file, driven through the window's buttons.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/text_codec.h"
#include "tests/ui/main_window_harness.h"

namespace kavrin::test {
namespace {

constexpr uint32_t kFileButtons = SAVE_BIN | LOAD_BIN | SET_DEFAULT;

// Letters, so that the logo field always holds plain text.
std::vector<uint8_t> Letters(std::size_t size, char first) {
  std::vector<uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(first + i % 26);
  return bytes;
}

// Every bit set except the logo field, which holds "LOGO".
std::vector<uint8_t> AllOnesWithLogo() {
  std::vector<uint8_t> bytes(SettingsBlock::kSize, 0xFF);
  std::fill(bytes.begin() + 44, bytes.begin() + 60, 0);
  std::copy_n("LOGO", 4, bytes.begin() + 44);
  return bytes;
}

uint16_t WordOf(const std::vector<uint8_t>& bytes, std::size_t index) {
  return static_cast<uint16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

class BlockFilesTest : public MainWindowTest {
 protected:
  void Load(const std::string& name) {
    toolkit.QueueFileDialogAnswer(dir / name);
    ASSERT_TRUE(Win().Click(IDC_LOAD));
  }
  void Save(const std::string& name) {
    toolkit.QueueFileDialogAnswer(dir / name);
    ASSERT_TRUE(Win().Click(IDC_SAVE));
  }
};

TEST_F(BlockFilesTest, SaveThenLoadRestoresEveryItemAndTheLogo) {
  Open(kFileButtons);
  std::vector<int> chosen;
  for (std::size_t i = 0; i < window->items.size(); ++i) {
    const int count = Ctrl(IDC_ITEM_BASE + static_cast<int>(i)).GetCount();
    chosen.push_back(count - 1 - static_cast<int>(i) % count);
    ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE + static_cast<int>(i), chosen.back()));
  }
  ASSERT_TRUE(Win().TypeText(IDC_LOGO, u"KAVRIN 742"));
  Save("round.bin");

  for (std::size_t i = 0; i < window->items.size(); ++i)
    ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE + static_cast<int>(i), 0));
  ASSERT_TRUE(Win().TypeText(IDC_LOGO, u"other"));
  Load("round.bin");

  for (std::size_t i = 0; i < window->items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Ctrl(IDC_ITEM_BASE + static_cast<int>(i)).GetCurSel(), chosen[i]);
    EXPECT_TRUE(Ctrl(IDC_ITEM_BASE + static_cast<int>(i)).IsEnabled());
  }
  EXPECT_EQ(Ctrl(IDC_LOGO).Text(), u"KAVRIN 742");
  EXPECT_TRUE(Ctrl(IDC_LOGO).IsEnabled());
}

TEST_F(BlockFilesTest, SaveWritesOnlyWhatTheControlsCover) {
  Open(kFileButtons);
  WriteBlockFile("ones.bin", AllOnesWithLogo());
  Load("ones.bin");
  Save("saved.bin");
  const std::vector<uint8_t> saved = ReadFile("saved.bin");
  ASSERT_EQ(saved.size(), SettingsBlock::kSize);
  // Fields whose value has no option come back as all ones, uncovered bits as zero.
  EXPECT_EQ(WordOf(saved, 0), 0xDBF0);
  EXPECT_EQ(WordOf(saved, 1), 0xF21F);
  for (std::size_t word = 2; word < 56; ++word) {
    SCOPED_TRACE(word);
    const uint16_t expected = word == 22 ? 0x4F4C : word == 23 ? 0x4F47 : 0;  // "LOGO"
    EXPECT_EQ(WordOf(saved, word), expected);
  }
}

TEST_F(BlockFilesTest, SetDefaultKeepsUncoveredBitsAndTheNote) {
  Open(kFileButtons);
  WriteBlockFile("ones.bin", AllOnesWithLogo());
  Load("ones.bin");
  ASSERT_TRUE(Win().Click(IDC_SET_DEFAULT));
  EXPECT_EQ(ReadFile("Default.bin"), AllOnesWithLogo());
  EXPECT_EQ(toolkit.FileDialogRuns(), 1);  // Set Def. asks nothing
}

struct PartialFileCase {
  const char* name;
  std::size_t size;
};
void PrintTo(const PartialFileCase& c, std::ostream* os) { *os << c.name; }

class PartialFileTest : public BlockFilesTest,
                        public ::testing::WithParamInterface<PartialFileCase> {};

TEST_P(PartialFileTest, ReplacesOnlyTheBytesTheFileHolds) {
  Open(kFileButtons);
  WriteBlockFile("base.bin", Letters(SettingsBlock::kSize, 'a'));
  Load("base.bin");
  const std::vector<uint8_t> before = Block();

  const std::vector<uint8_t> file = Letters(GetParam().size, 'A');
  WriteBlockFile("part.bin", file);
  Load("part.bin");

  std::vector<uint8_t> expected = before;
  std::copy_n(file.begin(), std::min(file.size(), expected.size()), expected.begin());
  EXPECT_EQ(Block(), expected);
  // The lists show the mixture.
  for (const SettingItem& item : window->items) {
    EXPECT_EQ(item.option, window->GetBits(item.wordIndex, item.startBit, item.bitLength));
  }
  const std::string logo = window->GetText(22, 8);
  EXPECT_EQ(ToUtf8(Ctrl(IDC_LOGO).Text()), logo.substr(0, logo.find('\0')));
}

INSTANTIATE_TEST_SUITE_P(Sizes, PartialFileTest,
                         ::testing::Values(PartialFileCase{"Empty", 0},
                                           PartialFileCase{"Fifty", 50},
                                           PartialFileCase{"Whole", 112},
                                           PartialFileCase{"TwoHundred", 200}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(BlockFilesTest, UnreadableFileKeepsTheBlockButRefreshesTheControls) {
  Open(kFileButtons);
  const std::vector<uint8_t> before = Block();
  ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE, 3));
  Load("missing.bin");
  EXPECT_EQ(Block(), before);
  EXPECT_EQ(static_cast<uint32_t>(Ctrl(IDC_ITEM_BASE).GetCurSel()), window->items[0].option);
  EXPECT_EQ(Ctrl(IDC_PATH_DISPLAY).Text(), FromUtf8((dir / "missing.bin").string()));
}

TEST_F(BlockFilesTest, CancelledDialogChangesNothing) {
  Open(kFileButtons | DISPLAY_FILE_PATH);
  WriteBlockFile("a.bin", Letters(SettingsBlock::kSize, 'a'));
  Load("a.bin");
  const std::vector<uint8_t> block = Block();
  const std::u16string path = Ctrl(IDC_PATH_DISPLAY).Text();
  const std::vector<std::string> files = dir.List();

  toolkit.QueueFileDialogCancel();
  ASSERT_TRUE(Win().Click(IDC_LOAD));
  toolkit.QueueFileDialogCancel();
  ASSERT_TRUE(Win().Click(IDC_SAVE));

  EXPECT_EQ(Block(), block);
  EXPECT_EQ(Ctrl(IDC_PATH_DISPLAY).Text(), path);
  EXPECT_EQ(dir.List(), files);
}

TEST_F(BlockFilesTest, PathDisplayGetsThePathEvenWhileHidden) {
  Open(LOAD_BIN);
  WriteBlockFile("shown.bin", Letters(SettingsBlock::kSize, 'a'));
  Load("shown.bin");
  EXPECT_FALSE(Ctrl(IDC_PATH_DISPLAY).IsVisible());
  EXPECT_EQ(Ctrl(IDC_PATH_DISPLAY).Text(), FromUtf8((dir / "shown.bin").string()));
}

TEST_F(BlockFilesTest, SaveTakesTheNameAsTypedAndOverwritesWithoutAsking) {
  Open(kFileButtons);
  WriteBlockFile("noext", std::vector<uint8_t>(500, 0xEE));
  Save("noext");
  EXPECT_EQ(ReadFile("noext").size(), SettingsBlock::kSize);
  EXPECT_FALSE(std::filesystem::exists(dir / "noext.bin"));
}

TEST_F(BlockFilesTest, OneFileDialogWithTheBlockFilterServesLoadAndSave) {
  Open(kFileButtons);
  Save("one.bin");
  Load("one.bin");
  EXPECT_EQ(toolkit.FileDialogsCreated(), 1);
  EXPECT_EQ(toolkit.LastFileDialogFilter(), u"BIN (*.bin)|*.bin|All file (*.*)|*.*|");
  EXPECT_EQ(toolkit.FileDialogRuns(), 2);
}

TEST_F(BlockFilesTest, DefaultBinIsShownAtStartUp) {
  std::vector<uint8_t> stored(SettingsBlock::kSize, 0);
  stored[0] = 0x20;  // CYCLE_TIME 2, everything else 0
  stored[2] = 0x03;  // VOLUME 3
  std::copy_n("DEF", 3, stored.begin() + 44);
  stored[100] = 0x5A;  // in the note area
  WriteBlockFile("Default.bin", stored);
  Open();
  EXPECT_EQ(Block(), stored);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE).GetCurSel(), 2);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE + 6).GetCurSel(), 3);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE + 1).GetCurSel(), 0);
  EXPECT_EQ(Ctrl(IDC_LOGO).Text(), u"DEF");
  EXPECT_EQ(window->LoadDefaultFile(), 1);
}

// What sits at ./Default.bin or ./KAVRIN_CFG.ini cannot keep the window from opening: a node
// that is not a file is left alone (never waited on, never replaced) and named on the trace.
struct StartPathCase {
  const char* name;
  const char* file;
  std::function<void(const std::filesystem::path&)> make;
  const char* reason;
  const char* consequence;
};

void PrintTo(const StartPathCase& c, std::ostream* out) { *out << c.name; }

class HostileStartPathTest : public MainWindowTest,
                             public ::testing::WithParamInterface<StartPathCase> {};

TEST_P(HostileStartPathTest, TheWindowOpensAndLeavesItAlone) {
  const StartPathCase& c = GetParam();
  const std::filesystem::path path = dir / c.file;
  c.make(path);
  const auto kind = std::filesystem::symlink_status(path).type();
  Open(SET_DEFAULT);
  EXPECT_EQ(window->items.size(), 11u) << "the built-in configuration and its defaults";
  EXPECT_NE(trace.Text().find("\ncannot read " + path.string() + ": " + c.reason + c.consequence),
            std::string::npos)
      << trace.Text();
  EXPECT_EQ(std::filesystem::symlink_status(path).type(), kind);
}

// Windows has neither FIFOs nor device nodes in a folder: a folder in the file's place is the
// node it can have.
INSTANTIATE_TEST_SUITE_P(Folders, HostileStartPathTest,
                         ::testing::Values(StartPathCase{"FolderDefaultBin", "Default.bin",
                                                         [](const std::filesystem::path& p) {
                                                           std::filesystem::create_directory(p);
                                                         },
                                                         "a folder, not a regular file",
                                                         "; left alone\n"}),
                         [](const auto& param) { return std::string(param.param.name); });

#ifndef _WIN32
void MakeFifo(const std::filesystem::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }

INSTANTIATE_TEST_SUITE_P(
    Nodes, HostileStartPathTest,
    ::testing::Values(StartPathCase{"FifoDefaultBin", "Default.bin", MakeFifo,
                                    "a FIFO, not a regular file", "; left alone\n"},
                      StartPathCase{"FifoConfiguration", "KAVRIN_CFG.ini", MakeFifo,
                                    "a FIFO, not a regular file", "; using the built-in default\n"},
                      StartPathCase{"ConfigurationLinkedToDevZero", "KAVRIN_CFG.ini",
                                    [](const std::filesystem::path& p) {
                                      std::filesystem::create_symlink("/dev/zero", p);
                                    },
                                    "a device node, not a regular file",
                                    "; using the built-in default\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(BlockFilesTest, SetDefaultNeverReplacesAFifoAndSaysWhy) {
  const std::filesystem::path path = dir / "Default.bin";
  MakeFifo(path);
  Open(SET_DEFAULT);
  trace.Clear();
  ASSERT_TRUE(Win().Click(IDC_SET_DEFAULT));
  EXPECT_NE(trace.Text().find("\ncannot write " + path.string() + ": a FIFO, not a regular file\n"),
            std::string::npos)
      << trace.Text();
  EXPECT_TRUE(std::filesystem::is_fifo(path));
}
#endif  // !_WIN32

TEST_F(BlockFilesTest, DefaultPathIsFixedWhenTheWindowIsMade) {
  Open(SET_DEFAULT);
  EXPECT_EQ(window->LoadDefaultFile(), 0);
  TempDir elsewhere;
  ScopedCurrentDir moved(elsewhere.Path());
  ASSERT_TRUE(Win().Click(IDC_SET_DEFAULT));
  EXPECT_EQ(ReadFile("Default.bin").size(), SettingsBlock::kSize);
  EXPECT_TRUE(elsewhere.List().empty());
}

}  // namespace
}  // namespace kavrin::test
