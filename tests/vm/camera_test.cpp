// The emulated camera's descriptors and request handling, checked on the host so that a
// broken camera is found here and not by a puzzling guest log.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "device/guid.h"
#include "device/sim/recorder.h"
#include "device/v4l2/uvc_descriptors.h"
#include "tests/vm/camera/zk742_camera.h"
#include "tests/vm/camera/zk742_descriptors.h"

namespace kavrin::vm {
namespace {

constexpr uint8_t kSetCur = 0x01, kGetCur = 0x81, kGetLen = 0x85, kGetInfo = 0x86;

// What the camera did with one request. A lost pipe is one whose request the host gave up
// on (or gadgetfs dropped): every way of finishing it fails.
class RecordingPipe : public ControlPipe {
 public:
  explicit RecordingPipe(std::vector<uint8_t> outData = {}, bool lost = false)
      : outData_(std::move(outData)), lost_(lost) {}
  bool Reply(std::span<const uint8_t> data) override {
    reply = std::vector(data.begin(), data.end());
    return !lost_;
  }
  std::optional<std::vector<uint8_t>> ReceiveData(std::size_t length) override {
    dataCollected = true;
    if (lost_) return std::nullopt;
    outData_.resize(std::min(outData_.size(), length));
    return outData_;
  }
  bool Acknowledge() override {
    acknowledged = true;
    return !lost_;
  }
  bool Stall() override {
    stalled = true;
    return !lost_;
  }

  std::optional<std::vector<uint8_t>> reply;
  bool stalled = false;
  bool acknowledged = false;
  bool dataCollected = false;

 private:
  std::vector<uint8_t> outData_;
  bool lost_;
};

SetupPacket ClassRequest(uint8_t request, uint8_t selector, uint8_t entity, uint8_t interface,
                         uint16_t length) {
  const uint8_t type = (request & 0x80) ? 0xA1 : 0x21;
  return SetupPacket{type, request, static_cast<uint16_t>(selector << 8),
                     static_cast<uint16_t>((entity << 8) | interface), length};
}

SetupPacket UnitRequest(uint8_t request, uint8_t selector, uint16_t length = 64) {
  return ClassRequest(request, selector, kRecorderUnitId, kVideoControlInterface, length);
}

std::vector<uint8_t> Packet(uint32_t request, uint32_t command, uint32_t offset = 0,
                            uint32_t length = 0) {
  std::vector<uint8_t> p(64, 0);
  auto put = [&](std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, request);
  put(4, command);
  put(8, offset);
  put(12, length);
  return p;
}

// The descriptors as the host's sysfs `descriptors` file holds them.
std::vector<uint8_t> SysfsDescriptors() {
  std::vector<uint8_t> bytes = DeviceDescriptor();
  const std::vector<uint8_t> config = ConfigurationDescriptor(512);
  bytes.insert(bytes.end(), config.begin(), config.end());
  return bytes;
}

TEST(CameraDescriptors, TheHostFindsTheRecorderUnitByGuidAndTheOtherUnitApart) {
  struct Case {
    const char* guid;
    uint8_t unitId;
  };
  const Case cases[] = {{"63610682-5070-49AB-B8CC-B3855E8D221D", kRecorderUnitId},
                        {"5DC8E1F4-0A37-4E62-9B51-7C2D03A8B6E9", kOtherUnitId}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.guid);
    const v4l2::ExtensionUnitSearch search = v4l2::FindExtensionUnit(
        SysfsDescriptors(), kVideoControlInterface, *Guid::Parse(c.guid), v4l2::kRecorderSelectors);
    EXPECT_EQ(search.outcome, v4l2::ExtensionUnitSearch::Outcome::kFound);
    EXPECT_EQ(search.unitId, c.unitId);
  }
}

TEST(CameraDescriptors, EveryLengthAddsUpAtBothSpeeds) {
  for (uint16_t maxPacket : {uint16_t{64}, uint16_t{512}}) {
    SCOPED_TRACE(maxPacket);
    const std::vector<uint8_t> config = ConfigurationDescriptor(maxPacket);
    ASSERT_GE(config.size(), 9u);
    EXPECT_EQ(config[2] | (config[3] << 8), static_cast<int>(config.size()));
    // Walk the records; remember where each class-specific header starts and claims to end.
    std::size_t at = 0, vcHeader = 0, vcEnd = 0, vsHeader = 0, vsEnd = 0;
    std::size_t endpointMaxPacket = 0;
    while (at < config.size()) {
      const std::size_t length = config[at];
      ASSERT_GE(length, 2u) << "at " << at;
      ASSERT_LE(at + length, config.size()) << "at " << at;
      if (config[at + 1] == 0x24 && config[at + 2] == 0x01 && vcHeader == 0) {
        vcHeader = at;
        vcEnd = at + (config[at + 5] | (config[at + 6] << 8));
      } else if (config[at + 1] == 0x24 && config[at + 2] == 0x01) {
        vsHeader = at;
        vsEnd = at + (config[at + 4] | (config[at + 5] << 8));
      } else if (config[at + 1] == 0x05) {
        endpointMaxPacket = config[at + 4] | (config[at + 5] << 8);
        EXPECT_EQ(at, vsEnd) << "the endpoint follows the streaming class records";
      } else if (config[at + 1] == 0x04 && config[at + 2] == kVideoStreamingInterface) {
        EXPECT_EQ(at, vcEnd) << "the control class records end where the header says";
      }
      at += length;
    }
    EXPECT_EQ(at, config.size());
    EXPECT_NE(vcHeader, 0u);
    EXPECT_NE(vsHeader, 0u);
    EXPECT_EQ(endpointMaxPacket, maxPacket);
  }
}

TEST(CameraDescriptors, StringsAnswerInUtf16WithTheEnglishLanguageList) {
  const CameraStrings strings;
  struct Case {
    uint8_t index;
    std::optional<std::vector<uint8_t>> expected;
  };
  const Case cases[] = {
      {0, std::vector<uint8_t>{4, 3, 0x09, 0x04}},
      {kProductString, std::vector<uint8_t>{12, 3, 'Z', 0, 'K', 0, '7', 0, '4', 0, '2', 0}},
      {9, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.index));
    EXPECT_EQ(StringDescriptor(strings, c.index), c.expected);
  }
  // The device descriptor names that product string.
  EXPECT_EQ(DeviceDescriptor()[15], kProductString);
}

