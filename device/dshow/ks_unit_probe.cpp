#include "device/dshow/ks_unit_probe.h"

#include "device/dshow/bounded_ks_property.h"
#include "device/dshow/com_ptr.h"
#include "device/dshow/ks_topology.h"

namespace kavrin::dshow {

UnitProbe ProbeNode(IKsControl& control, const GUID& propertySet, ULONG selector, ULONG node) {
  KSP_NODE request{};
  request.Property.Set = propertySet;
  request.Property.Id = selector;
  request.Property.Flags = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY;
  request.NodeId = node;
  request.Reserved = 0;
  ULONG size = 0;
  const HRESULT answered = BoundedKsProperty(&control, request, nullptr, 0, &size);
  UnitProbe probe;
  // A node that carries the set names the size it wants; some drivers say so with
  // ERROR_INSUFFICIENT_BUFFER, or answer S_OK with the size.
  probe.carriesSet =
      (answered == HRESULT_FROM_WIN32(ERROR_MORE_DATA) ||
       answered == HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) || answered == S_OK) &&
      size > 0;
  if (probe.carriesSet) probe.controlSize = size;
  return probe;
}

UnitLocation LocateUnit(IBaseFilter& filter, IKsControl& control, const GUID& propertySet,
                        ULONG selector, ULONG preferredNode) {
  UnitLocation location;
  UnitProbe probe = ProbeNode(control, propertySet, selector, preferredNode);
  if (probe.carriesSet) {
    location.found = true;
    location.node = preferredNode;
    location.controlSize = probe.controlSize;
    return location;
  }
  ComPtr<IKsTopologyInfo> topology;
  if (FAILED(filter.QueryInterface(kIidKsTopologyInfo, topology.ReceiveVoid())) || !topology) {
    return location;
  }
  location.searched = true;
  DWORD nodes = 0;
  if (FAILED(topology->get_NumNodes(&nodes))) return location;
  for (DWORD node = 0; node < nodes && node < 256; ++node) {
    GUID type{};
    if (node == preferredNode || FAILED(topology->get_NodeType(node, &type)) ||
        !IsEqualGUID(type, kNodeTypeDevSpecific)) {
      continue;
    }
    probe = ProbeNode(control, propertySet, selector, node);
    if (!probe.carriesSet) continue;
    location.found = true;
    location.node = node;
    location.controlSize = probe.controlSize;
    break;
  }
  return location;
}

std::string UnitLocation::Describe(ULONG preferredNode) const {
  if (!found) {
    return "the extension unit is not at node " + std::to_string(preferredNode) +
           (searched ? " nor at any other extension-unit node" : "");
  }
  if (controlSize != kExpectedSize) {
    return "the control is " + std::to_string(controlSize) + " bytes, not " +
           std::to_string(kExpectedSize) + " (extension unit at node " + std::to_string(node) + ")";
  }
  return "extension unit at node " + std::to_string(node);
}

}  // namespace kavrin::dshow
