#include "device/dshow/dshow_backend.h"

// clang-format off
#include <windows.h>
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

#include <cstdint>
#include <cwchar>
#include <functional>
#include <optional>

#include "config/text_codec.h"
#include "config/trace.h"
#include "device/bounded_wait.h"
#include "device/device_link.h"
#include "device/dshow/bounded_ks_property.h"
#include "device/dshow/com_ptr.h"
#include "device/dshow/ks_unit_probe.h"
#include "device/dshow/video_input_presence.h"

namespace kavrin::dshow {
namespace {

static_assert(sizeof(KSP_NODE) == 32, "the recorder's driver expects the 32-byte KSP_NODE");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

// In-process server, in-process handler or local server (7): wherever the system keeps it.
constexpr DWORD kEnumeratorContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), std::wcslen(text));
}

// One device of the video input category as the walk meets it.
struct Found {
  IMoniker* moniker;
  std::u16string friendlyName;
  std::string location;
};

enum class WalkResult { Walked, NoDeviceEnumerator, NoClassEnumerator, EmptyCategory };

// The moniker's display name, the device's stable address; "#N" (its place in the walk)
// should the moniker have none.
std::string Location(IMoniker& moniker, int index) {
  ComPtr<IBindCtx> context;
  LPOLESTR name = nullptr;
  std::string location;
  if (SUCCEEDED(CreateBindCtx(0, context.Receive())) &&
      SUCCEEDED(moniker.GetDisplayName(context.Get(), nullptr, &name)) && name != nullptr) {
    location = ToUtf8(FromWide(name));
  }
  if (name != nullptr) CoTaskMemFree(name);
  return location.empty() ? "#" + std::to_string(index) : location;
}

// The "FriendlyName" from the moniker's property bag; false when it cannot be had.
bool ReadFriendlyName(IMoniker& moniker, std::u16string* friendlyName) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker.BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())) ||
      !bag) {
    return false;
  }
  VARIANT value;
  VariantInit(&value);
  const bool read = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR &&
                    value.bstrVal != nullptr;
  if (read) *friendlyName = FromWide(value.bstrVal);
  VariantClear(&value);
  return read;
}

// Walks the video input category in the enumerator's order, one moniker per Next, and calls
// visit for every device whose friendly name can be read, until visit returns true. A
// device without a property bag or a friendly name is skipped.
WalkResult WalkVideoInputs(const std::function<bool(const Found&)>& visit) {
  // Nothing the enumerator could list: not worth loading it.
  if (!VideoInputsMayExist()) return WalkResult::EmptyCategory;
  ComPtr<ICreateDevEnum> deviceEnum;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, kEnumeratorContext,
                              IID_ICreateDevEnum, deviceEnum.ReceiveVoid())) ||
      !deviceEnum) {
    return WalkResult::NoDeviceEnumerator;
  }
  ComPtr<IEnumMoniker> monikers;
  const HRESULT made =
      deviceEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Receive(), 0);
  if (made == S_FALSE) return WalkResult::EmptyCategory;
  if (made != S_OK || !monikers) return WalkResult::NoClassEnumerator;
  ComPtr<IMoniker> moniker;
  for (int index = 0; monikers->Next(1, moniker.Receive(), nullptr) == S_OK && moniker; ++index) {
    Found found{moniker.Get(), {}, {}};
    if (!ReadFriendlyName(*moniker.Get(), &found.friendlyName)) continue;
    found.location = Location(*moniker.Get(), index);
    if (visit(found)) break;
  }
  return WalkResult::Walked;
}

// The per-command lock of one recorder: a mutex named after the device's location, which
// every program that follows this rule opens under the same name. The system hands an
// abandoned mutex (its holder ended) to the next waiter, so a crashed peer never blocks.
class DeviceMutex {
 public:
  explicit DeviceMutex(const std::string& location) {
    for (const char16_t c : RecorderLockName(location)) name_ += static_cast<wchar_t>(c);
  }
  ~DeviceMutex() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  DeviceMutex(const DeviceMutex&) = delete;
  DeviceMutex& operator=(const DeviceMutex&) = delete;

  // Waits at most kRecorderLockWait; a thread that holds it may take it again (it counts).
  bool Lock() {
    if (mutex_ == nullptr) mutex_ = CreateMutexW(nullptr, FALSE, name_.c_str());
    // Another user's program made it and holds the recorder; with no named objects at all
    // there is nobody to share with.
    if (mutex_ == nullptr) return GetLastError() != ERROR_ACCESS_DENIED;
    const DWORD waited = WaitForSingleObject(mutex_, static_cast<DWORD>(kRecorderLockWait.count()));
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  void Unlock() {
    if (mutex_ != nullptr) ReleaseMutex(mutex_);
  }

 private:
  std::wstring name_;
  HANDLE mutex_ = nullptr;
};

GUID ToPlatformGuid(const Guid& guid) {
  GUID platform{};
  platform.Data1 = guid.data1;
  platform.Data2 = guid.data2;
  platform.Data3 = guid.data3;
  for (std::size_t i = 0; i < 8; ++i) platform.Data4[i] = guid.data4[i];
  return platform;
}

// A bound capture filter. COM stays initialised on the thread while the filter is held
// (from the attach to the detach); the filter is released first.
class DshowChannel : public PropertyChannel {
 public:
  DshowChannel(ComPtr<IBaseFilter> filter, const std::string& location)
      : filter_(std::move(filter)), mutex_(location) {}

  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override {
    // Asked anew for every transfer and never kept: the driver's interface belongs to the
    // filter, which may have been torn down by an unplug meanwhile.
    ComPtr<IKsControl> control;
    const HRESULT asked = filter_->QueryInterface(IID_IKsControl, control.ReceiveVoid());
    if (!control) return FAILED(asked) ? asked : E_NOINTERFACE;
    nodeId = NodeFor(*control.Get(), propertySet, nodeId);
    KSP_NODE node{};
    node.Property.Set = ToPlatformGuid(propertySet);
    node.Property.Id = selector;
    node.Property.Flags =
        (isSet ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET) | KSPROPERTY_TYPE_TOPOLOGY;
    node.NodeId = nodeId;
    node.Reserved = 0;
    // Bounded: a call the driver holds longer ends the command with ERROR_TIMEOUT.
    return BoundedKsProperty(control.Get(), node, data, length);
  }