TEST(CameraRequests, TheProductStringIsAnsweredThroughGetDescriptor) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kSound);
  RecordingPipe pipe;
  camera.HandleSetup(SetupPacket{0x80, 0x06, 0x0302, 0x0409, 255}, pipe);
  ASSERT_TRUE(pipe.reply.has_value());
  EXPECT_EQ(*pipe.reply, *StringDescriptor(CameraStrings{}, kProductString));
}

struct InfoCase {
  CameraMode mode;
  uint8_t request;
  uint8_t selector;
  std::vector<uint8_t> expected;
};

class RecorderUnitInfo : public testing::TestWithParam<InfoCase> {};

TEST_P(RecorderUnitInfo, DeclaresGetAndSetAndTheModesLength) {
  sim::RecorderState state;
  Zk742Camera camera(state, GetParam().mode);
  RecordingPipe pipe;
  camera.HandleSetup(
      UnitRequest(GetParam().request, GetParam().selector, GetParam().request == kGetLen ? 2 : 1),
      pipe);
  ASSERT_TRUE(pipe.reply.has_value());
  EXPECT_EQ(*pipe.reply, GetParam().expected);
  EXPECT_EQ(state.transfers, 0u) << "info queries are the camera's, not the recorder's";
}

INSTANTIATE_TEST_SUITE_P(Modes, RecorderUnitInfo,
                         testing::Values(InfoCase{CameraMode::kSound, kGetInfo, 17, {0x03}},
                                         InfoCase{CameraMode::kSound, kGetInfo, 18, {0x03}},
                                         InfoCase{CameraMode::kSound, kGetLen, 17, {64, 0}},
                                         InfoCase{CameraMode::kSound, kGetLen, 18, {64, 0}},
                                         InfoCase{CameraMode::kWrongLength, kGetLen, 17, {40, 0}},
                                         InfoCase{CameraMode::kWrongLength, kGetLen, 18, {64, 0}},
                                         InfoCase{CameraMode::kWrongAnswers, kGetLen, 17, {64, 0}}),
                         // "wrong_length_GET_LEN_17": the mode, the request and the selector.
                         [](const testing::TestParamInfo<InfoCase>& param) {
                           std::string name(CameraModeName(param.param.mode));
                           std::replace(name.begin(), name.end(), '-', '_');
                           name += param.param.request == kGetInfo ? "_GET_INFO_" : "_GET_LEN_";
                           return name + std::to_string(param.param.selector);
                         });

