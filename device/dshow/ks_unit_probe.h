#pragma once
// Asking a capture filter where the recorder's extension unit is, before any packet is sent:
// a GET with no buffer on (property set, selector, node) is answered by a node that carries
// the set with ERROR_MORE_DATA and the control's size; any other node refuses it. Node 2 is
// tried first; when it does not carry the set, the filter's topology (IKsTopologyInfo) is
// walked for extension-unit nodes (KSNODETYPE_DEV_SPECIFIC), since the class driver numbers
// nodes in the order it builds them, not by the unit's id.
// clang-format off
#include <windows.h>
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

#include <string>

namespace kavrin::dshow {

struct UnitProbe {
  bool carriesSet = false;
  ULONG controlSize = 0;  // what the node says the control holds
};

// One node, one selector: nothing reaches the recorder.
UnitProbe ProbeNode(IKsControl& control, const GUID& propertySet, ULONG selector, ULONG node);

struct UnitLocation {
  bool found = false;     // a node carries the set
  ULONG node = 0;         // that node
  ULONG controlSize = 0;  // its control's size
  bool searched = false;  // the topology was walked (node 2 did not carry the set)
  bool Usable() const { return found && controlSize == kExpectedSize; }
  static constexpr ULONG kExpectedSize = 64;
  // "extension unit at node 4", "the extension unit is not at node 2 ...", "the control is
  // 32 bytes, not 64"
  std::string Describe(ULONG preferredNode) const;
};

UnitLocation LocateUnit(IBaseFilter& filter, IKsControl& control, const GUID& propertySet,
                        ULONG selector, ULONG preferredNode);

}  // namespace kavrin::dshow
