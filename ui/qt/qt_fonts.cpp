#include "ui/qt/qt_fonts.h"

#include <QApplication>
#include <QStringList>

#include "ui/qt/qt_text.h"

namespace kavrin::ui::qt {
namespace {

constexpr int kGuiFontPoints = 9;

// Faces tried after the wanted one: one that covers traditional Chinese, then plain sans.
QStringList WithFallbacks(const QString& family) {
  QStringList families;
  if (!family.isEmpty()) families << family;
  families << QStringLiteral("Noto Sans CJK TC") << QStringLiteral("Noto Sans CJK SC")
           << QStringLiteral("DejaVu Sans") << QStringLiteral("Sans Serif");
  return families;
}

}  // namespace

QFont TemplateFont(std::u16string_view family, int points) {
  QFont font;
  font.setFamilies(WithFallbacks(ToQString(family)));
  font.setPointSize(points > 0 ? points : kGuiFontPoints);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont DefaultGuiFont() {
  QFont font;
  font.setFamilies(WithFallbacks(QApplication::font().family()));
  font.setPointSize(kGuiFontPoints);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace kavrin::ui::qt
