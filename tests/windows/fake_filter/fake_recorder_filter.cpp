#include "tests/windows/fake_filter/fake_recorder_filter.h"

// clang-format off
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

#include <cstdlib>
#include <memory>
#include <new>
#include <sstream>
#include <vector>

#include "device/device_link.h"
#include "device/dshow/ks_topology.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"

namespace kavrin::fake_filter {
namespace {

LONG liveObjects = 0;

constexpr CLSID kClsidBase = {
    0x5a1d0c42, 0x7e3b, 0x4c59, {0x9f, 0x21, 0x0b, 0x7e, 0x1d, 0x4a, 0x74, 0x00}};

bool IsRecorderSet(const GUID& set) {
  const Guid& ours = DeviceLink::kPropertySet;
  if (set.Data1 != ours.data1 || set.Data2 != ours.data2 || set.Data3 != ours.data3) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if (set.Data4[i] != ours.data4[i]) return false;
  }
  return true;
}

// {0B3A5F8E-2C71-4D94-A1E6-5C0D9B7F3E21}: another vendor's extension unit.
constexpr GUID kOtherVendorSet = {
    0x0b3a5f8e, 0x2c71, 0x4d94, {0xa1, 0xe6, 0x5c, 0x0d, 0x9b, 0x7f, 0x3e, 0x21}};
// KSNODETYPE_VIDEO_CAMERA_TERMINAL and KSNODETYPE_VIDEO_PROCESSING, as a camera's first nodes.
constexpr GUID kCameraTerminal = {
    0xdff229e1, 0xf70f, 0x11d0, {0xb9, 0x17, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};
constexpr GUID kProcessingUnit = {
    0xdff229e2, 0xf70f, 0x11d0, {0xb9, 0x17, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96}};

// One node of the filter's topology: its type and, for an extension unit, whose set it
// carries and how large its control is.
struct Node {
  GUID type;
  bool recorderUnit = false;
  ULONG controlSize = 0;
};

// KAVRIN_FAKE_FILTER_NODES[_N]: the nodes in order, comma-separated: "camera", "processing",
// "other" (another vendor's unit), "recorder" or "recorder:SIZE". Unset: a camera, its
// processing unit and the recorder's unit at node 2.
std::vector<Node> Topology(unsigned index) {
  const std::string variable =
      index == 0 ? "KAVRIN_FAKE_FILTER_NODES" : "KAVRIN_FAKE_FILTER_NODES_" + std::to_string(index);
  const char* text = std::getenv(variable.c_str());
  std::istringstream list(text != nullptr && *text != '\0' ? text : "camera,processing,recorder");
  std::vector<Node> nodes;
  for (std::string word; std::getline(list, word, ',');) {
    if (word == "camera") {
      nodes.push_back(Node{kCameraTerminal});
    } else if (word == "processing") {
      nodes.push_back(Node{kProcessingUnit});
    } else if (word == "other") {
      nodes.push_back(Node{dshow::kNodeTypeDevSpecific, false, 16});
    } else if (word.rfind("recorder", 0) == 0) {
      const ULONG size =
          word.size() > 9 ? std::strtoul(word.c_str() + 9, nullptr, 10) : DeviceLink::kPacketSize;
      nodes.push_back(Node{dshow::kNodeTypeDevSpecific, true, size});
    }
  }
  return nodes;
}

class FakeFilter : public IBaseFilter, public IKsControl, public dshow::IKsTopologyInfo {
 public:
  FakeFilter(unsigned index, std::unique_ptr<PropertyChannel> channel)
      : index_(index), channel_(std::move(channel)), nodes_(Topology(index)) {
    InterlockedIncrement(&liveObjects);
  }
  virtual ~FakeFilter() { InterlockedDecrement(&liveObjects); }
  FakeFilter(const FakeFilter&) = delete;
  FakeFilter& operator=(const FakeFilter&) = delete;

  // IUnknown, shared by both interfaces.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter ||
        iid == IID_IBaseFilter) {
      *object = static_cast<IBaseFilter*>(this);
    } else if (iid == IID_IKsControl) {
      *object = static_cast<IKsControl*>(this);
    } else if (iid == dshow::kIidKsTopologyInfo) {
      *object = static_cast<dshow::IKsTopologyInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IPersist, IMediaFilter, IBaseFilter: a filter without pins that is never run.
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = ClsidOf(index_);
    return S_OK;
  }
  STDMETHODIMP Stop() override { return SetState(State_Stopped); }
  STDMETHODIMP Pause() override { return SetState(State_Paused); }
  STDMETHODIMP Run(REFERENCE_TIME) override { return SetState(State_Running); }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
    if (state == nullptr) return E_POINTER;
    *state = state_;
    return S_OK;
  }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
    if (clock == nullptr) return E_POINTER;
    *clock = nullptr;
    return S_OK;
  }
  STDMETHODIMP EnumPins(IEnumPins** pins) override {
    if (pins != nullptr) *pins = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindPin(LPCWSTR, IPin** pin) override {
    if (pin != nullptr) *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
    if (info == nullptr) return E_POINTER;
    lstrcpynW(info->achName, L"ZK742 (fake)", MAX_FILTER_NAME);
    info->pGraph = nullptr;
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return S_OK; }
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }

  // IKsControl: the recorder's extension unit.
  STDMETHODIMP KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data, ULONG dataLength,
                          ULONG* bytesReturned) override {
    if (bytesReturned != nullptr) *bytesReturned = 0;
    const Node* unit = nullptr;
    const HRESULT checked = CheckRequest(property, propertyLength, &unit);
    if (checked != S_OK) return checked;
    const auto* node = reinterpret_cast<const KSP_NODE*>(property);
    const bool isSet = (node->Property.Flags & KSPROPERTY_TYPE_SET) != 0;
    // A GET without a buffer asks for the control's size, as the class driver answers it.
    if (!isSet && data == nullptr && dataLength == 0) {
      if (bytesReturned != nullptr) *bytesReturned = unit->controlSize;
      return HRESULT_FROM_WIN32(ERROR_MORE_DATA);
    }
    if (data == nullptr || dataLength != unit->controlSize ||
        dataLength != DeviceLink::kPacketSize) {
      return kWrongLength;
    }
    // The recorder does not know which node the driver numbered its unit.
    const int32_t status =
        channel_->TransferProperty(DeviceLink::kPropertySet, DeviceLink::kNodeId, node->Property.Id,
                                   isSet, static_cast<uint8_t*>(data), dataLength);
    if (status == sim::kRecorderGone) return kDeviceGone;
    if (status == S_OK && !isSet && bytesReturned != nullptr) *bytesReturned = dataLength;
    return static_cast<HRESULT>(status);
  }
  STDMETHODIMP KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override {
    return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
  }
  STDMETHODIMP KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override {
    return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
  }

  // IKsTopologyInfo: the node list and types; the rest is not asked for.
  STDMETHODIMP get_NumCategories(DWORD* count) override { return Zero(count); }
  STDMETHODIMP get_Category(DWORD, GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP get_NumConnections(DWORD* count) override { return Zero(count); }
  STDMETHODIMP get_ConnectionInfo(DWORD, dshow::KsTopologyConnection*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP get_NodeName(DWORD, WCHAR*, DWORD, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP get_NumNodes(DWORD* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<DWORD>(nodes_.size());
    return S_OK;
  }
  STDMETHODIMP get_NodeType(DWORD node, GUID* type) override {
    if (type == nullptr) return E_POINTER;
    if (node >= nodes_.size()) return E_INVALIDARG;
    *type = nodes_[node].type;
    return S_OK;
  }
  STDMETHODIMP CreateNodeInstance(DWORD, REFIID, void** object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOTIMPL;
  }

 private:
  static HRESULT Zero(DWORD* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }

  // Checks the request as the recorder's driver would: the node must be an extension unit
  // that carries the recorder's set (another vendor's unit answers that the set is not there,
  // any other node that there is no such property). S_OK with the node's unit when it may go
  // on; the buffer is checked by the caller.
  HRESULT CheckRequest(const KSPROPERTY* property, ULONG propertyLength, const Node** unit) const {
    if (property == nullptr || propertyLength != sizeof(KSP_NODE)) return kWrongLength;
    const auto* node = reinterpret_cast<const KSP_NODE*>(property);
    if (node->NodeId >= nodes_.size() || node->Reserved != 0) return kWrongProperty;
    const Node& target = nodes_[node->NodeId];
    if (!IsEqualGUID(target.type, dshow::kNodeTypeDevSpecific)) return kWrongProperty;
    if (!target.recorderUnit || !IsRecorderSet(node->Property.Set)) return kWrongSet;
    if (node->Property.Id != DeviceLink::SELECTOR_COMMAND &&
        node->Property.Id != DeviceLink::SELECTOR_COMMIT) {
      return kWrongProperty;
    }
    const ULONG flags = node->Property.Flags;
    if (flags != (KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY) &&
        flags != (KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY)) {
      return kWrongFlags;
    }
    *unit = &target;
    return S_OK;
  }

  HRESULT SetState(FILTER_STATE state) {
    state_ = state;
    return S_OK;
  }

  LONG references_ = 1;
  unsigned index_;
  std::unique_ptr<PropertyChannel> channel_;
  std::vector<Node> nodes_;
  FILTER_STATE state_ = State_Stopped;
};

}  // namespace

CLSID ClsidOf(unsigned index) {
  CLSID clsid = kClsidBase;
  clsid.Data4[7] = static_cast<unsigned char>(index);
  return clsid;
}

bool IndexOf(REFCLSID clsid, unsigned* index) {
  for (unsigned i = 0; i < kMaxDevices; ++i) {
    if (IsEqualCLSID(clsid, ClsidOf(i))) {
      *index = i;
      return true;
    }
  }
  return false;
}

std::wstring ClsidText(unsigned index) {
  wchar_t text[40] = {};
  StringFromGUID2(ClsidOf(index), text, 40);  // "{5A1D0C42-...}", upper case
  return text;
}

std::string StateVariable(unsigned index) {
  return index == 0 ? "KAVRIN_FAKE_FILTER_STATE"
                    : "KAVRIN_FAKE_FILTER_STATE_" + std::to_string(index);
}

HRESULT CreateFilter(unsigned index, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const char* path = std::getenv(StateVariable(index).c_str());
  if (path == nullptr || *path == '\0') return kDeviceGone;
  const std::optional<sim::RecorderState> state = sim::LoadState(path);
  if (!state) return kDeviceGone;
  if (state->faults.refuseBind) return E_ACCESSDENIED;
  sim::SimBackend backend(path);
  std::unique_ptr<PropertyChannel> channel = backend.Bind(VideoInput{u"", path});
  if (!channel) return kDeviceGone;  // vanished
  auto* filter = new (std::nothrow) FakeFilter(index, std::move(channel));
  if (filter == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = filter->QueryInterface(iid, object);
  filter->Release();
  return result;
}

LONG LiveObjects() { return liveObjects; }

}  // namespace kavrin::fake_filter
