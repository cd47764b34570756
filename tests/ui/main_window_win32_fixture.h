#pragma once
// The main window on the plain Win32 backend: the fixture the Win32 main-window tests share.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ui/win32/win32_api.h"
#include "config/text_codec.h"
#include "device/sim/sim_backend.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"
#include "ui/main_dialog.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/win32/win32_window.h"

namespace kavrin::test {

inline std::wstring WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

// The control's window rectangle in its dialog's client coordinates.
inline ui::Rect ClientRectOf(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

class MainWindowWin32Test : public ::testing::Test {
 protected:
  MainWindowWin32Test() : statePath((dir / "recorder.json").string()), simulator(statePath) {}

  void SetUp() override { SetAnsiCharset("UTF-8"); }
  void TearDown() override {
    window.reset();
    SetAnsiCharset("");
  }

  MainDialog& Open(uint32_t switches = 0) {
    window = std::make_unique<MainDialog>(toolkit, simulator);
    window->Flags().SetFlag(switches);
    window->SetConsoleOpener([] {});
    EXPECT_TRUE(window->Create());
    window->Window()->Show();
    return *window;
  }
  HWND Dialog() { return static_cast<ui::win32::Win32Window&>(*window->Window()).Handle(); }
  HWND Item(int id) { return GetDlgItem(Dialog(), id); }

  TempDir dir;
  ScopedCurrentDir cwd{dir.Path()};
  TraceCapture trace;
  ui::win32::Win32Toolkit toolkit;
  std::string statePath;
  sim::SimBackend simulator;
  std::unique_ptr<MainDialog> window;
};

}  // namespace kavrin::test
