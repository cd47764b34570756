#include <io.h>

#include <cstdio>

#include "config/standard_descriptors.h"

namespace kavrin {

bool OpenClosedStandardDescriptors() {
  // A GUI process starts without a console: its C runtime streams are bound to no handle
  // (_fileno gives a negative number, the OS handle is -2), and what is written to them
  // fails. Bound to NUL they take output and say nothing; the trace console rebinds stdout
  // to its own window later.
  struct Standard {
    std::FILE* stream;
    const char* mode;
  };
  const Standard streams[] = {{stdin, "r"}, {stdout, "w"}, {stderr, "w"}};
  bool ok = true;
  for (const Standard& standard : streams) {
    const int fd = _fileno(standard.stream);
    if (fd >= 0 && _get_osfhandle(fd) >= 0) continue;
    if (std::freopen("NUL", standard.mode, standard.stream) == nullptr) ok = false;
  }
  return ok;
}

}  // namespace kavrin
