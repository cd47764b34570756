#pragma once
#include <algorithm>
#include <climits>
#include <cstdint>
#include <ostream>

namespace kavrin::ui {

// A rectangle as left, top, right, bottom (right and bottom exclusive), in pixels unless a
// function says dialog units.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  // Computed wide and cut to int: no pair of edges can overflow the difference.
  int Width() const { return Span(left, right); }
  int Height() const { return Span(top, bottom); }
  bool operator==(const Rect&) const = default;

 private:
  static int Span(int from, int to) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{to} - from, INT_MIN, INT_MAX));
  }
};

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

}  // namespace kavrin::ui
