#include "app/win32/working_folder_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <system_error>

#include "config/file_util.h"
#include "config/resources.h"

namespace kavrin::app {
namespace {

std::filesystem::path ProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    name.resize(name.size() * 2);
  }
  return std::filesystem::path(name).parent_path();
}

// The shell's library is loaded only here, for an installed copy: importing it would load it
// and its helpers (several MiB) into every start for a folder most starts never ask for.
std::filesystem::path DocumentsFolder() {
  HMODULE shell = LoadLibraryW(L"shell32.dll");
  if (shell == nullptr) return {};
  using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
  // Through void(*)(): the generic function pointer, from which any function type may be cast.
  const auto getFolderPath = reinterpret_cast<GetFolderPath>(
      reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetFolderPathW")));
  wchar_t path[MAX_PATH] = {};
  const bool found =
      getFolderPath != nullptr &&
      SUCCEEDED(getFolderPath(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, path));
  FreeLibrary(shell);
  if (!found) return {};
  return path;
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec1, ec2;
  return std::filesystem::equivalent(a, b, ec1) && !ec1 && !ec2;
}

// The installer leaves its uninstaller beside the programs: this copy was installed.
bool IsInstalledCopy(const std::filesystem::path& folder) {
  return FileExists(folder / L"uninstall.exe");
}

}  // namespace

std::filesystem::path ChooseWorkingFolder() {
  std::error_code ec;
  const std::filesystem::path current = std::filesystem::current_path(ec);
  const std::filesystem::path program = ProgramFolder();
  if (ec || program.empty() || !SameFolder(current, program) || !IsInstalledCopy(program)) {
    return current;
  }
  const std::filesystem::path documents = DocumentsFolder();
  if (documents.empty()) return current;
  const std::filesystem::path folder = documents / L"KavrinTool";
  std::filesystem::create_directories(folder, ec);
  if (ec || !SetCurrentDirectoryW(folder.c_str())) return current;
  const std::filesystem::path config = folder / L"KAVRIN_CFG.ini";
  if (!std::filesystem::exists(config, ec)) {
    const std::filesystem::path shipped = program / L"KAVRIN_CFG.ini";
    if (FileExists(shipped)) {
      std::filesystem::copy_file(shipped, config, ec);
    } else {
      // Never over a file that appeared meanwhile: the user's edits win.
      WriteResourceToFile(kDefaultConfigResourceId, kTextResourceType, config,
                          WriteMode::CreateOnly);
    }
  }
  return folder;
}

}  // namespace kavrin::app
