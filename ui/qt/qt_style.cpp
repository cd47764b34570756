#include "ui/qt/qt_style.h"

#include <QApplication>
#include <QPointer>
#include <QProxyStyle>
#include <QWidget>

namespace kavrin::ui::qt {
namespace {

class DropDownStyle : public QProxyStyle {
 public:
  // A fresh instance of the application's style (which -style may have chosen) as the base.
  DropDownStyle() : QProxyStyle(QApplication::style()->name()) {}

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

bool IsDropDownStyle(const QStyle* style) {
  return dynamic_cast<const DropDownStyle*>(style) != nullptr;
}

// The style given to single boxes, owned by the application so that it outlives them.
QStyle* WidgetDropDownStyle() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new DropDownStyle;
    style->setParent(QApplication::instance());
  }
  return style;
}

}  // namespace

void InstallDropDownStyle() {
  if (!IsDropDownStyle(QApplication::style())) QApplication::setStyle(new DropDownStyle);
}

void EnsureDropDownStyle(QWidget& comboBox) {
  if (!IsDropDownStyle(comboBox.style())) comboBox.setStyle(WidgetDropDownStyle());
}

}  // namespace kavrin::ui::qt
