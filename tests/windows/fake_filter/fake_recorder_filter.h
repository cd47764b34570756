#pragma once
// A fake ZK742 capture filter for the Windows tests: a DirectShow filter (IBaseFilter, as far
// as enumeration and binding need) whose IKsControl::KsProperty is answered by the simulated
// recorder (device/sim), with the recorder's state in a simulator state file. The DLL around
// it (fake_filter_dll.cpp) registers it under the video input category.
//
// Up to ten fake devices can be registered at once, each with its own friendly name, CLSID
// and state file: device N reads the file named by KAVRIN_FAKE_FILTER_STATE (N = 0) or
// KAVRIN_FAKE_FILTER_STATE_N, when it is bound. Its failure modes come from that file:
// "faults.refuseBind" refuses the bind, fault rules fail or answer S_FALSE at a transfer,
// "faults.vanishAfter" (or removing the file) takes the device away. Its kernel-streaming
// topology (IKsTopologyInfo: node list and types) comes from KAVRIN_FAKE_FILTER_NODES[_N]
// ("camera,processing,other,processing,recorder" puts another vendor's unit at node 2 and the
// recorder's at node 4; "recorder:32" a control of 32 bytes); unset, the recorder's unit is
// node 2. A GET without a buffer on the recorder's unit answers ERROR_MORE_DATA and its size.
#include <windows.h>

#include <string>

namespace kavrin::fake_filter {

inline constexpr unsigned kMaxDevices = 10;

// {5A1D0C42-7E3B-4C59-9F21-0B7E1D4A74nn}, nn = the device's index.
CLSID ClsidOf(unsigned index);
// The index of one of our CLSIDs; false for any other.
bool IndexOf(REFCLSID clsid, unsigned* index);
std::wstring ClsidText(unsigned index);  // "{5A1D0C42-...-0B7E1D4A7400}"
// KAVRIN_FAKE_FILTER_STATE or KAVRIN_FAKE_FILTER_STATE_<index>.
std::string StateVariable(unsigned index);

// What KsProperty answers for a request the recorder's driver would refuse; the recorder
// never sees it and does not count it.
inline const HRESULT kWrongLength = E_INVALIDARG;                           // not 32 / 64 bytes
inline const HRESULT kWrongSet = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);   // property set
inline const HRESULT kWrongProperty = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);  // selector, node
inline const HRESULT kWrongFlags = E_NOTIMPL;                               // not GET/SET|TOPOLOGY
// A transfer to a device that is gone.
inline const HRESULT kDeviceGone = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);

// Binds fake device `index`: loads its state and makes the filter. Fails (as BindToObject
// then does) when the state file is missing, unreadable or refuses binding.
HRESULT CreateFilter(unsigned index, REFIID iid, void** object);

// Objects alive, for DllCanUnloadNow.
LONG LiveObjects();

}  // namespace kavrin::fake_filter
