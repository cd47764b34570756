#pragma once
// The guest's scenarios, each on a freshly plugged camera in one mode.
#include "tests/vm/guest/check_log.h"
#include "tests/vm/guest/plugged_camera.h"

namespace kavrin::vm {

// Test codes in the recorder's state that the guest relies on: one that passes (any code the
// state does not list answers 1) and one the state answers 0.
inline constexpr uint32_t kPassingTest = 0x1011;
inline constexpr uint32_t kFailingTest = 0x1012;

// Attach by friendly name in configured order, and the unit found by its GUID.
void CheckDiscovery(PluggedCamera& camera, CheckLog& log);
// Every DeviceLink command against the sound camera, checked on the recorder's side too.
void CheckCommands(PluggedCamera& camera, CheckLog& log);
// A camera whose product string is generic and whose function is named "Driving Recorder":
// found by its function's name, as the platform names it.
void CheckFunctionName(PluggedCamera& camera, CheckLog& log);
// A copy of the recorder's state with another USB product string; returns its file.
std::string PrepareStateWithProduct(const GuestSetup& setup, const std::string& product);
// `kavrin kavrin` then `kavrin read`, end to end.
void CheckKavrinCommand(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);
// A camera that stalls engine-test answers and cuts settings reads short.
void CheckWrongAnswers(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);
// A camera whose selector 17 the driver refuses: no write may be committed.
void CheckWrongLength(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);

// A recorder state that leaves the bus after `transfers` transfers; returns its file.
std::string PrepareVanishingState(const GuestSetup& setup, uint64_t transfers);
// `kavrin kavrin` on a recorder that leaves the bus after the clock and the first chunk.
void CheckVanishing(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);

// `kavrin devices` as an unprivileged user: usable with the udev rule's mode and group and a
// user in that group; permission missing (exit 1) without either.
void CheckPermissions(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);

// A recorder unplugged while a transfer is in flight: the GET of `kavrin read` (gadgetfs), or
// the first chunk's SET of `kavrin kavrin` (USB/IP, where the camera completes a SET itself):
// exit 1, nothing written or committed, no hang.
void CheckVanishingInsideGet(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);
void CheckVanishingInsideSet(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);

// A recorder that answers late: `kavrin read` still succeeds when each answer comes 1.5 s
// late; a commit that takes longer than the driver waits fails `kavrin kavrin` with a reason,
// and nothing is committed after it.
void CheckSlowRecorder(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log);

// Two recorders of one name with different serial strings, plugged in through USB/IP: kavrin
// tells them apart, refuses to guess, programs one by serial and both with --all.
void CheckSeveralRecorders(const GuestSetup& setup, CheckLog& log);

}  // namespace kavrin::vm
