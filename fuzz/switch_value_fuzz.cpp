// The desktop tool's command line of any content: the hexadecimal switch value, the side
// files it asks for and the switches it adds.
//
// Input: the program's arguments, separated by zero bytes.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_setup.h"

namespace kavrin::fuzz {
namespace {

// The rule as the user is told it: each byte is one hexadecimal digit, anything else counts
// 0, and only the last eight digits stay.
uint32_t ExpectedValue(std::string_view text) {
  uint32_t value = 0;
  for (const char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    value = value * 16 + digit;
  }
  return value;
}

constexpr uint32_t kStoredSwitches = SAVE_BIN | LOAD_BIN | GET_DEVICE_KAVRIN | KAVRIN |
                                     SET_DEFAULT | EDIT | FORCE_KAVRIN | DISPLAY_FILE_PATH |
                                     SET_KAVRIN_FLAG | COLSOLE;

}  // namespace
}  // namespace kavrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  namespace fs = std::filesystem;
  fuzz::SetUpOnce();
  fuzz::FuzzInput input(data, size);
  std::vector<std::string> arguments;
  while (!input.Empty()) arguments.emplace_back(input.TextUntil(0));
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  const std::string commandLine = JoinCommandLine(pointers);

  const fs::path folder = fuzz::ScratchFolder();
  const SideFilePaths paths{folder / "KAVRIN_CFG.ini", folder / "ReleaseNote.txt",
                            folder / "InitOptionList.txt"};
  ModeFlags flags;
  ApplyCommandLine(commandLine, flags, paths);

  const uint32_t value = fuzz::ExpectedValue(std::string_view(commandLine).substr(0, 259));
  FUZZ_CHECK(ParseSwitchValue(std::string_view(commandLine).substr(0, 259)) == value);
  const bool accepted = !commandLine.empty() && (value & kRejectedSwitchMask) == 0;
  // Switches are only ever added to the default, and only stored ones.
  const uint32_t expected = ModeFlags::kDefault | (accepted ? value & fuzz::kStoredSwitches : 0);
  FUZZ_CHECK(flags.Value() == expected);
  // A side file appears exactly when asked for by an accepted value.
  FUZZ_CHECK(fs::exists(paths.configFile) == (accepted && (value & OUTPUT_CONFIG_FILE) != 0));
  FUZZ_CHECK(fs::exists(paths.releaseNote) == (accepted && (value & OUTPUT_RELEASE_NOTE) != 0));
  FUZZ_CHECK(fs::exists(paths.initOptionList) == (accepted && (value & OUTPUT_INIT_OPTION) != 0));
  for (const fs::path& path : {paths.configFile, paths.releaseNote, paths.initOptionList}) {
    std::error_code ignored;
    fs::remove(path, ignored);
  }
  return 0;
}
