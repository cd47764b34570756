#include "app/early_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "app/command_line.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

// Plain ASCII text of the window's build constants.
std::string Narrow(std::u16string_view text) {
  std::string narrow;
  for (char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

const char* SwitchEffect(uint32_t bit) {
  switch (bit) {
    case OUTPUT_RELEASE_NOTE:
      return "write ReleaseNote.txt at start";
    case OUTPUT_CONFIG_FILE:
      return "write the built-in KAVRIN_CFG.ini when there is none";
    case COLSOLE:
      return "print the trace lines on standard output";
    case SAVE_BIN:
      return "show \"Save\"";
    case LOAD_BIN:
      return "show \"Load\"";
    case GET_DEVICE_KAVRIN:
      return "show \"Get Kavrin\"";
    case KAVRIN:
      return "show \"Kavrin\" (always on)";
    case SET_DEFAULT:
      return "show \"Set Def.\"";
    case EDIT:
      return "the lists can be changed (always on)";
    case FORCE_KAVRIN:
      return "\"Kavrin\" works even when an engine test is NG";
    case DISPLAY_FILE_PATH:
      return "show the path of the last loaded block file";
    case SET_KAVRIN_FLAG:
      return "\"Kavrin\" commits with 1 instead of 2";
    case OUTPUT_INIT_OPTION:
      return "write this switch list as InitOptionList.txt";
    default:
      return "";
  }
}

// Platforms that draw without a display server.
constexpr std::array<std::string_view, 7> kPlatformsWithoutDisplay{
    "offscreen", "minimal", "minimalegl", "eglfs", "linuxfb", "vnc", "vkkhrdisplay"};

bool IsSet(const EnvironmentReader& environment, const char* name) {
  const char* value = environment(name);
  return value != nullptr && *value != '\0';
}

// The platform names asked for, in the order the toolkit tries them: the -platform argument,
// else QT_QPA_PLATFORM (a ';'-separated list of fallbacks).
std::vector<std::string> AskedPlatforms(std::span<const char* const> arguments,
                                        const EnvironmentReader& environment) {
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    const std::string_view argument = arguments[i] != nullptr ? arguments[i] : "";
    if ((argument == "-platform" || argument == "--platform") && arguments[i + 1] != nullptr)
      return {arguments[i + 1]};
  }
  std::vector<std::string> names;
  if (const char* variable = environment("QT_QPA_PLATFORM"); variable != nullptr) {
    std::string_view rest = variable;
    while (!rest.empty()) {
      const std::size_t end = std::min(rest.find(';'), rest.size());
      if (end > 0) names.emplace_back(rest.substr(0, end));
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
  }
  return names;
}

}  // namespace

EarlyRequest FindEarlyRequest(std::span<const char* const> arguments) {
  for (const char* argument : arguments) {
    if (argument == nullptr) continue;
    const std::string_view text = argument;
    if (text == "--help" || text == "-h") return EarlyRequest::Help;
    if (text == "--version") return EarlyRequest::Version;
  }
  return EarlyRequest::None;
}

std::string UsageText() {
  std::string text =
      "Usage: kavrintool [SWITCHES]\n"
      "       kavrintool --help | --version\n"
      "\n"
      "The configuration tool for ZK742 video recorders: pick the recorder's settings in one\n"
      "window and write them with the clock (\"Kavrin\").\n"
      "\n"
      "SWITCHES is one hexadecimal number; each bit adds a switch, and they add up (41710\n"
      "shows every button with the trace on). A value with any bit of 7FF000E1 set is\n"
      "ignored whole; the other bits the table does not list (8, 4000, 8000, 20000) do\n"
      "nothing.\n";
  for (const SwitchName& row : SwitchTable()) {
    char line[160];
    std::snprintf(line, sizeof line, "  %08X  %-20s %s\n", row.bit, row.name,
                  SwitchEffect(row.bit));
    text += line;
  }
  text +=
      "\n"
      "Files, in the current folder:\n"
      "  KAVRIN_CFG.ini      the configuration (the built-in default when it is missing)\n"
      "  Default.bin         the settings block the window opens with (\"Set Def.\" writes it)\n"
      "  ReleaseNote.txt, InitOptionList.txt   written on request (switches above)\n"
      "\n"
      "Environment:\n"
      "  KAVRIN_SIMULATOR    a JSON state file: talk to the simulated recorder it describes\n"
      "                      instead of a real one\n"
      "  KAVRIN_CODEPAGE     the code page of the recorder's texts, the trace and a\n"
      "                      configuration without a byte-order mark (e.g. BIG5, CP1252);\n"
      "                      the locale's by default\n"
      "\n"
      "Without a display:\n"
      "  kavrintool --screenshot FILE.png [--config PATH] [--scale FACTOR] [SWITCHES]\n"
      "                      draw the window as it starts (no recorder, no side files) into\n"
      "                      a PNG and exit\n"
      "  The kavrin command does the recorder work without a display (kavrin --help).\n";
  return text;
}

std::string VersionText() {
  return "kavrintool " + Narrow(MainDialog::kVersion) + " (ZK742 " + Narrow(MainDialog::kEdition) +
         ")\n";
}

bool DisplayMissing(std::span<const char* const> arguments, const EnvironmentReader& environment) {
  const std::vector<std::string> asked = AskedPlatforms(arguments, environment);
  for (const std::string& entry : asked) {
    std::string name = entry.substr(0, entry.find(':'));  // "vnc:size=800x600"
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (std::find(kPlatformsWithoutDisplay.begin(), kPlatformsWithoutDisplay.end(), name) !=
        kPlatformsWithoutDisplay.end())
      return false;
    if (name == "xcb") {
      if (IsSet(environment, "DISPLAY")) return false;
      continue;  // the next fallback may do
    }
    return false;  // Wayland or a platform this check does not know: the toolkit decides
  }
  if (!asked.empty()) return true;
  // The toolkit's own choice: Wayland where a compositor says so, else X11.
  return !IsSet(environment, "DISPLAY") && !IsSet(environment, "WAYLAND_DISPLAY");
}

std::string NoDisplayMessage() {
  return "kavrintool: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
         "the kavrin command works without one\n";
}

}  // namespace kavrin
