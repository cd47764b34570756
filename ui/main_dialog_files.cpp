// Block files from the window: Load, Save, Set Def. and the default file at start-up.
#include "config/file_util.h"
#include "config/text_codec.h"
#include "ui/main_dialog.h"

namespace kavrin {

void MainDialog::OnLoad() {
  if (!blockFileDialog_ || !blockFileDialog_->Run()) return;
  const std::filesystem::path path = blockFileDialog_->PathName();
  // The display gets the path even while it is hidden.
  if (pathDisplay_) pathDisplay_->SetText(FromUtf8(path.string()));
  LoadFile(path);
  // Also after an unreadable file: the controls show the block as it stands.
  BlockToControls();
}

void MainDialog::OnSave() {
  if (!blockFileDialog_ || !blockFileDialog_->Run()) return;
  const std::filesystem::path path = blockFileDialog_->PathName();
  // A saved file holds only what the controls show: every uncovered bit and the note are 0.
  Clear();
  ControlsToBlock();
  SaveFile(path);
}

void MainDialog::OnSetDefault() {
  // Not cleared: bits no item covers and the note keep what the block holds.
  ControlsToBlock();
  SaveFile(defaultFilePath_);
}

int MainDialog::LoadDefaultFile() {
  if (!FileExists(defaultFilePath_)) return 0;
  LoadFile(defaultFilePath_);
  BlockToControls();
  return 1;
}

}  // namespace kavrin
