// kavrin: the command-line companion of the desktop tool.
#include "cli/command_line.h"

int main(int argc, char** argv) { return kavrin::cli::RunCommandLine(argc, argv); }
