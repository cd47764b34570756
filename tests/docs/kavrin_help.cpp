#include "tests/docs/kavrin_help.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/cli/run_command.h"

namespace kavrin::test {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, separator)) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

}  // namespace

CommandHelp ParseHelp(const std::string& path, const std::string& help) {
  CommandHelp command{path, {}, {}};
  enum class Section { kOther, kOptions, kSubcommands } section = Section::kOther;
  std::istringstream lines(help);
  std::string line;
  while (std::getline(lines, line)) {
    if (line == "Options:") {
      section = Section::kOptions;
      continue;
    }
    if (line == "Subcommands:") {
      section = Section::kSubcommands;
      continue;
    }
    if (!line.empty() && line[0] != ' ') section = Section::kOther;
    // Entries are indented by two blanks; continuation lines by many more.
    if (line.size() < 3 || line.compare(0, 2, "  ") != 0 || line[2] == ' ') continue;
    const std::string first = line.substr(2, line.find(' ', 2) - 2);
    if (section == Section::kOptions && first[0] == '-') {
      for (const std::string& spelling : Split(first, ',')) command.options.push_back(spelling);
    } else if (section == Section::kSubcommands) {
      command.subcommands.push_back(first);
    }
  }
  return command;
}

std::vector<CommandHelp> ReadKavrinHelp() {
  std::vector<CommandHelp> commands;
  std::vector<std::string> pending{""};
  while (!pending.empty()) {
    const std::string path = pending.front();
    pending.erase(pending.begin());
    std::vector<std::string> arguments = Split(path, ' ');
    arguments.push_back("--help");
    const CommandResult result = RunKavrinCommand(arguments);
    EXPECT_EQ(result.exitCode, 0) << "kavrin " << path << " --help";
    CommandHelp command = ParseHelp(path, result.out);
    EXPECT_FALSE(command.options.empty()) << "no options read from: " << result.out;
    for (const std::string& sub : command.subcommands) {
      pending.push_back(path.empty() ? sub : path + " " + sub);
    }
    commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace kavrin::test
