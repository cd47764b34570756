// kavrin: the command-line companion of the desktop tool.
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/standard_streams.h"
#include "config/standard_descriptors.h"
#include "config/text_codec.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed stdout must not make a data file descriptor 1.
  if (!kavrin::OpenClosedStandardDescriptors()) return 1;
  kavrin::cli::PrepareStandardStreams();
  // Every recorder string, logo text and trace line goes through the ANSI code page.
  if (const std::string problem = kavrin::CodePageProblem(); !problem.empty()) {
    return kavrin::cli::RefuseToStart(argc, argv, problem);
  }
  return kavrin::cli::RunCommandLine(argc, argv);
}
