#pragma once
// The start-up switches: one hexadecimal number on the command line that adds mode flags
// and asks for side files (KAVRIN_CFG.ini, ReleaseNote.txt, InitOptionList.txt).
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/file_io.h"
#include "ui/mode_flags.h"

namespace kavrin {

// A value with any of these bits set is ignored whole: no file is written, no switch set.
inline constexpr uint32_t kRejectedSwitchMask = 0x7FF000E1;

struct SwitchName {
  uint32_t bit;
  const char* name;
};

// Every switch in the program's own order (also the order of InitOptionList.txt).
std::span<const SwitchName> SwitchTable();

// Where the side files go; by default next to the current directory.
struct SideFilePaths {
  std::filesystem::path configFile;
  std::filesystem::path releaseNote;
  std::filesystem::path initOptionList;
  static SideFilePaths InCurrentDirectory();
};

// The command-line text: the arguments after the program name joined by one blank, leading
// blanks removed.
std::string JoinCommandLine(std::span<const char* const> arguments);

// The command-line text as bytes of the ANSI code page, as the switches are read: the
// arguments arrive in the locale's charset (the terminal's), so "100é" typed in a UTF-8
// terminal is the four bytes "100\xE9" with KAVRIN_CODEPAGE=CP1252. At most 259 bytes.
std::string AnsiCommandLine(std::span<const char* const> arguments);

// Every byte counts as one hexadecimal digit ('x', blanks, quotes count 0); only the last
// eight digits survive.
uint32_t ParseSwitchValue(std::string_view commandLine);

// Reads at most the first 259 bytes of the text. Writes the side files asked for (in this
// order: configuration when missing, release note, option list) and adds the stored switches
// to flags. Start-up goes on whatever fails; the returned trace lines say what did (the
// trace console opens only later, with the window).
std::vector<std::string> ApplyCommandLine(
    std::string_view commandLine, ModeFlags& flags,
    const SideFilePaths& paths = SideFilePaths::InCurrentDirectory());

// Only the switches of the text that stay in the mode flags (the buttons, the trace, the
// commit value), with the same reading and the same rejected values: no side file is written.
// Returns the value read, 0 when it was rejected.
uint32_t ApplySwitchFlags(std::string_view commandLine, ModeFlags& flags);

// The switch table as "%08X : %s\r\n" lines.
FileOutcome WriteInitOptionList(const std::filesystem::path& path);
// Its exact bytes.
std::string InitOptionListText();

}  // namespace kavrin
