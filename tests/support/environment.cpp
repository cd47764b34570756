#include "tests/support/environment.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kavrin::test {

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  // The C runtime's copy (getenv) and the process's (inherited by child programs).
  _putenv_s(name, value != nullptr ? value : "");
  SetEnvironmentVariableA(name, value);
#else
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
#endif
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
  if (const char* previous = std::getenv(name)) previous_ = previous;
  SetEnvironment(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
  SetEnvironment(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

}  // namespace kavrin::test
