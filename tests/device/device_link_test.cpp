// The recorder protocol as exact packets: what each command sends, what it makes of the
// answers, and what it does when a transfer fails.
#include "device/device_link.h"

#include <gtest/gtest.h>

#include <ostream>

#include <numeric>

#include "tests/device/fake_devices.h"
#include "tests/device/fault_rule.h"
#include "tests/support/param_name.h"
#include "tests/support/trace_capture.h"

namespace kavrin {
namespace {

using test::Le32;
using test::LoggedTransfer;

// A DeviceLink attached to one device whose transfers go to a simulated recorder.
struct SimulatedLink {
  explicit SimulatedLink(bool withRecorder = true) {
    backend.inputs = std::vector<VideoInput>{{u"ZK742", "sim"}};
    if (withRecorder) backend.recorder = &recorder;
    link.AddDeviceName(u"ZK742");
  }
  bool Attach() { return link.Attach() == 1; }
  const std::vector<LoggedTransfer>& Log() const { return backend.log.transfers; }

  sim::RecorderState state;
  sim::Recorder recorder{state};
  test::FakeBackend backend;
  DeviceLink link{backend};
};

std::vector<uint8_t> Pattern(std::size_t size) {
  std::vector<uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), uint8_t{1});
  return bytes;
}

struct ExpectedSet {
  uint32_t selector;
  uint32_t request;
  uint32_t command;
  uint32_t offset;
  uint32_t length;
};

void ExpectSets(const std::vector<LoggedTransfer>& log, const std::vector<ExpectedSet>& expected) {
  ASSERT_EQ(log.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("transfer " + std::to_string(i));
    EXPECT_TRUE(log[i].isSet);
    EXPECT_EQ(log[i].propertySet, DeviceLink::kPropertySet);
    EXPECT_EQ(log[i].nodeId, 2u);
    EXPECT_EQ(log[i].length, 64u);
    EXPECT_EQ(log[i].selector, expected[i].selector);
    EXPECT_EQ(Le32(log[i].bytes, 0), expected[i].request);
    EXPECT_EQ(Le32(log[i].bytes, 4), expected[i].command);
    EXPECT_EQ(Le32(log[i].bytes, 8), expected[i].offset);
    EXPECT_EQ(Le32(log[i].bytes, 12), expected[i].length);
  }
}

TEST(DeviceLinkTest, PropertySetIsTheRecordersGuid) {
  EXPECT_EQ(DeviceLink::kPropertySet.ToString(), "63610682-5070-49AB-B8CC-B3855E8D221D");
}

struct WriteCase {
  const char* what;
  uint32_t size;
  bool simulator;  // answered by the simulated recorder, else by a device that takes anything
  int kavrinFlag;
  int result;
  std::vector<ExpectedSet> sets;
};
// Listed by its description, not its bytes.
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.what; }

class WriteDataTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteDataTest, SendsChunksThenCommitsOnlyWhenEveryChunkArrived) {
  const WriteCase& c = GetParam();
  SimulatedLink device(c.simulator);
  ASSERT_TRUE(device.Attach());
  const std::vector<uint8_t> source = Pattern(c.size);
  EXPECT_EQ(device.link.WriteData(source.data(), c.size, c.kavrinFlag), c.result);
  ExpectSets(device.Log(), c.sets);
  // Each chunk carries its bytes from data byte 0.
  for (std::size_t i = 0; i < device.Log().size(); ++i) {
    const LoggedTransfer& t = device.Log()[i];
    if (t.selector != 17) continue;
    const uint32_t offset = Le32(t.bytes, 8), length = Le32(t.bytes, 12);
    EXPECT_TRUE(
        std::equal(source.begin() + offset, source.begin() + offset + length, t.bytes.begin() + 16))
        << "chunk at " << offset;
  }
  EXPECT_EQ(device.link.Selector(), DeviceLink::SELECTOR_COMMIT);
  for (const LoggedTransfer& t : device.Log()) EXPECT_TRUE(t.locked);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, WriteDataTest,
    ::testing::Values(
        WriteCase{"80 bytes commit 2",
                  80,
                  true,
                  0,
                  1,
                  {{17, 0, 2, 0, 40}, {17, 0, 2, 40, 40}, {18, 2, 2, 40, 40}}},
        WriteCase{"80 bytes commit 1",
                  80,
                  true,
                  1,
                  1,
                  {{17, 0, 2, 0, 40}, {17, 0, 2, 40, 40}, {18, 1, 2, 40, 40}}},
        WriteCase{"100 bytes to a device taking anything",
                  100,
                  false,
                  0,
                  1,
                  {{17, 0, 2, 0, 40}, {17, 0, 2, 40, 40}, {17, 0, 2, 80, 20}, {18, 2, 2, 80, 20}}},
        // The recorder has 80 bytes: it refuses the third chunk, so nothing is committed.
        WriteCase{"100 bytes to the recorder",
                  100,
                  true,
                  0,
                  0,
                  {{17, 0, 2, 0, 40}, {17, 0, 2, 40, 40}, {17, 0, 2, 80, 20}}},
        WriteCase{"0 bytes", 0, true, 1, 1, {{18, 1, 2, 0, 0}}}),
    test::NamedByWhat{});