// One request SET on selector 17 and the GET that answers it.
struct Exchange {
  RecordingPipe set;
  RecordingPipe get;
};

Exchange Ask(Zk742Camera& camera, std::vector<uint8_t> packet) {
  Exchange e{RecordingPipe(std::move(packet)), RecordingPipe()};
  camera.HandleSetup(UnitRequest(kSetCur, kSelectorCommand), e.set);
  camera.HandleSetup(UnitRequest(kGetCur, kSelectorCommand), e.get);
  return e;
}

TEST(CameraRequests, TheRecorderAnswersThroughTheUnit) {
  sim::RecorderState state;
  state.model = "ZK742-M";
  state.testResults[0x1012] = 0;
  for (std::size_t i = 0; i < state.settings.size(); ++i)
    state.settings[i] = static_cast<uint8_t>(i);
  Zk742Camera camera(state, CameraMode::kSound);

  Exchange model = Ask(camera, Packet(1, 4));
  ASSERT_TRUE(model.get.reply.has_value());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(model.get.reply->data())), "ZK742-M");
  EXPECT_EQ(model.get.reply->size(), 64u);

  Exchange test = Ask(camera, Packet(1, 9, 0x1012));
  ASSERT_TRUE(test.get.reply.has_value());
  EXPECT_EQ((*test.get.reply)[0], 0);

  Exchange read = Ask(camera, Packet(1, 2, 40, 40));
  ASSERT_TRUE(read.get.reply.has_value());
  EXPECT_EQ((*read.get.reply)[0], 40);
  EXPECT_EQ((*read.get.reply)[39], 79);

  EXPECT_EQ(state.transfers, 6u);
  EXPECT_EQ(camera.Report().commandSets, 3u);
  EXPECT_EQ(camera.Report().answeredReads, 3u);
}

TEST(CameraRequests, ARefusedRequestShowsAsAStallAtTheNextRead) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kSound);
  Exchange e = Ask(camera, Packet(1, 77));  // a command the recorder does not know
  EXPECT_TRUE(e.set.dataCollected);
  EXPECT_FALSE(e.set.stalled) << "an OUT data stage cannot be stalled";
  EXPECT_TRUE(e.get.stalled);
  EXPECT_FALSE(e.get.reply.has_value());

  // The driver then asks why: "invalid request".
  RecordingPipe why;
  camera.HandleSetup(ClassRequest(kGetCur, 0x02, 0, kVideoControlInterface, 1), why);
  EXPECT_EQ(why.reply, std::vector<uint8_t>{0x07});
}

TEST(CameraRequests, WrongAnswersModeStallsEngineTestsAndCutsSettingsReadsShort) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kWrongAnswers);
  struct Case {
    const char* what;
    std::vector<uint8_t> packet;
    bool stalled;
    std::size_t replyLength;
  };
  const Case cases[] = {
      {"engine test", Packet(1, 9, 0x1011), true, 0},
      {"settings read", Packet(1, 2, 0, 40), false, 32},
      {"model name", Packet(1, 4), false, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Exchange e = Ask(camera, c.packet);
    EXPECT_EQ(e.get.stalled, c.stalled);
    EXPECT_EQ(e.get.reply.value_or(std::vector<uint8_t>{}).size(), c.replyLength);
  }
  EXPECT_EQ(camera.Report().stalledReads, 1u);
  EXPECT_EQ(camera.Report().shortReads, 1u);
}

TEST(CameraRequests, WritesAndTheirCommitReachTheRecorder) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kSound);
  for (uint32_t offset : {0u, 40u}) {
    std::vector<uint8_t> chunk = Packet(0, 2, offset, 40);
    for (std::size_t i = 0; i < 40; ++i) chunk[16 + i] = static_cast<uint8_t>(0xA0 + offset + i);
    RecordingPipe pipe(chunk);
    EXPECT_TRUE(camera.HandleSetup(UnitRequest(kSetCur, kSelectorCommand), pipe));
  }
  RecordingPipe commit(Packet(2, 2, 40, 40));
  EXPECT_TRUE(camera.HandleSetup(UnitRequest(kSetCur, kSelectorCommit), commit));
  EXPECT_EQ(state.commits, std::vector<uint32_t>{2});
  EXPECT_EQ(state.settings[0], 0xA0);
  EXPECT_EQ(state.settings[79], static_cast<uint8_t>(0xA0 + 79));
  EXPECT_EQ(camera.Report().commitSets, 1u);
}

