#pragma once
// Environment variables for a test's span (KAVRIN_SIMULATOR, KAVRIN_CODEPAGE, ...), the same
// on every platform: getenv in this process and the environment of programs it starts.
#include <optional>
#include <string>

namespace kavrin::test {

// Sets the variable, or removes it for a null value.
void SetEnvironment(const char* name, const char* value);

// Sets (or removes) the variable and restores the previous value when it goes.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace kavrin::test
