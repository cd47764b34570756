#include "config/trace.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace kavrin {
namespace {

TraceSink& Sink() {
  static TraceSink sink;
  return sink;
}

}  // namespace

void SetTraceSink(TraceSink sink) { Sink() = std::move(sink); }

void Trace(const char* format, ...) {
  if (!Sink()) return;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    Sink()(std::string_view(buffer.data(), static_cast<std::size_t>(needed)));
  }
  va_end(args);
}

void TraceText(std::string_view text) {
  if (Sink()) Sink()(text);
}

TraceSink StdoutTraceSink() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line shows at once
  return [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); };
}

}  // namespace kavrin
