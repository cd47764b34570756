#include "app/command_line.h"

#include <array>
#include <cstdio>

#include "config/file_util.h"
#include "config/resources.h"
#include "config/text_codec.h"

namespace kavrin {
namespace {

constexpr std::array<SwitchName, 13> kSwitchTable{{
    {OUTPUT_RELEASE_NOTE, "OUTPUT_RELEASE_NOTE"},
    {OUTPUT_CONFIG_FILE, "OUTPUT_CONFIG_FILE"},
    {COLSOLE, "COLSOLE"},
    {SAVE_BIN, "SAVE_BIN"},
    {LOAD_BIN, "LOAD_BIN"},
    {GET_DEVICE_KAVRIN, "GET_DEVICE_KAVRIN"},
    {KAVRIN, "KAVRIN"},
    {SET_DEFAULT, "SET_DEFAULT"},
    {EDIT, "EDIT"},
    {FORCE_KAVRIN, "FORCE_KAVRIN"},
    {DISPLAY_FILE_PATH, "DISPLAY_FILE_PATH"},
    {SET_KAVRIN_FLAG, "SET_KAVRIN_FLAG"},
    {OUTPUT_INIT_OPTION, "OUTPUT_INIT_OPTION"},
}};

// The switches that stay in the mode flags, in the order they are added.
constexpr std::array<uint32_t, 10> kStoredSwitches{
    SAVE_BIN, LOAD_BIN,     GET_DEVICE_KAVRIN, KAVRIN,          SET_DEFAULT,
    EDIT,     FORCE_KAVRIN, DISPLAY_FILE_PATH, SET_KAVRIN_FLAG, COLSOLE,
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::span<const SwitchName> SwitchTable() { return kSwitchTable; }

SideFilePaths SideFilePaths::InCurrentDirectory() {
  return {MakeLocalPath("KAVRIN_CFG.ini"), MakeLocalPath("ReleaseNote.txt"),
          MakeLocalPath("InitOptionList.txt")};
}

std::string JoinCommandLine(std::span<const char* const> arguments) {
  std::string text;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) text += ' ';
    if (arguments[i] != nullptr) text += arguments[i];
  }
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  text.erase(0, first);
  return text;
}

std::string AnsiCommandLine(std::span<const char* const> arguments) {
  return WideToAnsi(LocaleToWide(JoinCommandLine(arguments)));
}

uint32_t ParseSwitchValue(std::string_view commandLine) {
  return ParseHex(commandLine, commandLine.size());
}

namespace {

// The switch text is taken into a buffer of 260 bytes, terminator included; a value with a
// rejected bit counts as no switch at all.
uint32_t AcceptedSwitchValue(std::string_view commandLine) {
  const uint32_t value = ParseSwitchValue(commandLine.substr(0, kTextRoom - 1));
  return (value & kRejectedSwitchMask) != 0 ? 0 : value;
}

void AddStoredSwitches(uint32_t value, ModeFlags& flags) {
  for (const uint32_t bit : kStoredSwitches) {
    if ((value & bit) != 0) flags.SetFlag(bit);
  }
}

}  // namespace

uint32_t ApplySwitchFlags(std::string_view commandLine, ModeFlags& flags) {
  const uint32_t value = AcceptedSwitchValue(commandLine);
  AddStoredSwitches(value, flags);
  return value;
}

std::vector<std::string> ApplyCommandLine(std::string_view commandLine, ModeFlags& flags,
                                          const SideFilePaths& paths) {
  std::vector<std::string> notes;
  if (commandLine.empty()) return notes;
  const uint32_t value = AcceptedSwitchValue(commandLine);
  if (value == 0) return notes;

  auto noteFailure = [&notes](const std::filesystem::path& path, const FileOutcome& written) {
    if (!written) notes.push_back("\n" + CannotWriteText(path, written) + "\n");
  };
  // The configuration is written only when there is none, so a user's edited file is never
  // lost: one that is there but cannot be read is left alone. Once written it stays, and the
  // window reads it from disk.
  if ((value & OUTPUT_CONFIG_FILE) != 0) {
    const FileOutcome present = CheckReadable(paths.configFile);
    if (present.fault == FileFault::Missing) {
      noteFailure(paths.configFile, WriteResourceToFile(kDefaultConfigResourceId, kTextResourceType,
                                                        paths.configFile, WriteMode::CreateOnly));
    } else if (!present) {
      notes.push_back("\n" + CannotReadText(paths.configFile, present) + "; left alone\n");
    }
  }
  if ((value & OUTPUT_RELEASE_NOTE) != 0) {
    noteFailure(paths.releaseNote,
                WriteResourceToFile(kReleaseNoteResourceId, kTextResourceType, paths.releaseNote));
  }
  if ((value & OUTPUT_INIT_OPTION) != 0) {
    noteFailure(paths.initOptionList, WriteInitOptionList(paths.initOptionList));
  }
  AddStoredSwitches(value, flags);
  return notes;
}

std::string InitOptionListText() {
  // The names are plain ASCII, the same bytes in every ANSI code page the tool supports.
  std::string text;
  for (const SwitchName& entry : kSwitchTable) {
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%08X : %s\r\n", entry.bit, entry.name);
    if (n > 0) text.append(line, static_cast<std::size_t>(n));
  }
  return text;
}

FileOutcome WriteInitOptionList(const std::filesystem::path& path) {
  const std::string text = InitOptionListText();
  return WriteFileAtomically(path,
                             std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace kavrin
