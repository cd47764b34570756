#pragma once
// The trace console. With the COLSOLE switch the main window opens it at the start of its
// initialisation: from then on every trace line goes to standard output, unbuffered.
// Without it the trace has no sink and nothing is printed.
namespace kavrin {

void OpenConsole();

}  // namespace kavrin
