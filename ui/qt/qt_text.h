#pragma once
// Window texts are UTF-16 on both sides; these only change the container.
#include <QString>
#include <algorithm>
#include <string>
#include <string_view>

#include <QRect>
#include "ui/framework/geometry.h"

namespace kavrin::ui::qt {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

// The framework's rectangles keep right and bottom exclusive, as QRect's width does. Edges
// are cut into the 16-bit range a window system takes, so no QRect sum can overflow.
inline QRect ToQRect(const Rect& rect) {
  auto cut = [](int v) { return std::clamp(v, -32767, 32767); };
  const int left = cut(rect.left), top = cut(rect.top);
  return QRect(left, top, std::max(cut(rect.right) - left, 0), std::max(cut(rect.bottom) - top, 0));
}
inline Rect FromQRect(const QRect& rect) {
  return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

}  // namespace kavrin::ui::qt