TEST(CameraRequests, TrafficThatIsNotTheRecordersNeverReachesIt) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kSound);
  struct Case {
    const char* what;
    SetupPacket setup;
    bool lost;
    bool stalled;
  };
  const Case cases[] = {
      {"other unit GET", ClassRequest(kGetCur, 17, kOtherUnitId, kVideoControlInterface, 64), false,
       true},
      {"other unit SET", ClassRequest(kSetCur, 17, kOtherUnitId, kVideoControlInterface, 64), false,
       false},
      {"undeclared selector", UnitRequest(kGetCur, 19), false, true},
      {"request lost before collected", UnitRequest(kSetCur, kSelectorCommand), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingPipe pipe(Packet(1, 4), c.lost);
    camera.HandleSetup(c.setup, pipe);
    EXPECT_EQ(pipe.stalled, c.stalled);
  }
  EXPECT_EQ(state.transfers, 0u);
  EXPECT_EQ(camera.Report().otherUnitTransfers, 2u);
  EXPECT_EQ(camera.Report().lostRequests, 1u);
}

// Whichever way a request is finished, a transport that lost it is counted once as the rig's
// loss, and a lost SET never reaches the recorder.
TEST(CameraRequests, EveryRequestTheTransportLostIsCounted) {
  struct Case {
    const char* what;
    SetupPacket setup;
    bool reachesRecorder;
  };
  const Case cases[] = {
      {"a GET whose answer came too late", UnitRequest(kGetCur, kSelectorCommand), true},
      {"a SET whose data never arrived", UnitRequest(kSetCur, kSelectorCommand), false},
      {"a GET_INFO whose answer came too late", UnitRequest(kGetInfo, kSelectorCommand, 1), false},
      {"a stall the host no longer waited for", UnitRequest(kGetCur, 19), false},
      {"a SET_CONFIGURATION acknowledged too late", SetupPacket{0x00, 0x09, 1, 0, 0}, false},
      {"a string descriptor answered too late", SetupPacket{0x80, 0x06, 0x0302, 0x0409, 255},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::RecorderState state;
    Zk742Camera camera(state, CameraMode::kSound);
    RecordingPipe lost(Packet(1, 4), true);
    camera.HandleSetup(c.setup, lost);
    EXPECT_EQ(camera.Report().lostRequests, 1u);
    EXPECT_EQ(state.transfers, c.reachesRecorder ? 1u : 0u);
    RecordingPipe sound(Packet(1, 4));
    camera.HandleSetup(c.setup, sound);
    EXPECT_EQ(camera.Report().lostRequests, 1u) << "a request finished soundly is not a loss";
  }
}

TEST(CameraRequests, ALossTheTransportReportsOnItsOwnIsCounted) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kSound);
  camera.NoteLostRequest();
  camera.NoteLostRequest();
  EXPECT_EQ(camera.Report().lostRequests, 2u);
  EXPECT_NE(camera.Report().ToJson(CameraMode::kSound).find("\"lostRequests\":2"),
            std::string::npos);
}

TEST(CameraRequests, TheStreamingProbeKeepsWhatTheHostSet) {
  sim::RecorderState state;
  Zk742Camera camera(state, CameraMode::kSound);
  std::vector<uint8_t> probe(26, 0);
  probe[2] = 1;
  probe[3] = 1;
  probe[10] = 0x5A;
  RecordingPipe set(probe);
  camera.HandleSetup(ClassRequest(kSetCur, 1, 0, kVideoStreamingInterface, 26), set);
  RecordingPipe get;
  camera.HandleSetup(ClassRequest(kGetCur, 1, 0, kVideoStreamingInterface, 26), get);
  EXPECT_EQ(get.reply, probe);
}

}  // namespace
}  // namespace kavrin::vm
