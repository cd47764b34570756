#include "cli/standard_streams.h"

namespace kavrin::cli {

// POSIX streams carry bytes as they are already.
void PrepareStandardStreams() {}

}  // namespace kavrin::cli
