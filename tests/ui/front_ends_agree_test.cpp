// The window's "Kavrin" and `kavrin kavrin` send the same bytes for the same Default.bin: both
// run on one simulated recorder, and every packet of the operation (clock, settings chunks,
// commit) is compared. Blocks whose values have no option text, whose logo is not text in the
// code page, or whose file is short or long are where the two used to part.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cli/device_environment.h"
#include "device/device_change_monitor.h"
#include "tests/cli/run_command.h"
#include "tests/ui/main_window_harness.h"

namespace kavrin {
namespace {

// Hands the command line the window's recording backend, so both front ends log into one list.
class Forwarding : public VideoInputBackend {
 public:
  explicit Forwarding(VideoInputBackend& inner) : inner_(inner) {}
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    return inner_.ListVideoInputs();
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override {
    return inner_.Bind(input);
  }
  InputDiagnosis Diagnose(const VideoInput& input) override { return inner_.Diagnose(input); }

 private:
  VideoInputBackend& inner_;
};

struct BlockCase {
  const char* name;
  std::vector<uint8_t> bytes;  // Default.bin
};

void PrintTo(const BlockCase& c, std::ostream* out) { *out << c.name; }

std::vector<uint8_t> Block(std::initializer_list<std::pair<std::size_t, uint8_t>> bytes,
                           std::size_t size = 112, uint8_t fill = 0) {
  std::vector<uint8_t> block(size, fill);
  for (const auto& [at, value] : bytes) block[at] = value;
  return block;
}

// The SETs of the kavrin operation: the clock (command 10), the settings chunks (command 2)
// and the commit (selector 18), in order.
std::vector<std::array<uint8_t, 64>> OperationPackets(
    const std::vector<test::RecordedTransfer>& log) {
  std::vector<std::array<uint8_t, 64>> packets;
  for (const test::RecordedTransfer& t : log) {
    if (!t.isSet) continue;
    const uint32_t command = t.Field(4);
    if (t.selector == DeviceLink::SELECTOR_COMMIT ||
        (t.Field(0) == 0 &&
         (command == DeviceLink::CMD_SET_CLOCK || command == DeviceLink::CMD_SETTINGS_DATA)))
      packets.push_back(t.packet);
  }
  return packets;
}

class FrontEndsAgreeTest : public test::MainWindowTest,
                           public testing::WithParamInterface<BlockCase> {};

TEST_P(FrontEndsAgreeTest, KavrinSendsTheSamePacketsFromTheWindowAndTheCommandLine) {
  WriteShippedConfigWith("");
  WriteBlockFile("Default.bin", GetParam().bytes);
  PlugRecorder();

  Open();
  backend->transfers.clear();  // the attach's queries are not part of the operation
  Win().SendCommand(IDC_KAVRIN, ui::kNotifyClicked);
  const auto fromWindow = OperationPackets(backend->transfers);
  ASSERT_EQ(fromWindow.size(), 4u) << "clock, two chunks and the commit";
  window.reset();

  backend->transfers.clear();
  cli::DeviceEnvironment environment;
  environment.makeBackend = [this] { return std::make_unique<Forwarding>(*backend); };
  environment.makeMonitor = [] { return std::unique_ptr<DeviceChangeMonitor>(); };
  const test::CommandResult run =
      test::RunKavrinCommand({"kavrin", "--clock", test::FixedClock().Text()}, environment);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto fromCommand = OperationPackets(backend->transfers);
  ASSERT_EQ(fromCommand.size(), fromWindow.size());
  for (std::size_t i = 0; i < fromWindow.size(); ++i) {
    EXPECT_EQ(fromCommand[i], fromWindow[i]) << "packet " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, FrontEndsAgreeTest,
    testing::Values(BlockCase{"all_ones", Block({}, 112, 0xFF)},
                    BlockCase{"values_past_the_options", Block({{0, 0xEE}, {1, 0xEE}, {2, 0x7F}})},
                    // Bytes that are no UTF-8 text in the logo field (words 22 to 29).
                    BlockCase{"logo_not_text_in_the_code_page",
                              Block({{44, 0xFF}, {45, 0xFE}, {46, 'A'}, {47, 0xC3}})},
                    BlockCase{"logo_longer_than_a_list_entry", Block({}, 112, 'L')},
                    BlockCase{"short_file", Block({{0, 0x12}, {1, 0x03}}, 57)},
                    BlockCase{"long_file", Block({{0, 0x21}, {3, 0x01}}, 200, 0x5A)}),
    [](const testing::TestParamInfo<BlockCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavrin
