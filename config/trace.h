#pragma once
// The trace console: plain diagnostic lines ("\nattach ZK742(1)\n", ...). They go nowhere
// until a sink is set: the desktop tool sets stdout when the COLSOLE switch is on, the
// command line sets stderr for --verbose, tests capture them.
#include <functional>
#include <string_view>

namespace kavrin {

using TraceSink = std::function<void(std::string_view)>;

// Replaces the sink; an empty function discards every line.
void SetTraceSink(TraceSink sink);

// printf-style line to the sink; nothing is formatted when no sink is set.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the text unchanged.
void TraceText(std::string_view text);

// An unbuffered standard-output sink (the desktop tool's console).
TraceSink StdoutTraceSink();

}  // namespace kavrin
