#pragma once
// The platform's file-open dialog (GetOpenFileNameW), owned by the dialog window that runs,
// which takes no input while it shows. It offers the last chosen path again.
#include <filesystem>
#include <string>

#include "ui/framework/toolkit.h"

namespace kavrin::ui::win32 {

// "BIN (*.bin)|*.bin|All file (*.*)|*.*|" as the platform's filter: pairs separated by NULs,
// ending with two.
std::wstring ConvertFileFilter(std::u16string_view filter);

class Win32FileDialog : public FileDialog {
 public:
  explicit Win32FileDialog(std::u16string_view filter);
  bool Run() override;
  std::filesystem::path PathName() const override { return path_; }

 private:
  std::wstring filter_;
  std::filesystem::path path_;
};

}  // namespace kavrin::ui::win32
