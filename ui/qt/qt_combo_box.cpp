#include "ui/qt/qt_combo_box.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

#include "ui/qt/qt_style.h"
#include "ui/qt/qt_text.h"

namespace kavrin::ui::qt {

QtComboBox::QtComboBox(const ControlSpec& params, QWidget& parent, CommandSink sink)
    : QtControl(params, new QComboBox(&parent)) {
  QComboBox* combo = Combo();
  const bool editable = params.type == ControlType::DropDownBox;
  combo->setEditable(editable);
  // The list drops down below the box and scrolls past its height, as the rectangle asks.
  EnsureDropDownStyle(*combo);
  // The size policy stays Qt's default: setting any other one builds the box's hidden pop-up
  // list (its container and view) at once instead of at the first drop-down. The width is the
  // rectangle's; the natural height follows the font (a policy "with icon" would only add a
  // floor of an 16-pixel icon's height, which the window's fonts exceed).
  const int id = params.id;
  QObject::connect(combo, &QComboBox::activated, combo,
                   [sink, id](int) { sink(id, kNotifySelChange); });
  if (editable) {
    // Typed text stays as typed: no completion from the entries, no entries added.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                     [sink, id](const QString&) { sink(id, kNotifyEditChange); });
  }
  ApplyGeometry(params.rect);
}

QComboBox* QtComboBox::Combo() const { return static_cast<QComboBox*>(Widget()); }

void QtComboBox::SetText(std::u16string_view text) {
  // Only the box kind has free text.
  if (Combo() && Combo()->isEditable()) Combo()->setEditText(ToQString(text));
}

std::u16string QtComboBox::Text() const {
  return Combo() ? FromQString(Combo()->currentText()) : std::u16string();
}

void QtComboBox::ResetContent() {
  if (!Combo()) return;
  Combo()->clear();
  if (Combo()->isEditable()) Combo()->clearEditText();
}

int QtComboBox::AddString(std::u16string_view text) {
  if (!Combo()) return -1;
  Combo()->addItem(ToQString(text));
  return Combo()->count() - 1;
}

bool QtComboBox::SetCurSel(int index) {
  QComboBox* combo = Combo();
  if (!combo) return false;
  if (index < 0 || index >= combo->count()) {
    // Like the platform: no selection and an empty face.
    combo->setCurrentIndex(-1);
    if (combo->isEditable()) combo->clearEditText();
    return false;
  }
  combo->setCurrentIndex(index);
  // An editable box shows the entry even when the index did not change but the text did.
  if (combo->isEditable()) combo->setEditText(combo->itemText(index));
  return true;
}

int QtComboBox::GetCurSel() const { return Combo() ? Combo()->currentIndex() : -1; }

int QtComboBox::GetCount() const { return Combo() ? Combo()->count() : 0; }

std::u16string QtComboBox::GetItemText(int index) const {
  if (!Combo() || index < 0 || index >= Combo()->count()) return {};
  return FromQString(Combo()->itemText(index));
}

void QtComboBox::ApplyGeometry(const Rect& rect) {
  QComboBox* combo = Combo();
  if (!combo) return;
  const QRect area = ToQRect(rect);
  const int boxHeight = std::min(combo->sizeHint().height(), area.height());
  combo->setGeometry(area.x(), area.y(), area.width(), boxHeight);
  // The rest of the rectangle is the dropped-down list: as many rows as fit, at least one.
  const int rowHeight = QFontMetrics(combo->font()).height() + 2;
  combo->setMaxVisibleItems(std::max(1, (area.height() - boxHeight) / std::max(rowHeight, 1)));
}

}  // namespace kavrin::ui::qt
