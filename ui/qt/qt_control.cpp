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
// never taken for rich text. It takes no clicks: a press on it goes to whatever lies under
// it, as on the platform the window comes from, so a label laid over part of a button (some
// layouts do that) leaves the whole button clickable.
class QtLabel : public QtControl {
 public:
  QtLabel(const ControlSpec& params, QWidget& parent) : QtControl(params, new QLabel(&parent)) {
    auto* label = static_cast<QLabel*>(Widget());
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (params.align == TextAlign::Right) horizontal = Qt::AlignRight;
    if (params.align == TextAlign::Center) horizontal = Qt::AlignHCenter;
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setText(ToQString(params.text));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
};

class QtPushButton : public QtControl {
 public:
  QtPushButton(const ControlSpec& params, QWidget& parent, CommandSink sink)
      : QtControl(params, new QPushButton(&parent)) {
    auto* button = static_cast<QPushButton*>(Widget());
    button->setText(ToQString(params.text));
    button->setDefault(params.defaultButton);
    const int id = params.id;
    QObject::connect(button, &QPushButton::clicked, button,
                     [sink, id] { sink(id, kNotifyClicked); });
  }
};

}  // namespace

QtControl::QtControl(const ControlSpec& params, QWidget* widget)
    : spec_(params), widget_(widget), rect_(params.rect) {
  widget->setGeometry(ToQRect(params.rect));
  // Explicitly either way: a hidden control must stay hidden when its window shows.
  widget->setVisible(params.visible);
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

bool QtControl::IsVisible() const {
  return widget_ && widget_->isVisibleTo(widget_->parentWidget());
}

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

Size QtControl::MeasureText(std::u16string_view text, int wrapWidth) const {
  if (!widget_) return {};
  // Room enough that only the wrap width bounds the text.
  constexpr int kUnbounded = 1 << 20;
  const QRect area(0, 0, wrapWidth > 0 ? wrapWidth : kUnbounded, kUnbounded);
  const int flags =
      Qt::AlignLeft | Qt::AlignTop | (wrapWidth > 0 ? Qt::TextWordWrap : Qt::TextSingleLine);
  const QRect needed = QFontMetrics(widget_->font()).boundingRect(area, flags, ToQString(text));
  return {needed.width(), needed.height()};
}

int QtControl::FontHeight() const { return widget_ ? QFontMetrics(widget_->font()).height() : 0; }

std::unique_ptr<QtControl> MakeQtControl(const ControlSpec& params, QWidget& parent,
                                         CommandSink sink) {
  switch (params.type) {
    case ControlType::Label:
      return std::make_unique<QtLabel>(params, parent);
    case ControlType::DropDownList:
    case ControlType::DropDownBox:
      return std::make_unique<QtComboBox>(params, parent, std::move(sink));
    case ControlType::Edit:
      return std::make_unique<QtEdit>(params, parent, std::move(sink));
    case ControlType::PushButton:
      return std::make_unique<QtPushButton>(params, parent, std::move(sink));
  }
  return nullptr;
}

}  // namespace kavrin::ui::qt
