#include "ui/qt/qt_file_dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>

#include "ui/qt/qt_text.h"

namespace kavrin::ui::qt {

QStringList ConvertFileFilter(std::u16string_view filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = parts[i + 1].trimmed();
    if (description.isEmpty() || patterns.isEmpty()) break;  // the closing "|" or a broken pair
    QStringList qtPatterns;
    for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      qtPatterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    // Qt reads the patterns from the parentheses at the end of the description.
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    description.remove(trailingPatterns);
    filters << description + QStringLiteral(" (") + qtPatterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters;
}

QtFileDialog::QtFileDialog(std::u16string_view filter) : filter_(filter) {}

QtFileDialog::~QtFileDialog() = default;

QFileDialog* QtFileDialog::Widget() {
  if (dialog_) return dialog_.get();
  dialog_ = std::make_unique<QFileDialog>();
  dialog_->setAcceptMode(QFileDialog::AcceptOpen);
  dialog_->setFileMode(QFileDialog::AnyFile);
  // Qt's own dialog behaves the same on every desktop; no overwrite question.
  dialog_->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  const QStringList filters = ConvertFileFilter(filter_);
  if (!filters.isEmpty()) dialog_->setNameFilters(filters);
  return dialog_.get();
}

namespace {

// The file-name field's completer shows its list of matches as a pop-up window of its own;
// Return in the field accepts the dialog but leaves that list open over the window below,
// where it would take the next click to close itself. Nothing of a closed dialog stays.
void ClosePopUps(QFileDialog& dialog) {
  for (QCompleter* completer : dialog.findChildren<QCompleter*>())
    if (QAbstractItemView* list = completer->popup(); list && list->isVisible()) list->hide();
  // Any other pop-up it opened (a context menu); bounded, should one refuse to go.
  for (int tries = 0; tries < 16; ++tries) {
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup) break;
    popup->hide();
  }
}

}  // namespace

bool QtFileDialog::Run() {
  QFileDialog* dialog = Widget();
  if (!path_.empty())
    dialog->selectFile(QFile::decodeName(QByteArray::fromStdString(path_.native())));
  const int result = dialog->exec();
  ClosePopUps(*dialog);
  if (result != QDialog::Accepted) return false;
  const QStringList chosen = dialog->selectedFiles();
  if (chosen.isEmpty()) return false;
  // The name's bytes as the file system wants them.
  path_ = std::filesystem::path(QFile::encodeName(chosen.first()).toStdString());
  return true;
}

}  // namespace kavrin::ui::qt
