// fake_recorder_filter.dll: the COM in-process server around the fake filter, and its
// registration as a DirectShow video input device.
//
//   regsvr32 /s fake_recorder_filter.dll                     device 0 named "ZK742"
//   regsvr32 /s /n /i:"Driving Recorder;1" fake_recorder_filter.dll
//   regsvr32 /s /u /n /i:";1" fake_recorder_filter.dll       removes device 1
//
// The system device enumerator lists every subkey of the video input category's Instance
// key with its FriendlyName; BindToObject creates the class its CLSID value names.
#include <windows.h>
#include <olectl.h>

#include <cwchar>
#include <string>

#include "tests/windows/fake_filter/fake_recorder_filter.h"

namespace kavrin::fake_filter {
namespace {

HMODULE module = nullptr;
LONG serverLocks = 0;

constexpr wchar_t kVideoInputInstances[] =
    L"CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\";

class ClassFactory : public IClassFactory {
 public:
  void SetIndex(unsigned index) { index_ = index; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factories live as long as the module.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreateFilter(index_, iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&serverLocks);
    } else {
      InterlockedDecrement(&serverLocks);
    }
    return S_OK;
  }

 private:
  unsigned index_ = 0;
};

ClassFactory factories[kMaxDevices];

LONG SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &handle, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return result;
}

HRESULT Register(const std::wstring& friendlyName, unsigned index) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
  const std::wstring clsid = ClsidText(index);
  const std::wstring classKey = L"CLSID\\" + clsid;
  const std::wstring instanceKey = kVideoInputInstances + clsid;
  const LONG failed = SetText(classKey, nullptr, friendlyName) ||
                      SetText(classKey + L"\\InprocServer32", nullptr, path) ||
                      SetText(classKey + L"\\InprocServer32", L"ThreadingModel", L"Both") ||
                      SetText(instanceKey, L"CLSID", clsid) ||
                      SetText(instanceKey, L"FriendlyName", friendlyName);
  return failed ? SELFREG_E_CLASS : S_OK;
}

HRESULT Unregister(unsigned index) {
  const std::wstring clsid = ClsidText(index);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (kVideoInputInstances + clsid).c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
  return S_OK;
}

// "NAME" or "NAME;INDEX"; an empty name is "ZK742". False for an index out of range.
bool ParseInstallLine(const wchar_t* line, std::wstring* name, unsigned* index) {
  std::wstring text = line != nullptr ? line : L"";
  *index = 0;
  const std::size_t separator = text.rfind(L';');
  if (separator != std::wstring::npos) {
    const std::wstring digits = text.substr(separator + 1);
    if (digits.empty() || digits.size() > 1 || digits[0] < L'0' || digits[0] > L'9') return false;
    *index = static_cast<unsigned>(digits[0] - L'0');
    text.resize(separator);
  }
  *name = text.empty() ? L"ZK742" : text;
  return *index < kMaxDevices;
}

}  // namespace
}  // namespace kavrin::fake_filter

using namespace kavrin::fake_filter;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
    for (unsigned i = 0; i < kMaxDevices; ++i) factories[i].SetIndex(i);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  unsigned index = 0;
  if (!IndexOf(clsid, &index)) {
    if (object != nullptr) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return factories[index].QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return LiveObjects() == 0 && serverLocks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return Register(L"ZK742", 0); }

STDAPI DllUnregisterServer() { return Unregister(0); }

STDAPI DllInstall(BOOL install, LPCWSTR line) {
  std::wstring name;
  unsigned index = 0;
  if (!ParseInstallLine(line, &name, &index)) return E_INVALIDARG;
  return install ? Register(name, index) : Unregister(index);
}
