#include "ui/qt/qt_control.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "ui/qt/qt_combo_box.h"
#include "ui/qt/qt_edit.h"
#include "ui/qt/qt_fonts.h"
#include "ui/qt/qt_text.h"

namespace kavrin::ui::qt {
namespace {

// A static text: top-aligned as the platform's static control draws it, word-wrapped, and
// never taken for rich text.
class QtLabel : public QtControl {
 public:
  QtLabel(const ControlSpec& spec, QWidget& parent) : QtControl(spec, new QLabel(&parent)) {
    auto* label = static_cast<QLabel*>(Widget());
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (spec.align == TextAlign::Right) horizontal = Qt::AlignRight;
    if (spec.align == TextAlign::Center) horizontal = Qt::AlignHCenter;
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setText(ToQString(spec.text));
  }
};

class QtPushButton : public QtControl {
 public:
  QtPushButton(const ControlSpec& spec, QWidget& parent, CommandSink sink)
      : QtControl(spec, new QPushButton(&parent)) {
    auto* button = static_cast<QPushButton*>(Widget());
    button->setText(ToQString(spec.text));
    button->setDefault(spec.defaultButton);
    const int id = spec.id;
    QObject::connect(button, &QPushButton::clicked, button, [sink, id] { sink(id, kNotifyClicked); });
  }
};

}  // namespace

QtControl::QtControl(const ControlSpec& spec, QWidget* widget) : spec_(spec), widget_(widget), rect_(spec.rect) {
  widget->setGeometry(ToQRect(spec.rect));
  // Explicitly either way: a hidden control must stay hidden when its window shows.
  widget->setVisible(spec.visible);
}

QtControl::~QtControl() = default;

void QtControl::SetText(std::u16string_view text) {
  if (!widget_) return;
  if (auto* label = qobject_cast<QLabel*>(widget_)) label->setText(ToQString(text));
  if (auto* button = qobject_cast<QPushButton*>(widget_)) button->setText(ToQString(text));
}

std::u16string QtControl::Text() const {
  if (auto* label = qobject_cast<QLabel*>(widget_)) return FromQString(label->text());
  if (auto* button = qobject_cast<QPushButton*>(widget_)) return FromQString(button->text());
  return {};
}

void QtControl::Enable(bool on) {
  if (widget_) widget_->setEnabled(on);
}

bool QtControl::IsEnabled() const { return widget_ && widget_->isEnabled(); }

void QtControl::Show(bool on) {
  if (widget_) widget_->setVisible(on);
}

bool QtControl::IsVisible() const { return widget_ && widget_->isVisibleTo(widget_->parentWidget()); }

void QtControl::Place(const Rect& rect) {
  rect_ = rect;
  if (!widget_) return;
  ApplyGeometry(rect);
  widget_->raise();
  widget_->show();
}

void QtControl::ApplyGeometry(const Rect& rect) { widget_->setGeometry(ToQRect(rect)); }

void QtControl::SetFont(FontChoice font) {
  font_ = font;
  if (!widget_) return;
  // An empty font inherits the dialog's template font again.
  widget_->setFont(font == FontChoice::DefaultGui ? DefaultGuiFont() : QFont());
  FontChanged();
}

int QtControl::FontHeight() const { return widget_ ? QFontMetrics(widget_->font()).height() : 0; }

std::unique_ptr<QtControl> MakeQtControl(const ControlSpec& spec, QWidget& parent, CommandSink sink) {
  switch (spec.type) {
    case ControlType::Label:
      return std::make_unique<QtLabel>(spec, parent);
    case ControlType::DropDownList:
    case ControlType::DropDownBox:
      return std::make_unique<QtComboBox>(spec, parent, std::move(sink));
    case ControlType::Edit:
      return std::make_unique<QtEdit>(spec, parent, std::move(sink));
    case ControlType::PushButton:
      return std::make_unique<QtPushButton>(spec, parent, std::move(sink));
  }
  return nullptr;
}

}  // namespace kavrin::ui::qt
