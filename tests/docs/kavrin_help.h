#pragma once
// What `kavrin --help` and every subcommand's --help list: the commands and their options.
// The manual page and the shell completion are checked against it, so that neither can
// fall behind the command.
#include <string>
#include <vector>

namespace kavrin::test {

struct CommandHelp {
  std::string path;                      // "" for kavrin itself, "block show"
  std::vector<std::string> subcommands;  // as listed under "Subcommands:"
  std::vector<std::string> options;      // every spelling: "-h", "--help", "--file", ...
};

// kavrin and each of its subcommands, walked from `kavrin --help` down.
std::vector<CommandHelp> ReadKavrinHelp();

// The words of a CLI11 help text: subcommands and option spellings.
CommandHelp ParseHelp(const std::string& path, const std::string& help);

}  // namespace kavrin::test
