#include "tests/support/trace_capture.h"

#include "config/trace.h"

namespace kavrin::test {

TraceCapture::TraceCapture() {
  SetTraceSink([this](std::string_view line) { text_.append(line); });
}

TraceCapture::~TraceCapture() { SetTraceSink({}); }

}  // namespace kavrin::test
