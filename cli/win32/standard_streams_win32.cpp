#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "cli/standard_streams.h"

namespace kavrin::cli {
namespace {

UINT consoleCodePageBefore = 0;

void RestoreConsoleCodePage() {
  if (consoleCodePageBefore != 0) SetConsoleOutputCP(consoleCodePageBefore);
}

}  // namespace

void PrepareStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The console is the user's: its code page goes back as it was when kavrin ends.
  if (GetConsoleWindow() != nullptr && GetConsoleOutputCP() != CP_UTF8) {
    consoleCodePageBefore = GetConsoleOutputCP();
    if (SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreConsoleCodePage);
  }
}

}  // namespace kavrin::cli
