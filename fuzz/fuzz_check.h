#pragma once
// Properties a harness checks beyond "no crash". Under libFuzzer a broken property aborts, so
// the input is saved as a crash; in the replay tests it is a test failure naming the input.
namespace kavrin::fuzz {

[[noreturn]] void CheckFailed(const char* condition, const char* file, int line);

}  // namespace kavrin::fuzz

#define FUZZ_CHECK(condition)                                                      \
  do {                                                                             \
    if (!(condition)) ::kavrin::fuzz::CheckFailed(#condition, __FILE__, __LINE__); \
  } while (false)
