#pragma once
// Window texts are UTF-16 on both sides; these only change the container.
#include <QString>
#include <string>
#include <string_view>

#include "ui/framework/geometry.h"
#include <QRect>

namespace kavrin::ui::qt {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

// The framework's rectangles keep right and bottom exclusive, as QRect's width does.
inline QRect ToQRect(const Rect& rect) { return QRect(rect.left, rect.top, rect.Width(), rect.Height()); }
inline Rect FromQRect(const QRect& rect) {
  return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

}  // namespace kavrin::ui::qt
