// kavrin: the command-line companion of the desktop tool.
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/standard_streams.h"
#include "config/standard_descriptors.h"
#include "config/text_codec.h"

namespace {

int Run(int argc, const char* const* argv) {
  // Before any file is opened: a closed stdout must not make a data file descriptor 1.
  if (!kavrin::OpenClosedStandardDescriptors()) return 1;
  kavrin::cli::PrepareStandardStreams();
  // Every recorder string, logo text and trace line goes through the ANSI code page; the
  // command line refuses the commands that need it when it cannot be used.
  return kavrin::cli::RunCommandLine(argc, argv, kavrin::CodePageProblem());
}

}  // namespace

#ifdef _WIN32
// Windows hands the command line over as UTF-16: a folder named "Москва" or "台北" arrives
// whole, where main's argv would carry the ANSI code page's "??????". The commands take
// UTF-8, and every path goes back to UTF-16 for the file calls (PathFromUtf8).
int wmain(int argc, wchar_t** wargv) {
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    args.push_back(kavrin::ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(wargv[i]))));
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  return Run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
