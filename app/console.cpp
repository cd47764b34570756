#include "app/console.h"

#include "config/trace.h"

namespace kavrin {

// A terminal already gives the process its standard output; there is no console window to
// create as on Windows.
void OpenConsole() { SetTraceSink(StdoutTraceSink()); }

}  // namespace kavrin
