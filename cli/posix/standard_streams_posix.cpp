#include <csignal>

#include "cli/standard_streams.h"

namespace kavrin::cli {

// POSIX streams carry bytes as they are already. A reader that goes away (`| head -1`) must
// not end kavrin between a recorder's commit and its record: with SIGPIPE ignored a write to
// stdout fails with EPIPE instead, the command finishes what it started, and its exit status
// says that its output was lost.
void PrepareStandardStreams() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace kavrin::cli
