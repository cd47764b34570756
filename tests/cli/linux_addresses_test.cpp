// The device commands on the Linux backend over a fixture tree: two recorders of one name told
// apart by node, /dev/v4l link, serial and port, and a recorder that may not be opened.
#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "device/sim/recorder.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/cli/run_command.h"
#include "tests/device/v4l2_fixture.h"
#include "tests/support/temp_dir.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;

class LinuxAddressesTest : public ::testing::Test {
 protected:
  LinuxAddressesTest() : cwd_(work_.Path()) {
    test::FixtureNode a;
    a.node = "video0";
    a.usbPort = "1-2.1";
    a.serial = "ZK0001A";
    a.recorder = &recorderA_;
    fixture_.AddNode(a);
    test::FixtureNode b = a;
    b.node = "video2";
    b.usbPort = "1-2.2";
    b.serial = "";
    b.recorder = &recorderB_;
    fixture_.AddNode(b);
    fixture_.AddLink("by-id", "usb-Zhike_ZK742_ZK0001A-video-index0", "video0");
    fixture_.AddLink("by-path", "pci-0000:00:14.0-usb-0:2.2:1.0-video-index0", "video2");
    environment_.makeBackend = [this] {
      return std::make_unique<v4l2::V4l2Backend>(fixture_.Options());
    };
  }
  test::CommandResult Run(const std::vector<std::string>& arguments) {
    return test::RunKavrinCommand(arguments, environment_);
  }
  std::string Committed() {
    return std::string(stateA_.commits.empty() ? "-" : "A") + (stateB_.commits.empty() ? "-" : "B");
  }

  test::TempDir work_;
  test::ScopedCurrentDir cwd_;
  sim::RecorderState stateA_, stateB_;
  sim::Recorder recorderA_{stateA_}, recorderB_{stateB_};
  test::V4l2Fixture fixture_;
  DeviceEnvironment environment_;
};

TEST_F(LinuxAddressesTest, DevicesListsBothWithTheirAddresses) {
  const test::CommandResult run = Run({"devices", "--json"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const json listing = json::parse(run.out);
  ASSERT_EQ(listing["devices"].size(), 2u);
  EXPECT_EQ(listing["devices"][0]["device"], json({{"node", fixture_.DevPath("video0")},
                                                   {"port", "1-2.1"},
                                                   {"serial", "ZK0001A"},
                                                   {"name", "ZK742"}}));
  EXPECT_EQ(listing["devices"][0]["links"].size(), 1u);
  EXPECT_EQ(listing["devices"][1]["device"]["port"], "1-2.2");
  EXPECT_EQ(listing["devices"][1]["unitId"], 4);
}

TEST_F(LinuxAddressesTest, EachAddressReachesItsRecorderOnly) {
  const std::string dev = (fixture_.dir / "dev/v4l").string();
  const struct {
    std::string device;
    const char* committed;
  } cases[] = {
      {fixture_.DevPath("video0"), "A-"},
      {dev + "/by-id/usb-Zhike_ZK742_ZK0001A-video-index0", "A-"},
      {dev + "/by-path/pci-0000:00:14.0-usb-0:2.2:1.0-video-index0", "-B"},
      {"serial:ZK0001A", "A-"},
      {"port:1-2.2", "-B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    stateA_.commits.clear();
    stateB_.commits.clear();
    const test::CommandResult run = Run({"kavrin", "-d", c.device});
    EXPECT_EQ(run.exitCode, kExitOk) << run.err;
    EXPECT_EQ(Committed(), c.committed);
  }
  const test::CommandResult guess = Run({"kavrin", "--json"});
  EXPECT_EQ(guess.exitCode, kExitFailed);
  EXPECT_EQ(json::parse(guess.out)["reason"], "ambiguous");
}

TEST_F(LinuxAddressesTest, ARecorderThatMayNotBeOpenedIsNotUsable) {
  test::V4l2Fixture locked;
  test::FixtureNode node;
  node.openErrno = EACCES;
  locked.AddNode(node);
  environment_.makeBackend = [&locked] {
    return std::make_unique<v4l2::V4l2Backend>(locked.Options());
  };

  test::CommandResult run = Run({"devices", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed) << "permission denied is no usable recorder";
  const json listing = json::parse(run.out);
  EXPECT_EQ(listing["reason"], "permission");
  EXPECT_FALSE(listing["devices"][0]["usable"].get<bool>());
  EXPECT_TRUE(listing["devices"][0]["permissionDenied"].get<bool>());
  EXPECT_TRUE(listing.contains("hint"));

  run = Run({"devices"});
  EXPECT_NE(run.out.find("not usable: permission denied"), std::string::npos) << run.out;
  run = Run({"kavrin", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_EQ(json::parse(run.out)["reason"], "permission");
}

}  // namespace
}  // namespace kavrin::cli
