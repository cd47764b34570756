// kavrintool.exe: the desktop tool on Windows. The command-line text after the program name
// is the tool's switch value.
#include "ui/win32/win32_api.h"
#include <commctrl.h>

#include <string>
#include <string_view>

#include "app/kavrin_app.h"
#include "app/single_instance.h"
#include "app/win32/working_folder_win32.h"
#include "config/standard_descriptors.h"
#include "device/platform_backend.h"
#include "ui/win32/win32_toolkit.h"

namespace {

// The text after the program name, leading blanks removed, in the ANSI code page (the
// switch value is hexadecimal digits; anything else counts as 0 digits).
std::string SwitchText(const wchar_t* commandLine) {
  std::wstring_view text =
      commandLine != nullptr ? std::wstring_view(commandLine) : std::wstring_view();
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  if (text.empty()) return {};
  const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7fff));
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string converted(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, converted.data(), bytes, nullptr, nullptr);
  return converted;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // Started without a console, the C runtime's streams are bound to nothing: bound to NUL,
  // a message written before the trace console opens goes nowhere instead of failing.
  if (!kavrin::OpenClosedStandardDescriptors()) return 1;
  // Before anything reads or writes the folder's files.
  kavrin::app::ChooseWorkingFolder();
  // The version 6 controls the manifest asks for need the library loaded and its classes
  // registered before the first dialog.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  kavrin::ui::Win32Toolkit toolkit;
  const auto backend = kavrin::MakeVideoInputBackend();
  const auto instance = kavrin::MakeSingleInstance();
  // The main window hears WM_DEVICECHANGE itself; the monitor adds what the platform does
  // not broadcast (device interfaces arriving, the simulator's recorders coming and going).
  const auto monitor = kavrin::MakeDeviceChangeMonitor();
  kavrin::KavrinApp app(toolkit, *backend, *instance, monitor.get());
  app.InitInstance(SwitchText(commandLine));
  return 0;
}