TEST(DeviceLinkTest, WriteOf80BytesBecomesTheRecordersSettings) {
  SimulatedLink device;
  ASSERT_TRUE(device.Attach());
  const std::vector<uint8_t> source = Pattern(80);
  ASSERT_EQ(device.link.WriteData(source.data(), 80, 0), 1);
  EXPECT_TRUE(std::equal(source.begin(), source.end(), device.state.settings.begin()));
  EXPECT_EQ(device.state.commits, (std::vector<uint32_t>{2}));
  EXPECT_EQ(device.state.transfers, 3u);  // two chunks and the commit: the minimum
}

TEST(DeviceLinkTest, FailedChunkIsNeverCommitted) {
  for (uint32_t failingOffset : {0u, 40u}) {
    SCOPED_TRACE(failingOffset);
    SimulatedLink device;
    device.state.settings.fill(0x55);
    device.state.faults.rules.push_back(test::Fault().Command(2).Offset(failingOffset).OnSet());
    ASSERT_TRUE(device.Attach());
    const std::vector<uint8_t> source = Pattern(80);
    EXPECT_EQ(device.link.WriteData(source.data(), 80, 1), 0);
    EXPECT_TRUE(device.state.commits.empty());
    EXPECT_EQ(device.state.settings[0], 0x55);
    EXPECT_EQ(device.state.settings[79], 0x55);
    for (const LoggedTransfer& t : device.Log()) EXPECT_NE(t.selector, 18u);
  }
}

TEST(DeviceLinkTest, FailedCommitIsReported) {
  SimulatedLink device;
  device.state.faults.rules.push_back(test::Fault().Selector(18));
  ASSERT_TRUE(device.Attach());
  const std::vector<uint8_t> source = Pattern(80);
  EXPECT_EQ(device.link.WriteData(source.data(), 80, 0), 0);
}

TEST(DeviceLinkTest, ReadOf80BytesFillsOnlyTheDeviceArea) {
  SimulatedLink device;
  const std::vector<uint8_t> settings = Pattern(80);
  std::copy(settings.begin(), settings.end(), device.state.settings.begin());
  ASSERT_TRUE(device.Attach());
  std::array<uint8_t, 112> block;
  block.fill(0xEE);
  EXPECT_EQ(device.link.ReadData(block.data(), 80), 1);
  EXPECT_TRUE(std::equal(settings.begin(), settings.end(), block.begin()));
  for (std::size_t i = 80; i < block.size(); ++i) EXPECT_EQ(block[i], 0xEE) << i;
  // A SET and a GET per chunk: four transfers.
  ASSERT_EQ(device.Log().size(), 4u);
  ExpectSets(device.backend.log.Sets(), {{17, 1, 2, 0, 40}, {17, 1, 2, 40, 40}});
  EXPECT_FALSE(device.Log()[1].isSet);
  EXPECT_FALSE(device.Log()[3].isSet);
  EXPECT_EQ(device.state.transfers, 4u);
}

TEST(DeviceLinkTest, ReadOfNothingSendsNothing) {
  SimulatedLink device;
  ASSERT_TRUE(device.Attach());
  uint8_t byte = 0x42;
  EXPECT_EQ(device.link.ReadData(&byte, 0), 1);
  EXPECT_TRUE(device.Log().empty());
  EXPECT_EQ(byte, 0x42);
}

