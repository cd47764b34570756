#pragma once
// The guest's verdicts: one "ok: ..." or "FAIL: ..." line per check on the serial console,
// then "N passed, N failed", which the host's runner judges.
#include <cstdint>
#include <cstdio>
#include <string>

namespace kavrin::vm {

class CheckLog {
 public:
  // Records and prints one check; returns `ok` so that a caller can skip what depends on it.
  bool Check(bool ok, const std::string& what) {
    ++(ok ? passed_ : failed_);
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    return ok;
  }
  void Note(const std::string& text) {
    std::printf("  %s\n", text.c_str());
    std::fflush(stdout);
  }
  void Section(const std::string& title) {
    std::printf("== %s\n", title.c_str());
    std::fflush(stdout);
  }
  void Summary() const {
    std::printf("%d passed, %d failed\n", passed_, failed_);
    std::fflush(stdout);
  }
  int Failed() const { return failed_; }
  int Passed() const { return passed_; }

  // One attempt at a scenario. Its checks are printed as they run; when the rig lost a
  // request during it, DiscardAttempt takes them back out of the counts so that the scenario
  // can run again.
  void BeginAttempt() {
    attemptPassed_ = passed_;
    attemptFailed_ = failed_;
    attemptLost_ = 0;
  }
  void DiscardAttempt() {
    passed_ = attemptPassed_;
    failed_ = attemptFailed_;
  }
  // Requests the rig lost in this attempt (the camera's count, the driver's time-outs).
  void AddRigLosses(uint64_t lost) {
    attemptLost_ += lost;
    rigLost_ += lost;
  }
  uint64_t AttemptRigLosses() const { return attemptLost_; }
  uint64_t RigLosses() const { return rigLost_; }

 private:
  int passed_ = 0;
  int failed_ = 0;
  int attemptPassed_ = 0;
  int attemptFailed_ = 0;
  uint64_t attemptLost_ = 0;
  uint64_t rigLost_ = 0;
};

}  // namespace kavrin::vm
