// The recorder emulation (simulator and virtual-machine camera) answering any sequence of
// transfers, with faults planned by the input.
//
// Input: a fault plan (a count of rules, each rule's conditions and status, a vanish
// point), then transfers: a selector byte, a SET/GET byte and 64 packet bytes each.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "device/sim/recorder.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace kavrin::fuzz {
namespace {

sim::FaultPlan ReadFaultPlan(FuzzInput& input) {
  static constexpr int32_t kStatuses[] = {sim::kRecorderFalse, sim::kRecorderFail,
                                          sim::kRecorderGone, -5};
  sim::FaultPlan plan;
  const uint8_t rules = input.Byte() % 4;
  for (uint8_t i = 0; i < rules; ++i) {
    sim::FaultPlan::Rule rule;
    const uint8_t conditions = input.Byte();
    rule.transfer = input.Byte() % 8;
    if (conditions & 1) rule.selector = 16u + input.Byte() % 4;
    if (conditions & 2) rule.command = input.Byte() % 12;
    if (conditions & 4) rule.offset = input.Byte();
    if (conditions & 8) rule.isSet = input.Bool();
    rule.once = (conditions & 16) == 0;
    rule.status = kStatuses[input.Byte() % 4];
    plan.rules.push_back(rule);
  }
  plan.vanishAfter = input.Byte() % 32;
  return plan;
}

}  // namespace
}  // namespace kavrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  fuzz::FuzzInput input(data, size);
  sim::RecorderState state;
  state.faults = fuzz::ReadFaultPlan(input);
  sim::Recorder recorder(state);

  while (!input.Empty()) {
    const uint32_t selector = 16u + input.Byte() % 4;  // 16 and 19 are no selectors of the unit
    const bool isSet = input.Bool();
    std::array<uint8_t, 64> packet{};
    const std::span<const uint8_t> bytes = input.Bytes(packet.size());
    std::copy(bytes.begin(), bytes.end(), packet.begin());

    const sim::RecorderState before = state;
    const bool vanished = recorder.Vanished();
    const int32_t status = recorder.HandleTransfer(selector, isSet, packet);

    if (vanished) {
      FUZZ_CHECK(status == sim::kRecorderGone);
      FUZZ_CHECK(state.transfers == before.transfers);
    } else {
      FUZZ_CHECK(state.transfers == before.transfers + 1);
    }
    // Only a commit the recorder accepts changes its settings and its list of commits.
    const bool committed =
        status == sim::kRecorderOk && isSet && selector == sim::Recorder::kSelectorCommit;
    if (!committed) {
      FUZZ_CHECK(state.settings == before.settings);
      FUZZ_CHECK(state.commits == before.commits);
      FUZZ_CHECK(state.kavrinFlag == before.kavrinFlag);
    } else {
      FUZZ_CHECK(state.commits.size() == before.commits.size() + 1);
      FUZZ_CHECK(state.commits.back() == 1 || state.commits.back() == 2);
    }
    // Only an accepted request sets the clock.
    if (status != sim::kRecorderOk || !isSet) FUZZ_CHECK(state.clock == before.clock);
  }
  // Whatever happened, the simulator can store the state and read it back.
  const std::string written = sim::StateToJson(state);
  const std::optional<sim::RecorderState> reread = sim::StateFromJson(written);
  FUZZ_CHECK(reread.has_value() && sim::StateToJson(*reread) == written);
  return 0;
}
