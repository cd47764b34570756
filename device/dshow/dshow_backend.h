#pragma once
// Windows video inputs: the DirectShow system device enumerator over the video input
// category, each device named by its "FriendlyName", bound to its capture filter, with
// transfers through the filter's IKsControl::KsProperty on a topology node.
#include <string>

#include "device/video_input.h"

namespace kavrin::dshow {

class DshowBackend : public VideoInputBackend {
 public:
  // Every device with a readable friendly name, in the enumerator's order. location is the
  // moniker's display name ("@device:pnp:\\?\usb#vid_..."). nullopt when the enumerator or
  // the category's enumeration cannot be made; an empty list for an empty category.
  std::optional<std::vector<VideoInput>> ListVideoInputs() override;
  // Finds the device again by its location and binds its capture filter; null when it is
  // gone or the bind is refused.
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override;
  InputDiagnosis Diagnose(const VideoInput& input) override;
  std::string ListProblem() const override { return problem_; }

 private:
  std::string problem_;
};

// The name of the mutex that gives one program at a time a recorder's commands (a SET and
// the GET that answers it, a write and its commit): "kavrin-recorder:" and the device's
// location, the same in every program. Held for at most kRecorderLockWait's wait.
std::u16string RecorderLockName(const std::string& location);

}  // namespace kavrin::dshow
