#include "ui/qt/qt_edit.h"

#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <algorithm>

#include "ui/qt/qt_text.h"

namespace kavrin::ui::qt {

QtEdit::QtEdit(const ControlSpec& params, QWidget& parent, CommandSink sink)
    : QtControl(params, new QLineEdit(&parent)) {
  QLineEdit* edit = LineEdit();
  edit->setFrame(params.border || params.clientEdge);
  edit->setReadOnly(params.readOnly);
  if (params.readOnly) {
    // A read-only box sits on the dialog's face colour, as the platform draws it.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
  }
  edit->setAlignment(params.multiLine ? (Qt::AlignLeft | Qt::AlignTop)
                                      : (Qt::AlignLeft | Qt::AlignVCenter));
  edit->setText(ToQString(params.text));
  const int id = params.id;
  QObject::connect(edit, &QLineEdit::textEdited, edit,
                   [sink, id](const QString&) { sink(id, kNotifyEditChange); });
  textRect_ = ClientRect();
}

QLineEdit* QtEdit::LineEdit() const { return static_cast<QLineEdit*>(Widget()); }

void QtEdit::SetText(std::u16string_view text) {
  if (QLineEdit* edit = LineEdit()) {
    edit->setText(ToQString(text));
    edit->setCursorPosition(0);  // a long path shows its beginning
  }
}

std::u16string QtEdit::Text() const {
  return LineEdit() ? FromQString(LineEdit()->text()) : std::u16string();
}

void QtEdit::Place(const Rect& rect) {
  const Rect old = Geometry();
  QtControl::Place(rect);
  // A new size lays the formatting rectangle out anew.
  if (rect.Width() != old.Width() || rect.Height() != old.Height()) {
    textRect_ = ClientRect();
    ApplyTextRect();
  }
}

int QtEdit::FrameWidth() const {
  QLineEdit* edit = LineEdit();
  if (!edit || !edit->hasFrame()) return 0;
  return edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
}

Rect QtEdit::ClientRect() const {
  const int frame = FrameWidth();
  return {0, 0, Geometry().Width() - 2 * frame, Geometry().Height() - 2 * frame};
}

void QtEdit::SetTextRect(const Rect& rect) {
  if (!ControlParams().multiLine) return;  // only a multi-line box takes one
  textRect_ = rect;
  ApplyTextRect();
}

void QtEdit::ApplyTextRect() {
  QLineEdit* edit = LineEdit();
  if (!edit) return;
  const Rect client = ClientRect();
  // Margins cannot be negative: a rectangle reaching outside the box draws from its edge.
  edit->setTextMargins(
      std::max(0, textRect_.left - client.left), std::max(0, textRect_.top - client.top),
      std::max(0, client.right - textRect_.right), std::max(0, client.bottom - textRect_.bottom));
}

}  // namespace kavrin::ui::qt
