#pragma once
// The block-file dialog on Qt: one QFileDialog, reused so that it offers the last chosen path
// again. It is an open dialog that still accepts a name that does not exist yet (Save uses it
// too), asks no overwrite question and appends no extension. The window owns this object from
// its start, but the QFileDialog itself is built when it is first needed: building one reads
// the icon theme and the file system's state, which the window's first paint does not need.
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "ui/framework/toolkit.h"

class QFileDialog;

namespace kavrin::ui::qt {

// "BIN (*.bin)|*.bin|All file (*.*)|*.*|" as Qt name filters: "BIN (*.bin)", "All file (*)".
// Each description keeps its words; its patterns are the pair's, where "*.*" becomes "*"
// (Qt's "*.*" would skip names without a dot). A description without a pattern is dropped.
QStringList ConvertFileFilter(std::u16string_view filter);

class QtFileDialog : public FileDialog {
 public:
  explicit QtFileDialog(std::u16string_view filter);
  ~QtFileDialog() override;

  bool Run() override;
  std::filesystem::path PathName() const override { return path_; }

  // The dialog widget, built now if it has not been yet.
  QFileDialog* Widget();
  bool WidgetBuilt() const { return dialog_ != nullptr; }

 private:
  std::u16string filter_;
  std::unique_ptr<QFileDialog> dialog_;
  std::filesystem::path path_;
};

}  // namespace kavrin::ui::qt
