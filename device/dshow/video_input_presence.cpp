#include "device/dshow/video_input_presence.h"

#include <windows.h>

#include <cwctype>

namespace kavrin::dshow {
namespace {

enum class KeyState { Missing, Empty, HasEntries, Unreadable };

KeyState SubkeysOf(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND) return KeyState::Missing;
  if (opened != ERROR_SUCCESS) return KeyState::Unreadable;
  DWORD subkeys = 0;
  const LONG queried = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (queried != ERROR_SUCCESS) return KeyState::Unreadable;
  return subkeys > 0 ? KeyState::HasEntries : KeyState::Empty;
}

// Video for Windows capture drivers are values "msvideo", "msvideo1", ... of Drivers32.
KeyState VideoDriversIn(const std::wstring& path) {
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
  if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND) return KeyState::Missing;
  if (opened != ERROR_SUCCESS) return KeyState::Unreadable;
  KeyState state = KeyState::Empty;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG read = RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (read == ERROR_NO_MORE_ITEMS) break;
    if (read != ERROR_SUCCESS) {
      state = read == ERROR_MORE_DATA ? state : KeyState::Unreadable;
      if (state == KeyState::Unreadable) break;
      continue;  // a name longer than any driver's
    }
    std::wstring lowered(name, length);
    for (wchar_t& c : lowered) c = static_cast<wchar_t>(std::towlower(c));
    if (lowered.rfind(L"msvideo", 0) == 0) {
      state = KeyState::HasEntries;
      break;
    }
  }
  RegCloseKey(key);
  return state;
}

bool MayHaveEntries(KeyState state) {
  return state == KeyState::HasEntries || state == KeyState::Unreadable;
}

}  // namespace

const VideoInputSources& SystemVideoInputSources() {
  static const VideoInputSources sources{
      // Interfaces of KSCATEGORY_CAPTURE, KSCATEGORY_VIDEO and KSCATEGORY_VIDEO_CAMERA: a
      // subkey for every device that has had one, present or not.
      {L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{65E8773D-8F56-11D0-A3B9-00A0C9223196}",
       L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{6994AD05-93EF-11D0-A3CC-00A0C9223196}",
       L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{E5323777-F976-4F5B-9B55-"
       L"B94699C46E44}"},
      // Filters registered in the video input category.
      {L"CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance"},
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32"};
  return sources;
}

bool VideoInputsMayExist(const VideoInputSources& sources) {
  for (const std::wstring& path : sources.machineKeysWithSubkeys) {
    if (MayHaveEntries(SubkeysOf(HKEY_LOCAL_MACHINE, path))) return true;
  }
  for (const std::wstring& path : sources.classesKeysWithSubkeys) {
    if (MayHaveEntries(SubkeysOf(HKEY_CLASSES_ROOT, path))) return true;
  }
  return !sources.driversKey.empty() && MayHaveEntries(VideoDriversIn(sources.driversKey));
}

}  // namespace kavrin::dshow
