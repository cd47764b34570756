#pragma once
// The kernel-streaming topology as DirectShow shows it: IKsTopologyInfo (declared in the
// Windows SDK's vidcap.h, which mingw-w64 does not ship) and the node type of a USB video-class
// extension unit. Shared by the backend and the test's fake capture filter.
// clang-format off
#include <windows.h>
#include <unknwn.h>
// clang-format on

namespace kavrin::dshow {

// {720D4AC0-7533-11D0-A5D6-28DB04C10000}
inline constexpr IID kIidKsTopologyInfo = {
    0x720d4ac0, 0x7533, 0x11d0, {0xa5, 0xd6, 0x28, 0xdb, 0x04, 0xc1, 0x00, 0x00}};
// KSNODETYPE_DEV_SPECIFIC {941C7AC0-C559-11D0-8A2B-00A0C9255AC1}: the class driver gives
// every extension unit this type.
inline constexpr GUID kNodeTypeDevSpecific = {
    0x941c7ac0, 0xc559, 0x11d0, {0x8a, 0x2b, 0x00, 0xa0, 0xc9, 0x25, 0x5a, 0xc1}};

struct KsTopologyConnection {
  ULONG fromNode;
  ULONG fromNodePin;
  ULONG toNode;
  ULONG toNodePin;
};

// The methods in the interface's order (the vtable is the contract).
struct IKsTopologyInfo : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID* category) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index,
                                                       KsTopologyConnection* connection) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NodeName(DWORD node, WCHAR* name, DWORD room,
                                                 DWORD* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_NodeType(DWORD node, GUID* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD node, REFIID iid, void** object) = 0;
};

}  // namespace kavrin::dshow
