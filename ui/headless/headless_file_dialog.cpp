#include "ui/headless/headless_file_dialog.h"

#include "ui/headless/headless_toolkit.h"

namespace kavrin::ui::headless {

HeadlessFileDialog::HeadlessFileDialog(HeadlessToolkit& toolkit, std::u16string_view filter)
    : toolkit_(toolkit), filter_(filter) {}

bool HeadlessFileDialog::Run() {
  ++runs_;
  offered_ = path_;
  // Modal while it runs: the dialog windows behind it take no input.
  toolkit_.FileDialogStarted();
  std::optional<std::filesystem::path> answer = toolkit_.TakeFileDialogAnswer();
  toolkit_.FileDialogEnded();
  if (!answer) return false;  // cancelled: the last chosen path stays
  path_ = *answer;
  return true;
}

}  // namespace kavrin::ui::headless
