// Under libFuzzer a broken property is a crash: libFuzzer saves the input that caused it.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_check.h"

namespace kavrin::fuzz {

void CheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace kavrin::fuzz
