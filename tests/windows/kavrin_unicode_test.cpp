// kavrin.exe with names beyond the ANSI code page: folders given on the command line are the
// folders written (not their best-fit ANSI look-alikes), and the names come back whole in JSON.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/fake_device_registry.h"

namespace kavrin {
namespace {

struct FolderCase {
  const char* name;
  std::string utf8;        // the folder as typed
  std::wstring wide;       // the same name as the file system holds it
  std::wstring lookAlike;  // an existing folder the ANSI code page would turn it into, or empty
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }

class KavrinUnicodeTest : public testing::TestWithParam<FolderCase> {
 protected:
  test::FakeRecorders recorders_;
  test::TempDir work_;
};

TEST_P(KavrinUnicodeTest, ReadWritesIntoTheNamedFolderAndNamesItInJson) {
  const FolderCase& c = GetParam();
  sim::RecorderState state;
  state.settings[0] = 0x5A;
  recorders_.Add(0, L"ZK742", state);
  const std::filesystem::path folder = work_.Path() / c.wide;
  std::filesystem::create_directory(folder);
  if (!c.lookAlike.empty()) std::filesystem::create_directory(work_.Path() / c.lookAlike);

  const std::string output = c.utf8 + "/block.bin";
  const test::ProgramRun run =
      test::RunProgram(test::BuiltFile(KAVRIN_BIN), {"read", "-o", output, "--json"}, work_.Path());
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  const nlohmann::json document = nlohmann::json::parse(run.out);
  EXPECT_EQ(document["file"], output) << run.out;

  std::error_code ec;
  EXPECT_EQ(std::filesystem::file_size(folder / L"block.bin", ec), 112u) << ec.message();
  // Nothing anywhere else: the work folder holds the named folder (and the look-alike, empty).
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work_.Path())) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(files, 1u);
}

INSTANTIATE_TEST_SUITE_P(Folders, KavrinUnicodeTest,
                         testing::Values(FolderCase{"FullwidthA", "\xEF\xBC\xA1", L"\uFF21", L"A"},
                                         FolderCase{"Cyrillic", "Москва",
                                                    L"\u041C\u043E\u0441\u043A\u0432\u0430", L""},
                                         FolderCase{"Chinese", "台北", L"\u53F0\u5317", L""},
                                         FolderCase{"Western", "Zürich", L"Z\u00FCrich", L""}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavrin
