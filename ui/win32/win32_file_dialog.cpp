#include "ui/win32/win32_file_dialog.h"

#include "ui/win32/win32_api.h"
#include <commdlg.h>

#include <vector>

#include "ui/win32/win32_text.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::win32 {

std::wstring ConvertFileFilter(std::u16string_view filter) {
  std::wstring converted = ToWide(filter);
  for (wchar_t& c : converted)
    if (c == L'|') c = L'\0';
  converted.push_back(L'\0');  // a filter not closed by "|" still ends with two NULs
  converted.push_back(L'\0');
  return converted;
}

namespace {

// The common dialogs' library brings the shell's with it (shell32, shlwapi and more): loaded
// when the operator first opens the dialog, not at every start of the window.
using GetOpenFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);
GetOpenFileNameFn OpenFileDialogFunction() {
  static const GetOpenFileNameFn function = [] {
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    return library ? reinterpret_cast<GetOpenFileNameFn>(
                         reinterpret_cast<void*>(GetProcAddress(library, "GetOpenFileNameW")))
                   : nullptr;
  }();
  return function;
}

}  // namespace

Win32FileDialog::Win32FileDialog(std::u16string_view filter) : filter_(ConvertFileFilter(filter)) {}

bool Win32FileDialog::Run() {
  // Room for long paths; the last choice is offered again.
  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring previous = path_.wstring();
  if (previous.size() < name.size()) previous.copy(name.data(), previous.size());
  OPENFILENAMEW open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = CurrentOwnerWindow();
  open.lpstrFilter = filter_.c_str();
  open.nFilterIndex = 1;
  open.lpstrFile = name.data();
  open.nMaxFile = static_cast<DWORD>(name.size());
  open.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  const GetOpenFileNameFn getOpenFileName = OpenFileDialogFunction();
  if (!getOpenFileName || !getOpenFileName(&open)) return false;
  path_ = std::filesystem::path(std::wstring(name.data()));
  return true;
}

}  // namespace kavrin::ui::win32