TEST(DeviceLinkTest, FailedReadLeavesTheDestinationUnchanged) {
  struct Case {
    const char* what;
    sim::FaultPlan::Rule rule;
  } cases[] = {
      {"second request refused", test::Fault().Command(2).Offset(40).OnSet()},
      {"second answer lost", test::Fault().Command(2).Offset(40).OnGet()},
      {"first answer S_FALSE", test::Fault().Command(2).Offset(0).OnGet().Status(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimulatedLink device;
    device.state.settings.fill(0x11);
    device.state.faults.rules.push_back(c.rule);
    ASSERT_TRUE(device.Attach());
    std::array<uint8_t, 112> block;
    block.fill(0xEE);
    EXPECT_EQ(device.link.ReadData(block.data(), 80), 0);
    for (uint8_t b : block) ASSERT_EQ(b, 0xEE);
  }
}

TEST(DeviceLinkTest, VanishedRecorderFailsTheOperation) {
  SimulatedLink device;
  device.state.faults.vanishAfter = 1;
  ASSERT_TRUE(device.Attach());
  const std::vector<uint8_t> source = Pattern(80);
  EXPECT_EQ(device.link.WriteData(source.data(), 80, 0), 0);
  EXPECT_TRUE(device.state.commits.empty());
  std::array<uint8_t, 80> area{};
  EXPECT_EQ(device.link.ReadData(area.data(), 80), 0);
  uint32_t result = 7;
  EXPECT_EQ(device.link.QueryTestResult(0x1011, &result), 0);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(device.state.transfers, 1u);
}

TEST(DeviceLinkTest, SetClockSendsTheDateAndTimeAsSixWords) {
  SimulatedLink device;
  ASSERT_TRUE(device.Attach());
  LocalTime time;
  time.wYear = 2026;
  time.wMonth = 12;
  time.wDay = 5;
  time.wDayOfWeek = 6;
  time.wHour = 14;
  time.wMinute = 3;
  time.wSecond = 9;
  time.wMilliseconds = 999;
  EXPECT_EQ(device.link.SetClock(time), 1);
  ASSERT_EQ(device.Log().size(), 1u);
  const LoggedTransfer& t = device.Log()[0];
  EXPECT_EQ(Le32(t.bytes, 0), 0u);
  EXPECT_EQ(Le32(t.bytes, 4), 10u);
  const std::array<uint8_t, 12> expected = {0xEA, 0x07, 0x0C, 0x00, 0x05, 0x00,
                                            0x0E, 0x00, 0x03, 0x00, 0x09, 0x00};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), t.bytes.begin() + 8));
  EXPECT_EQ(device.state.clock, "2026-12-05T14:03:09");
}

TEST(DeviceLinkTest, SetClockRefusedIsReported) {
  SimulatedLink device;
  device.state.faults.rules.push_back(test::Fault().Command(10).Status(1));
  ASSERT_TRUE(device.Attach());
  EXPECT_EQ(device.link.SetClock(LocalTime::Now()), 0);
  EXPECT_TRUE(device.state.clock.empty());
}

TEST(DeviceLinkTest, CommandsKeepWhatEarlierCommandsLeftInUnnamedFields) {
  SimulatedLink device;
  ASSERT_TRUE(device.Attach());
  const std::vector<uint8_t> source = Pattern(80);
  ASSERT_EQ(device.link.WriteData(source.data(), 80, 0), 1);
  LocalTime time;
  time.wYear = 2026;
  time.wMonth = 1;
  time.wDay = 2;
  ASSERT_EQ(device.link.SetClock(time), 1);
  // The clock names bytes 8-19; the rest of the last chunk is still in the shared packet.
  const LoggedTransfer& clock = device.Log().back();
  EXPECT_TRUE(std::equal(source.begin() + 44, source.begin() + 80, clock.bytes.begin() + 20));
  EXPECT_EQ(device.link.Selector(), DeviceLink::SELECTOR_COMMAND);
}

