// Where the recorder's extension unit is in the capture filter's topology: node 2 first, else
// the extension-unit node that carries the recorder's set. kavrin.exe against fake filters
// whose node lists differ, as a camera with another vendor's unit ahead of the recorder's.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/environment.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/fake_device_registry.h"

namespace kavrin {
namespace {

struct TopologyCase {
  const char* name;
  const char* nodes;  // KAVRIN_FAKE_FILTER_NODES
  bool usable;
  std::string detail;  // what `devices` says of the unit
  bool searched;       // found beyond node 2: the trace of `kavrin -v` names the node
};

void PrintTo(const TopologyCase& c, std::ostream* out) { *out << c.name; }

class KsTopologyTest : public testing::TestWithParam<TopologyCase> {
 protected:
  test::ProgramRun Kavrin(const std::vector<std::string>& args) {
    return test::RunProgram(test::BuiltFile(KAVRIN_BIN), args, work_.Path());
  }
  test::FakeRecorders recorders_;
  test::TempDir work_;
};

TEST_P(KsTopologyTest, DevicesSaysWhatTheUnitAnsweredAndKavrinFollowsIt) {
  const TopologyCase& c = GetParam();
  const test::ScopedEnvironment nodes("KAVRIN_FAKE_FILTER_NODES", c.nodes);
  sim::RecorderState state;
  state.settings[0] = 0x42;
  recorders_.Add(0, L"ZK742", state);

  const test::ProgramRun devices = Kavrin({"devices", "--json"});
  EXPECT_EQ(devices.exitCode, c.usable ? 0 : 1) << devices.err << devices.out;
  const nlohmann::json listing = nlohmann::json::parse(devices.out);
  ASSERT_EQ(listing["devices"].size(), 1u);
  EXPECT_EQ(listing["devices"][0]["usable"], c.usable);
  EXPECT_NE(devices.out.find(c.detail), std::string::npos) << devices.out;
  EXPECT_EQ(recorders_.State(0).transfers, 0u) << "asking the unit sends the recorder nothing";

  const test::ProgramRun kavrin = Kavrin({"kavrin", "-v"});
  if (c.usable) {
    ASSERT_EQ(kavrin.exitCode, 0) << kavrin.err << kavrin.out;
    EXPECT_EQ(recorders_.State(0).commits, std::vector<uint32_t>{2});
    // The trace (stderr with -v) names the node found beyond node 2.
    EXPECT_EQ(kavrin.err.find("\n" + c.detail) != std::string::npos, c.searched) << kavrin.err;
  } else {
    EXPECT_NE(kavrin.exitCode, 0);
    EXPECT_NE((kavrin.out + kavrin.err).find(c.detail), std::string::npos)
        << kavrin.out << kavrin.err;
    EXPECT_EQ(recorders_.State(0).transfers, 0u) << "a refused recorder is sent nothing";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Topologies, KsTopologyTest,
    testing::Values(TopologyCase{"RecorderAtNodeTwo", "camera,processing,recorder", true,
                                 "extension unit at node 2", false},
                    // Another vendor's unit took node 2; the recorder's is the fifth node.
                    TopologyCase{"RecorderAtNodeFourBehindAnotherUnit",
                                 "camera,processing,other,processing,recorder", true,
                                 "extension unit at node 4", true},
                    TopologyCase{
                        "AnotherVendorsUnitOnly", "camera,processing,other", false,
                        "the extension unit is not at node 2 nor at any other extension-unit node",
                        true},
                    TopologyCase{"ControlOfAnotherSize", "camera,processing,recorder:32", false,
                                 "the control is 32 bytes, not 64", false}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavrin
