#pragma once
// The simulated recorder behind the video-input seam. Its state lives in a JSON file
// (docs/simulator.md): the device is present while the file exists, carries the file's
// friendly name, reads the state when it is bound and rewrites the file after every transfer.
#include <string>

#include "device/video_input.h"

namespace kavrin::sim {

class SimBackend : public VideoInputBackend {
 public:
  explicit SimBackend(std::string statePath);

  std::optional<std::vector<VideoInput>> ListVideoInputs() override;
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override;
  InputDiagnosis Diagnose(const VideoInput& input) override;
  std::string ListProblem() const override { return problem_; }

  const std::string& StatePath() const { return statePath_; }

 private:
  std::string statePath_;
  std::string problem_;
};

}  // namespace kavrin::sim