TEST(DeviceLinkTest, StringQueryUsesItsOwnPacketAndKeeps64BytesWithoutNul) {
  SimulatedLink device;
  device.state.model = std::string(64, 'M');
  ASSERT_TRUE(device.Attach());
  LocalTime time;
  time.wYear = 2026;
  time.wMonth = 12;
  time.wDay = 5;
  ASSERT_EQ(device.link.SetClock(time), 1);
  const CommandPacket before = device.link.Packet();
  std::array<uint8_t, 64> reply{};
  EXPECT_EQ(device.link.QueryString(DeviceLink::MODEL_NAME, reply.data()), 1);
  EXPECT_EQ(std::string(reply.begin(), reply.end()), std::string(64, 'M'));
  EXPECT_TRUE(std::equal(before.Bytes(), before.Bytes() + 64, device.link.Packet().Bytes()));
  const LoggedTransfer& request = device.Log()[1];
  EXPECT_EQ(Le32(request.bytes, 0), 1u);
  EXPECT_EQ(Le32(request.bytes, 4), 4u);
  for (std::size_t i = 8; i < 64; ++i) EXPECT_EQ(request.bytes[i], 0) << i;
}

TEST(DeviceLinkTest, ShortStringEndsWithNul) {
  SimulatedLink device;
  device.state.fwVersion = "FW 2.31";
  ASSERT_TRUE(device.Attach());
  std::array<uint8_t, 64> reply;
  reply.fill('x');
  ASSERT_EQ(device.link.QueryString(DeviceLink::FW_VERSION, reply.data()), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply.data()), "FW 2.31");
}

TEST(DeviceLinkTest, FailedStringQueryLeavesTheReplyAlone) {
  for (bool failSet : {true, false}) {
    SCOPED_TRACE(failSet ? "request refused" : "answer lost");
    SimulatedLink device;
    device.state.faults.rules.push_back(
        (failSet ? test::Fault().Command(4).OnSet() : test::Fault().Command(4).OnGet()));
    ASSERT_TRUE(device.Attach());
    std::array<uint8_t, 64> reply;
    reply.fill('x');
    EXPECT_EQ(device.link.QueryString(DeviceLink::MODEL_NAME, reply.data()), 0);
    EXPECT_EQ(std::string(reply.begin(), reply.end()), std::string(64, 'x'));
  }
}

TEST(DeviceLinkTest, EngineTestAnswersAreTakenAsTheRecorderGivesThem) {
  SimulatedLink device;
  device.state.testResults[0x1031] = 0;
  ASSERT_TRUE(device.Attach());
  uint32_t result = 99;
  EXPECT_EQ(device.link.QueryTestResult(0x1011, &result), 1);
  EXPECT_EQ(result, 1u);  // unlisted: pass
  EXPECT_EQ(device.link.QueryTestResult(0x1031, &result), 1);
  EXPECT_EQ(result, 0u);
  ExpectSets(device.backend.log.Sets(), {{17, 1, 9, 0x1011, 0}, {17, 1, 9, 0x1031, 0}});
  // The reply lands in the shared packet.
  EXPECT_EQ(device.link.Packet().Request(), 0u);
}

