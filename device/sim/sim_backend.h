#pragma once
// The simulated recorder behind the video-input seam. Its state lives in a JSON file
// (docs/simulator.md): the device is present while the file exists and carries the file's
// friendly name; every transfer reads, changes and rewrites the file under a lock that
// every program using the file shares (StateStore).
#include <chrono>
#include <string>

#include "device/bounded_wait.h"

#include "device/video_input.h"

namespace kavrin::sim {

class SimBackend : public VideoInputBackend {
 public:
  // lockWait: how long a command waits for another program's command on the same file.
  explicit SimBackend(std::string statePath,
                      std::chrono::milliseconds lockWait = kRecorderLockWait);

  std::optional<std::vector<VideoInput>> ListVideoInputs() override;
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override;
  InputDiagnosis Diagnose(const VideoInput& input) override;
  std::string ListProblem() const override { return problem_; }

  const std::string& StatePath() const { return statePath_; }

 private:
  std::string statePath_;
  std::chrono::milliseconds lockWait_;
  std::string problem_;
};

}  // namespace kavrin::sim
