// The fake recorder filter itself, without COM registration: it refuses every request the
// recorder's driver would refuse (and the recorder never sees those), answers the rest
// through the simulated recorder, and fails as its state file says.
#include <windows.h>
// clang-format off
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "device/device_link.h"
#include "tests/device/fault_rule.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/fake_filter/fake_recorder_filter.h"

namespace kavrin::fake_filter {
namespace {

const GUID kRecorderSet = {
    0x63610682, 0x5070, 0x49ab, {0xb8, 0xcc, 0xb3, 0x85, 0x5e, 0x8d, 0x22, 0x1d}};
constexpr ULONG kTopology = KSPROPERTY_TYPE_TOPOLOGY;

KSP_NODE Node(ULONG selector, ULONG type) {
  KSP_NODE node{};
  node.Property.Set = kRecorderSet;
  node.Property.Id = selector;
  node.Property.Flags = type | kTopology;
  node.NodeId = 2;
  return node;
}

// One well-formed transfer of 64 bytes on the recorder's node.
HRESULT Transfer(IKsControl* control, ULONG selector, ULONG type, void* data,
                 ULONG* returned = nullptr) {
  KSP_NODE node = Node(selector, type);
  ULONG ignored = 0;
  return control->KsProperty(&node.Property, sizeof node, data, 64,
                             returned != nullptr ? returned : &ignored);
}

// A request for the recorder's model name (request 1, command 4).
std::array<uint8_t, 64> ModelRequest() {
  std::array<uint8_t, 64> packet{};
  packet[0] = 1;
  packet[4] = 4;
  return packet;
}

class FakeFilterTest : public ::testing::Test {
 protected:
  FakeFilterTest() : variable_(StateVariable(0).c_str(), StatePath().c_str()) {}

  std::string StatePath() const { return (dir_ / "recorder.json").string(); }
  void Save(const sim::RecorderState& state) { ASSERT_TRUE(sim::SaveState(StatePath(), state)); }
  sim::RecorderState Load() const {
    return sim::LoadState(StatePath()).value_or(sim::RecorderState{});
  }