  // One command at a time on the recorder, across programs (a SET and the GET that answers
  // it, a write and its commit).
  bool Lock() override { return mutex_.Lock(); }
  void Unlock() override { mutex_.Unlock(); }

  IBaseFilter* Filter() const { return filter_.Get(); }

 private:
  // The node the recorder's unit is at: the node asked for when it carries the set, else the
  // extension-unit node of the topology that does (looked up once per bound filter).
  uint32_t NodeFor(IKsControl& control, const Guid& propertySet, uint32_t asked) {
    if (asked != DeviceLink::kNodeId) return asked;
    if (!resolvedNode_) {
      const UnitLocation location = LocateUnit(*filter_.Get(), control, ToPlatformGuid(propertySet),
                                               DeviceLink::SELECTOR_COMMAND, asked);
      resolvedNode_ = location.found ? location.node : asked;
      if (location.found && location.node != asked) {
        Trace("\nextension unit at node %lu", static_cast<unsigned long>(location.node));
      }
    }
    return *resolvedNode_;
  }

  ComScope com_;
  ComPtr<IBaseFilter> filter_;
  std::optional<uint32_t> resolvedNode_;
  DeviceMutex mutex_;
};

std::unique_ptr<DshowChannel> BindByLocation(const std::string& location) {
  ComPtr<IBaseFilter> filter;
  bool matched = false;
  WalkVideoInputs([&](const Found& found) {
    if (found.location != location) return false;
    matched = true;
    if (FAILED(
            found.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()))) {
      filter.Reset();
    }
    return true;
  });
  if (!matched || !filter) return nullptr;
  return std::make_unique<DshowChannel>(std::move(filter), location);
}

}  // namespace

std::u16string RecorderLockName(const std::string& location) {
  std::u16string wide = FromUtf8(location);
  // Within the system's limit for names: a long location is cut and its hash added.
  constexpr std::size_t kRoom = 200;
  if (wide.size() > kRoom) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the whole location
    for (const char16_t c : wide) hash = (hash ^ c) * 1099511628211ull;
    wide.resize(kRoom);
    wide += u"#" + FromUtf8(std::to_string(hash));
  }
  // A backslash would name a namespace.
  for (char16_t& c : wide) {
    if (c == u'\\') c = u'/';
  }
  return u"kavrin-recorder:" + wide;
}

std::optional<std::vector<VideoInput>> DshowBackend::ListVideoInputs() {
  ComScope com;
  problem_.clear();
  std::vector<VideoInput> inputs;
  const WalkResult result = WalkVideoInputs([&](const Found& found) {
    inputs.push_back(VideoInput{found.friendlyName, found.location});
    return false;
  });
  switch (result) {
    case WalkResult::NoDeviceEnumerator:
      problem_ = "the system device enumerator cannot be created";
      return std::nullopt;
    case WalkResult::NoClassEnumerator:
      problem_ = "the video input devices cannot be enumerated";
      return std::nullopt;
    case WalkResult::EmptyCategory:
      problem_ = "the system has no video input device";
      break;
    case WalkResult::Walked:
      break;
  }
  return inputs;
}

std::unique_ptr<PropertyChannel> DshowBackend::Bind(const VideoInput& input) {
  ComScope com;  // the channel keeps its own for as long as it lives
  return BindByLocation(input.location);
}

InputDiagnosis DshowBackend::Diagnose(const VideoInput& input) {
  ComScope com;
  InputDiagnosis diagnosis;
  const std::unique_ptr<DshowChannel> channel = BindByLocation(input.location);
  diagnosis.opened = channel != nullptr;
  if (!channel) {
    diagnosis.detail = "its capture filter cannot be bound";
    return diagnosis;
  }
  ComPtr<IKsControl> control;
  channel->Filter()->QueryInterface(IID_IKsControl, control.ReceiveVoid());
  if (!control) {
    diagnosis.detail = "its filter has no kernel-streaming control (IKsControl)";
    return diagnosis;
  }
  // Every kernel-streaming capture filter has IKsControl: the unit itself is asked.
  const UnitLocation location =
      LocateUnit(*channel->Filter(), *control.Get(), ToPlatformGuid(DeviceLink::kPropertySet),
                 DeviceLink::SELECTOR_COMMAND, DeviceLink::kNodeId);
  diagnosis.unitFound = location.Usable();
  if (location.found) diagnosis.unitId = static_cast<int>(location.node);
  diagnosis.detail = location.Describe(DeviceLink::kNodeId);
  return diagnosis;
}

}  // namespace kavrin::dshow
