// Block files from the window: Load, Save, Set Def. and the default file at start-up. A file
// that cannot be read or written changes nothing and is named on the trace with the reason.
#include "config/file_util.h"
#include "config/text_codec.h"
#include "config/trace.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

void TraceIfUnread(const std::filesystem::path& path, const FileOutcome& read) {
  if (!read) Trace("\n%s\n", CannotReadText(path, read).c_str());
}

void TraceIfUnwritten(const std::filesystem::path& path, const FileOutcome& written) {
  if (!written) Trace("\n%s\n", CannotWriteText(path, written).c_str());
}

}  // namespace

void MainDialog::OnLoad() {
  if (!blockFileDialog_ || !blockFileDialog_->Run()) return;
  const std::filesystem::path path = blockFileDialog_->PathName();
  // The display gets the path even while it is hidden.
  if (pathDisplay_) pathDisplay_->SetText(FromUtf8(path.string()));
  TraceIfUnread(path, LoadFile(path));
  // Also after an unreadable file: the controls show the block as it stands.
  BlockToControls();
}

void MainDialog::OnSave() {
  if (!blockFileDialog_ || !blockFileDialog_->Run()) return;
  const std::filesystem::path path = blockFileDialog_->PathName();
  // A saved file holds only what the controls show: every uncovered bit and the note are 0.
  Clear();
  ControlsToBlock();
  TraceIfUnwritten(path, SaveFile(path));
}

void MainDialog::OnSetDefault() {
  // Not cleared: bits no item covers and the note keep what the block holds.
  ControlsToBlock();
  TraceIfUnwritten(defaultFilePath_, SaveFile(defaultFilePath_));
}

int MainDialog::LoadDefaultFile() {
  // A Default.bin that is not a readable file (a FIFO, a folder, no permission) is left
  // alone: the block keeps the controls' defaults.
  const FileOutcome readable = CheckReadable(defaultFilePath_);
  if (!readable) {
    if (readable.fault != FileFault::Missing) {
      Trace("\n%s; left alone\n", CannotReadText(defaultFilePath_, readable).c_str());
    }
    return 0;
  }
  TraceIfUnread(defaultFilePath_, LoadFile(defaultFilePath_));
  BlockToControls();
  return 1;
}

}  // namespace kavrin
