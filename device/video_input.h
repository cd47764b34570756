#pragma once
// The seam between the device link and the operating system: a list of video input devices
// with their friendly names, and a channel to one of them that performs extension-unit
// property transfers. Backends: device/v4l2 (Linux), device/sim (the simulated recorder),
// device/dshow (Windows).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/bounded_wait.h"
#include "device/guid.h"

namespace kavrin {

// Transfer statuses with the platform's meaning: exactly kStatusOk is success.
inline constexpr int32_t kStatusOk = 0;                                   // S_OK
inline constexpr int32_t kStatusFalse = 1;                                // S_FALSE
inline constexpr int32_t kStatusFail = static_cast<int32_t>(0x80004005);  // E_FAIL
// Linux errno values travel as -errno.
inline int32_t StatusFromErrno(int err) { return err > 0 ? -err : kStatusFail; }

// Where a name of a video input comes from. A camera function inside a composite USB device
// is named by its interface association's string (iFunction), else by its VideoControl
// interface's string (iInterface), else by the device's product string: that is the name the
// platform shows, and a configured name may match any of the three.
enum class NameSource {
  kFunction,   // the interface association's iFunction
  kInterface,  // the VideoControl interface's iInterface
  kProduct,    // the USB device's iProduct
  kCard,       // the driver's card name (no USB strings known)
  kPlatform,   // the one name the platform gives (simulator, DirectShow)
};

// "function", "interface", "product", "card", "name"
const char* NameSourceText(NameSource source);

struct InputName {
  std::u16string text;
  NameSource source = NameSource::kPlatform;
  // Only the string's start is known (the kernel cut it to fit the card name): a configured
  // name that begins with it matches, as a weaker match than a whole string.
  bool cut = false;
};

struct VideoInput {
  std::u16string friendlyName;  // the name the platform shows
  std::string location;         // backend's own address: "/dev/video0", the simulator's state file
  // Every name a configured one is matched against, best first; empty: friendlyName alone.
  std::vector<InputName> names = {};
  // Where the recorder sits, for addressing one of several alike (empty where unknown).
  std::string port = {};                // USB bus and port path, "1-2.3" (by-path: "usb-0:2.3")
  std::string serial = {};              // the USB serial string; empty when it has none
  std::vector<std::string> links = {};  // other names of the node: /dev/v4l/by-id/..., by-path/...
};

class PropertyChannel {
 public:
  virtual ~PropertyChannel() = default;
  // One property transfer on the device's extension unit. data is sent on SET and received
  // on GET; returns the platform status.
  virtual int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector,
                                   bool isSet, uint8_t* data, uint32_t length) = 0;
  // Exclusive use of the device for one command (a SET and the GET that answers it, a write
  // and its commit), waiting at most about kRecorderLockWait for another program to finish
  // its own. False when the device could not be had: the command must then send nothing.
  // Unlock follows only a Lock that returned true. No-ops where the platform needs none.
  virtual bool Lock() { return true; }
  virtual void Unlock() {}
  // Why the last Lock returned false when no other program held the device (its lock
  // cannot be had at all); empty when it was busy.
  virtual std::string LockProblem() const { return {}; }
};

// What can be found out about reaching the recorder through one input, for `kavrin devices`.
struct InputDiagnosis {
  bool opened = false;            // the device could be opened
  bool permissionDenied = false;  // the open was refused for lack of permission
  bool unitFound = false;         // it carries the recorder's extension unit
  int unitId = -1;                // the unit's id where the platform has one
  std::string detail;             // why not, or what the backend knows besides
};

class VideoInputBackend {
 public:
  virtual ~VideoInputBackend() = default;
  // The video input devices in the platform's order; nullopt when the list cannot be had.
  virtual std::optional<std::vector<VideoInput>> ListVideoInputs() = 0;
  // Opens one of them; null when it cannot be opened.
  virtual std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) = 0;
  // Backends that know more override this; by default an input that binds is usable.
  virtual InputDiagnosis Diagnose(const VideoInput& input) {
    InputDiagnosis diagnosis;
    diagnosis.opened = diagnosis.unitFound = Bind(input) != nullptr;
    if (!diagnosis.opened) diagnosis.detail = "cannot be opened";
    return diagnosis;
  }
  // Why the last list was missing or empty, in a user's words; empty when there is nothing
  // to add (for the command line).
  virtual std::string ListProblem() const { return {}; }
};

}  // namespace kavrin
