#pragma once
// Parses the kavrin command line and runs the chosen subcommand; returns the exit status.
namespace kavrin::cli {

int RunCommandLine(int argc, const char* const* argv);

}  // namespace kavrin::cli
