#pragma once
#include <ostream>

namespace kavrin::ui {

// A rectangle as left, top, right, bottom (right and bottom exclusive), in pixels unless a
// function says dialog units.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

}  // namespace kavrin::ui