  // Binds fake device 0 and asks it for its IKsControl.
  IKsControl* Bind() {
    IBaseFilter* filter = nullptr;
    EXPECT_EQ(CreateFilter(0, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    if (filter == nullptr) return nullptr;
    IKsControl* control = nullptr;
    EXPECT_EQ(filter->QueryInterface(IID_IKsControl, reinterpret_cast<void**>(&control)), S_OK);
    filter->Release();
    return control;
  }

  test::TempDir dir_;
  test::ScopedEnvironment variable_;
};

TEST_F(FakeFilterTest, AnswersTheRecorderProtocol) {
  sim::RecorderState state;
  state.model = "ZK742-FAKE";
  Save(state);
  IKsControl* control = Bind();
  ASSERT_NE(control, nullptr);
  std::array<uint8_t, 64> packet = ModelRequest();
  EXPECT_EQ(Transfer(control, 17, KSPROPERTY_TYPE_SET, packet.data()), S_OK);
  std::array<uint8_t, 64> reply{};
  ULONG returned = 99;
  EXPECT_EQ(Transfer(control, 17, KSPROPERTY_TYPE_GET, reply.data(), &returned), S_OK);
  EXPECT_EQ(returned, 64u);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply.data()), "ZK742-FAKE");
  control->Release();
  EXPECT_EQ(Load().transfers, 2u);
  EXPECT_EQ(LiveObjects(), 0);
}

TEST_F(FakeFilterTest, RefusesWhatTheDriverRefusesBeforeTheRecorderSeesIt) {
  Save(sim::RecorderState{});
  IKsControl* control = Bind();
  ASSERT_NE(control, nullptr);
  struct Case {
    const char* what;
    KSP_NODE node;
    ULONG propertyLength;
    ULONG dataLength;
    bool withData;
    HRESULT expected;
  };
  KSP_NODE otherSet = Node(17, KSPROPERTY_TYPE_SET);
  otherSet.Property.Set.Data1 ^= 1;
  KSP_NODE node1 = Node(17, KSPROPERTY_TYPE_SET);
  node1.NodeId = 1;
  KSP_NODE node3 = Node(18, KSPROPERTY_TYPE_SET);
  node3.NodeId = 3;
  KSP_NODE reserved = Node(17, KSPROPERTY_TYPE_SET);
  reserved.Reserved = 1;
  KSP_NODE noTopology = Node(17, KSPROPERTY_TYPE_SET);
  noTopology.Property.Flags = KSPROPERTY_TYPE_SET;
  const Case cases[] = {
      {"property length 24", Node(17, KSPROPERTY_TYPE_SET), 24, 64, true, kWrongLength},
      {"property length 40", Node(17, KSPROPERTY_TYPE_SET), 40, 64, true, kWrongLength},
      {"data length 40", Node(17, KSPROPERTY_TYPE_SET), 32, 40, true, kWrongLength},
      {"data length 80", Node(17, KSPROPERTY_TYPE_SET), 32, 80, true, kWrongLength},
      {"no data", Node(17, KSPROPERTY_TYPE_SET), 32, 64, false, kWrongLength},
      {"another property set", otherSet, 32, 64, true, kWrongSet},
      {"selector 16", Node(16, KSPROPERTY_TYPE_SET), 32, 64, true, kWrongProperty},
      {"selector 19", Node(19, KSPROPERTY_TYPE_GET), 32, 64, true, kWrongProperty},
      {"node 1", node1, 32, 64, true, kWrongProperty},
      {"node 3", node3, 32, 64, true, kWrongProperty},
      {"reserved not zero", reserved, 32, 64, true, kWrongProperty},
      {"no topology flag", noTopology, 32, 64, true, kWrongFlags},
      {"GET and SET", Node(17, KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET), 32, 64, true,
       kWrongFlags},
      {"basic support", Node(17, KSPROPERTY_TYPE_BASICSUPPORT), 32, 64, true, kWrongFlags},
  };
  std::array<uint8_t, 80> data{};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KSP_NODE node = c.node;
    const std::array<uint8_t, 80> before = data;
    ULONG returned = 99;
    EXPECT_EQ(control->KsProperty(&node.Property, c.propertyLength,
                                  c.withData ? data.data() : nullptr, c.dataLength, &returned),
              c.expected);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(data, before);
  }
  EXPECT_EQ(Load().transfers, 0u) << "the recorder saw none of them";
  control->Release();
}

TEST_F(FakeFilterTest, FailsAsTheStateFileSays) {
  sim::RecorderState state;
  state.faults.rules.push_back(test::Fault().Transfer(1).Status(sim::kRecorderFalse));
  state.faults.rules.push_back(test::Fault().Transfer(2));  // E_FAIL
  state.faults.vanishAfter = 3;
  Save(state);
  IKsControl* control = Bind();
  ASSERT_NE(control, nullptr);
  std::array<uint8_t, 64> packet = ModelRequest();
  EXPECT_EQ(Transfer(control, 17, KSPROPERTY_TYPE_SET, packet.data()), S_FALSE);
  EXPECT_EQ(Transfer(control, 17, KSPROPERTY_TYPE_SET, packet.data()), E_FAIL);
  EXPECT_EQ(Transfer(control, 17, KSPROPERTY_TYPE_SET, packet.data()), S_OK);
  EXPECT_EQ(Transfer(control, 17, KSPROPERTY_TYPE_SET, packet.data()), kDeviceGone);
  control->Release();
  EXPECT_EQ(Load().transfers, 3u);
  // A gone recorder cannot be bound again.
  IBaseFilter* filter = nullptr;
  EXPECT_EQ(CreateFilter(0, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), kDeviceGone);
  EXPECT_EQ(filter, nullptr);
}

TEST_F(FakeFilterTest, BindingIsRefusedWithoutAUsableState) {
  sim::RecorderState refusing;
  refusing.faults.refuseBind = true;
  Save(refusing);
  IBaseFilter* filter = nullptr;
  EXPECT_EQ(CreateFilter(0, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), E_ACCESSDENIED);
  dir_.Write("recorder.json", "{\"settings\": 1}");
  EXPECT_EQ(CreateFilter(0, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), kDeviceGone);
  std::filesystem::remove(StatePath());
  EXPECT_EQ(CreateFilter(0, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), kDeviceGone);
  test::ScopedEnvironment unset(StateVariable(0).c_str(), nullptr);
  EXPECT_EQ(CreateFilter(0, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), kDeviceGone);
  EXPECT_EQ(filter, nullptr);
}

TEST(FakeFilterIdentityTest, EachDeviceHasItsClsidAndStateVariable) {
  for (unsigned i = 0; i < kMaxDevices; ++i) {
    unsigned index = 99;
    ASSERT_TRUE(IndexOf(ClsidOf(i), &index));
    EXPECT_EQ(index, i);
    CLSID parsed{};
    ASSERT_EQ(CLSIDFromString(ClsidText(i).c_str(), &parsed), S_OK);
    EXPECT_TRUE(IsEqualCLSID(parsed, ClsidOf(i)));
  }
  EXPECT_EQ(StateVariable(0), "KAVRIN_FAKE_FILTER_STATE");
  EXPECT_EQ(StateVariable(3), "KAVRIN_FAKE_FILTER_STATE_3");
  unsigned index = 0;
  EXPECT_FALSE(IndexOf(CLSID_SystemDeviceEnum, &index));
}

}  // namespace
}  // namespace kavrin::fake_filter
