#pragma once
// The simulated recorder behind the video-input seam. Its state lives in a JSON file
// (docs/simulator.md): the device is present while the file exists and carries the file's
// friendly name; every transfer reads, changes and rewrites the file under a lock that
// every program using the file shares (StateStore). The path may also name a folder: every
// *.json file in it is one recorder.
#include <chrono>
#include <string>
#include <vector>

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
  // Lists the recorder of one state file, or says in problem_ why it is absent.
  void AddRecorder(const std::string& path, std::vector<VideoInput>* inputs);

  std::string statePath_;
  std::chrono::milliseconds lockWait_;
  std::string problem_;
};

// Whether the simulator's path names a folder of recorders rather than one state file.
bool IsRecorderFolder(const std::string& path);
// A file name that is a recorder in a folder: "*.json", not hidden (the simulator's own
// temporary and lock files are).
bool IsRecorderFileName(const std::string& fileName);
// The recorder files of a folder, by name.
std::vector<std::string> RecorderFilesIn(const std::string& folder);

}  // namespace kavrin::sim
