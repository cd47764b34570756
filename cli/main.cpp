// kavrin: the command-line companion of the desktop tool.
#include <cstdio>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "config/text_codec.h"

int main(int argc, char** argv) {
  // Every recorder string, logo text and trace line goes through the ANSI code page.
  if (const std::string problem = kavrin::CodePageProblem(); !problem.empty()) {
    std::fprintf(stderr, "kavrin: %s\n", problem.c_str());
    return kavrin::cli::kExitUsage;
  }
  return kavrin::cli::RunCommandLine(argc, argv);
}
