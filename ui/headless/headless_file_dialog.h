#pragma once
// The file-open dialog of the headless backend: each Run takes the next answer the test
// queued on the toolkit (a path, or cancel); with none queued it is cancelled.
#include <filesystem>
#include <string>

#include "ui/framework/toolkit.h"

namespace kavrin::ui::headless {

class HeadlessToolkit;

class HeadlessFileDialog : public FileDialog {
 public:
  HeadlessFileDialog(HeadlessToolkit& toolkit, std::u16string_view filter);

  bool Run() override;
  std::filesystem::path PathName() const override { return path_; }

  const std::u16string& Filter() const { return filter_; }
  int Runs() const { return runs_; }
  // The path the dialog offered when it was last run: the one chosen before.
  const std::filesystem::path& OfferedPath() const { return offered_; }

 private:
  HeadlessToolkit& toolkit_;
  std::u16string filter_;
  std::filesystem::path path_;
  std::filesystem::path offered_;
  int runs_ = 0;
};

}  // namespace kavrin::ui::headless
