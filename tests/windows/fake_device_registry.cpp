#include "tests/windows/fake_device_registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/run_program.h"
#include "tests/windows/fake_filter/fake_recorder_filter.h"

namespace kavrin::test {

FakeRecorders::FakeRecorders() {
  const std::filesystem::path dll = BuiltFile(FAKE_FILTER_DLL);
  HMODULE module = LoadLibraryW(dll.c_str());
  if (module == nullptr) {
    ADD_FAILURE() << "cannot load " << dll.string();
    return;
  }
  module_ = module;
  install_ = reinterpret_cast<InstallFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
  if (install_ == nullptr) ADD_FAILURE() << "no DllInstall in " << dll.string();
  for (unsigned i = 0; i < fake_filter::kMaxDevices; ++i) Install(false, i, L"");
}

FakeRecorders::~FakeRecorders() {
  for (unsigned i = 0; i < fake_filter::kMaxDevices; ++i) Install(false, i, L"");
  // The module stays loaded: COM may still hold the class factory of a released filter.
}

void FakeRecorders::Install(bool install, unsigned index, const std::wstring& name) const {
  if (install_ == nullptr) return;
  const std::wstring line = name + L";" + std::to_wstring(index);
  const long result = install_(install ? TRUE : FALSE, line.c_str());
  EXPECT_EQ(result, S_OK) << (install ? "registering" : "unregistering") << " device " << index;
}

void FakeRecorders::Add(unsigned index, const std::wstring& friendlyName,
                        const sim::RecorderState& state) {
  Provide(index, state);
  Register(index, friendlyName);
}

void FakeRecorders::Provide(unsigned index, const sim::RecorderState& state) {
  SetState(index, state);
  variables_.push_back(std::make_unique<ScopedEnvironment>(
      fake_filter::StateVariable(index).c_str(), StatePath(index).string().c_str()));
}

void FakeRecorders::Register(unsigned index, const std::wstring& friendlyName) const {
  Install(true, index, friendlyName);
}

std::filesystem::path FakeRecorders::StatePath(unsigned index) const {
  return states_ / ("recorder" + std::to_string(index) + ".json");
}

sim::RecorderState FakeRecorders::State(unsigned index) const {
  std::string error;
  std::optional<sim::RecorderState> state = sim::LoadState(StatePath(index).string(), &error);
  EXPECT_TRUE(state) << error;
  return state.value_or(sim::RecorderState{});
}

void FakeRecorders::SetState(unsigned index, const sim::RecorderState& state) const {
  ASSERT_TRUE(sim::SaveState(StatePath(index).string(), state));
}

}  // namespace kavrin::test
