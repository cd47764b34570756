#pragma once
// A parametrised case's name in test listings, made from its description: "chunk beyond 80"
// lists as ".../chunk_beyond_80" instead of the case's raw bytes or its index. GoogleTest
// takes letters, digits and underscores only; the rest become underscores.
#include <string>
#include <string_view>

namespace kavrin::test {

inline std::string ParamName(std::string_view description) {
  std::string name;
  for (const char c : description) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (kept) {
      name += c;
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? "unnamed" : name;
}

// For INSTANTIATE_TEST_SUITE_P: cases that carry their description as `what`.
struct NamedByWhat {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return ParamName(info.param.what);
  }
};

}  // namespace kavrin::test
