// kavrin: the command-line companion of the desktop tool.
#include "cli/command_line.h"
#include "cli/standard_streams.h"

int main(int argc, char** argv) {
  kavrin::cli::PrepareStandardStreams();
  return kavrin::cli::RunCommandLine(argc, argv);
}