TEST(DeviceLinkTest, FailedEngineTestQueryIsNeverAPass) {
  struct Case {
    const char* what;
    sim::FaultPlan::Rule rule;
  } cases[] = {
      {"request refused", test::Fault().Command(9).OnSet()},
      {"answer lost", test::Fault().Command(9).OnGet()},
      {"answer S_FALSE", test::Fault().Command(9).OnGet().Status(1)},
      {"request S_FALSE", test::Fault().Command(9).OnSet().Status(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimulatedLink device;
    device.state.faults.rules.push_back(c.rule);
    ASSERT_TRUE(device.Attach());
    uint32_t result = 1;
    EXPECT_EQ(device.link.QueryTestResult(0x1011, &result), 0);
    EXPECT_EQ(result, 0u);
  }
}

TEST(DeviceLinkTest, OnlyStatusZeroIsSuccess) {
  const int32_t statuses[] = {kStatusOk, kStatusFalse, kStatusFail, StatusFromErrno(32), 2};
  for (int32_t status : statuses) {
    SCOPED_TRACE(status);
    SimulatedLink device(false);
    device.backend.setStatus = status;
    device.backend.getStatus = status;
    ASSERT_TRUE(device.Attach());
    uint8_t packet[64] = {};
    const int expected = status == kStatusOk ? 1 : 0;
    EXPECT_EQ(device.link.SendPacket(packet, 64), expected);
    EXPECT_EQ(device.link.ReceivePacket(packet, 64), expected);
  }
}

TEST(DeviceLinkTest, EveryCommandHoldsTheLockForAllItsTransfers) {
  SimulatedLink device;
  ASSERT_TRUE(device.Attach());
  std::array<uint8_t, 80> area{};
  std::array<uint8_t, 64> reply{};
  uint32_t result = 0;
  device.link.WriteData(area.data(), 80, 0);
  device.link.ReadData(area.data(), 80);
  device.link.QueryString(DeviceLink::HW_VERSION, reply.data());
  device.link.QueryTestResult(0x1011, &result);
  device.link.SetClock(LocalTime::Now());
  EXPECT_EQ(device.backend.log.locks, 5);
  EXPECT_EQ(device.backend.log.unlocks, 5);
  ASSERT_EQ(device.Log().size(), 3u + 4u + 2u + 2u + 1u);
  for (const LoggedTransfer& t : device.Log()) EXPECT_TRUE(t.locked);
}

TEST(DeviceLinkTest, CommandsWithoutADeviceFail) {
  test::FakeBackend backend;
  DeviceLink link(backend);
  std::array<uint8_t, 80> area{};
  uint32_t result = 1;
  EXPECT_EQ(link.WriteData(area.data(), 80, 0), 0);
  EXPECT_EQ(link.ReadData(area.data(), 80), 0);
  EXPECT_EQ(link.QueryTestResult(0x1011, &result), 0);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(link.SetClock(LocalTime::Now()), 0);
}

TEST(LocalTimeTest, NowIsAPlausibleCalendarTime) {
  const LocalTime now = LocalTime::Now();
  EXPECT_GE(now.wYear, 2024);
  EXPECT_GE(now.wMonth, 1);
  EXPECT_LE(now.wMonth, 12);
  EXPECT_GE(now.wDay, 1);
  EXPECT_LE(now.wDay, 31);
  EXPECT_LE(now.wHour, 23);
  EXPECT_LE(now.wMinute, 59);
  EXPECT_LE(now.wSecond, 59);
  EXPECT_LE(now.wDayOfWeek, 6);
}

struct DumpCase {
  const char* what;
  std::size_t count;
  int mode;
  std::string body;  // what follows the header line
};
// Listed by its description, not its bytes.
void PrintTo(const DumpCase& c, std::ostream* os) { *os << c.what; }

class DumpHexTest : public ::testing::TestWithParam<DumpCase> {};

TEST_P(DumpHexTest, PrintsHeaderThenGroups) {
  const DumpCase& c = GetParam();
  std::array<uint8_t, 80> buffer{};
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i);
  test::TraceCapture trace;
  DumpHex(buffer.data(), static_cast<uint32_t>(c.count), c.mode);
  char header[32];
  std::snprintf(header, sizeof header, "\nDump 0x%08X\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(buffer.data()) & 0xFFFFFFFFu));
  EXPECT_EQ(trace.Text(), header + c.body);
}

std::string WordLines(std::size_t words) {
  std::string text;
  for (std::size_t i = 0; i < words; ++i) {
    if (i % 8 == 0) text += "\n";
    char group[8];
    std::snprintf(group, sizeof group, "%04X ",
                  static_cast<unsigned>((2 * i) | ((2 * i + 1) << 8)));
    text += group;
  }
  return text + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DumpHexTest,
    ::testing::Values(DumpCase{"17 bytes", 17, 0,
                               "\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n10 \n"},
                      DumpCase{"40 words", 40, 1, WordLines(40)},
                      DumpCase{"unknown mode", 40, 2, "\n"}, DumpCase{"nothing", 0, 1, "\n"}),
    test::NamedByWhat{});

TEST(DumpHexTest, FortyWordsMakeFiveLinesOfEight) {
  const std::string text = WordLines(40);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
  EXPECT_EQ(text.substr(0, 21), "\n0100 0302 0504 0706 ");
}

TEST(DumpHexTest, NullBufferPrintsNothing) {
  test::TraceCapture trace;
  DumpHex(nullptr, 40, 1);
  EXPECT_EQ(trace.Text(), "");
}

}  // namespace
}  // namespace kavrin
