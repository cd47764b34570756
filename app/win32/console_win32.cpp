// The trace console on Windows. The desktop tool has no console of its own: COLSOLE makes
// one and rebinds standard output to it, unbuffered. A program that already has a console
// (kavrin.exe, or the tool started from one) keeps it and writes there.
#include <windows.h>

#include <cstdio>

#include "app/console.h"
#include "config/trace.h"

namespace kavrin {

void OpenConsole() {
  if (GetConsoleWindow() == nullptr && AllocConsole()) {
    // The C runtime's stdout was bound to nothing at start; it now writes to the console.
    (void)std::freopen("CONOUT$", "w", stdout);
  }
  SetTraceSink(StdoutTraceSink());
}

}  // namespace kavrin
