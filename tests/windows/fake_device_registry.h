#pragma once
// Fake recorders for the DirectShow tests: each is a fake filter registered in the system's
// (the Wine prefix's) video input category under a friendly name, with a simulator state
// file of its own. The registration goes through the filter DLL's DllInstall, as
// `regsvr32 /n /i:"NAME;INDEX"` does.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/sim/recorder.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {

class FakeRecorders {
 public:
  // Starts from an empty category: every fake device is unregistered.
  FakeRecorders();
  // Unregisters what it registered.
  ~FakeRecorders();
  FakeRecorders(const FakeRecorders&) = delete;
  FakeRecorders& operator=(const FakeRecorders&) = delete;

  // Plugs in fake device `index` (0-9) under the name, with the state: Provide, then
  // Register.
  void Add(unsigned index, const std::wstring& friendlyName, const sim::RecorderState& state);
  // Writes the device's state file and names it in the environment (for this process and the
  // programs it starts from now on).
  void Provide(unsigned index, const sim::RecorderState& state);
  // Lists the device in the video input category under the name.
  void Register(unsigned index, const std::wstring& friendlyName) const;
  // The recorder's state as the filter left it.
  sim::RecorderState State(unsigned index) const;
  void SetState(unsigned index, const sim::RecorderState& state) const;
  std::filesystem::path StatePath(unsigned index) const;

 private:
  using InstallFunction = long(__stdcall*)(int, const wchar_t*);
  void Install(bool install, unsigned index, const std::wstring& name) const;

  void* module_ = nullptr;
  InstallFunction install_ = nullptr;
  TempDir states_;
  std::vector<std::unique_ptr<ScopedEnvironment>> variables_;
};

}  // namespace kavrin::test
