// Finding the recorder's extension unit in USB descriptors: by structure, never by bytes.
#include "device/v4l2/uvc_descriptors.h"

#include <gtest/gtest.h>

#include <ostream>

#include "device/device_link.h"
#include "device/v4l2/udev_change_monitor.h"
#include "tests/device/v4l2_fixture.h"
#include "tests/support/param_name.h"

namespace kavrin::v4l2 {
namespace {

using Outcome = ExtensionUnitSearch::Outcome;
using test::CameraDescriptors;

struct SearchCase {
  const char* what;
  CameraDescriptors camera;
  uint8_t interfaceNumber;
  Outcome outcome;
  uint8_t unitId;
};
// Listed by its description, not its bytes.
void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.what; }

class FindExtensionUnitTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FindExtensionUnitTest, WalksTheRecords) {
  const SearchCase& c = GetParam();
  const std::vector<uint8_t> bytes = c.camera.Build();
  const ExtensionUnitSearch search =
      FindExtensionUnit(bytes, c.interfaceNumber, DeviceLink::kPropertySet, kRecorderSelectors);
  EXPECT_EQ(search.outcome, c.outcome) << DescribeOutcome(search);
  if (c.outcome == Outcome::kFound || c.outcome == Outcome::kSelectorsNotDeclared) {
    EXPECT_EQ(search.unitId, c.unitId);
  }
}

CameraDescriptors Camera(void (*change)(CameraDescriptors&)) {
  CameraDescriptors camera;
  change(camera);
  return camera;
}

Guid OtherGuid() {
  Guid guid = DeviceLink::kPropertySet;
  guid.data4[7] ^= 0xFF;
  return guid;
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, FindExtensionUnitTest,
    ::testing::Values(
        SearchCase{"recorder", CameraDescriptors{}, 0, Outcome::kFound, 4},
        SearchCase{"unit id 0x7F on interface 2", Camera([](CameraDescriptors& c) {
                     c.unitId = 0x7F;
                     c.controlInterface = 2;
                   }),
                   2, Outcome::kFound, 0x7F},
        SearchCase{"three source pins", Camera([](CameraDescriptors& c) { c.unitInPins = 3; }), 0,
                   Outcome::kFound, 4},
        SearchCase{"asked for another interface", CameraDescriptors{}, 1, Outcome::kNoVideoControl,
                   0},
        SearchCase{"plain webcam", Camera([](CameraDescriptors& c) { c.withUnit = false; }), 0,
                   Outcome::kNoUnit, 0},
        SearchCase{"unit of another maker",
                   Camera([](CameraDescriptors& c) { c.unitGuid = OtherGuid(); }), 0,
                   Outcome::kNoUnit, 0},
        SearchCase{"GUID bytes only inside a vendor record", Camera([](CameraDescriptors& c) {
                     c.withUnit = false;
                     c.guidInVendorDescriptor = true;
                   }),
                   0, Outcome::kNoUnit, 0},
        SearchCase{"unit only in another interface", Camera([](CameraDescriptors& c) {
                     c.withUnit = false;
                     c.unitInOtherInterface = true;
                   }),
                   0, Outcome::kNoUnit, 0},
        SearchCase{"the other interface's own unit", Camera([](CameraDescriptors& c) {
                     c.withUnit = false;
                     c.unitInOtherInterface = true;
                   }),
                   5, Outcome::kFound, 9},
        SearchCase{"selector 18 not declared",
                   Camera([](CameraDescriptors& c) { c.unitControls = 0x010000; }), 0,
                   Outcome::kSelectorsNotDeclared, 4},
        SearchCase{"selector 17 not declared",
                   Camera([](CameraDescriptors& c) { c.unitControls = 0x020000; }), 0,
                   Outcome::kSelectorsNotDeclared, 4}),
    test::NamedByWhat{});

// Where in the recorder's descriptors the unit record starts.
std::size_t UnitOffset(const std::vector<uint8_t>& bytes) {
  std::size_t at = 0;
  while (at + 3 <= bytes.size() && !(bytes[at + 1] == 0x24 && bytes[at + 2] == 0x06))
    at += bytes[at];
  return at;
}

TEST(FindExtensionUnitTest, DamagedRecordsStopTheWalkSafely) {
  const std::vector<uint8_t> good = CameraDescriptors{}.Build();
  const std::size_t unitAt = UnitOffset(good);
  ASSERT_LT(unitAt, good.size());
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  {
    std::vector<uint8_t> b = good;
    b[18 + 9] = 0;  // a zero-length record before the unit
    cases.push_back({"bLength 0", b});
  }
  {
    std::vector<uint8_t> b = good;
    b[unitAt - 18] = 200;  // the camera terminal claims to run past the end
    cases.push_back({"bLength past the end", b});
  }
  cases.push_back(
      {"cut inside the unit", std::vector<uint8_t>(good.begin(), good.begin() + unitAt + 20)});
  {
    std::vector<uint8_t> b = good;
    b[unitAt + 21] = 200;  // bNrInPins beyond the record
    cases.push_back({"source pins beyond the record", b});
  }
  {
    std::vector<uint8_t> b = good;
    b[unitAt + 23] = 60;  // bControlSize beyond the record
    cases.push_back({"control size beyond the record", b});
  }
  {
    std::vector<uint8_t> b = good;
    b[unitAt] = 5;  // too short to be a unit; the walk goes on inside it
    cases.push_back({"unit too short", b});
  }
  cases.push_back({"nothing", {}});
  cases.push_back({"one byte", {9}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ExtensionUnitSearch search =
        FindExtensionUnit(c.bytes, 0, DeviceLink::kPropertySet, kRecorderSelectors);
    EXPECT_NE(search.outcome, Outcome::kFound);
  }
}

TEST(FindExtensionUnitTest, UnitIsFoundOnlyOnceItsWholeRecordIsThere) {
  const std::vector<uint8_t> good = CameraDescriptors{}.Build();
  const std::size_t unitEnd = UnitOffset(good) + good[UnitOffset(good)];
  for (std::size_t size = 0; size <= good.size(); ++size) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    const ExtensionUnitSearch search =
        FindExtensionUnit(cut, 0, DeviceLink::kPropertySet, kRecorderSelectors);
    EXPECT_EQ(search.outcome == Outcome::kFound, size >= unitEnd) << size;
  }
}

TEST(GuidTest, ParsesPrintsAndKeepsTheWireOrder) {
  const std::optional<Guid> parsed = Guid::Parse("{63610682-5070-49ab-B8CC-B3855E8D221D}");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, DeviceLink::kPropertySet);
  EXPECT_EQ(parsed->ToString(), "63610682-5070-49AB-B8CC-B3855E8D221D");
  const std::array<uint8_t, 16> wire = parsed->ToBytes();
  const std::array<uint8_t, 16> expected = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                                            0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};
  EXPECT_EQ(wire, expected);
  EXPECT_EQ(Guid::FromBytes(wire.data()), *parsed);
  for (const char* bad :
       {"", "63610682-5070-49AB-B8CC-B3855E8D221", "63610682-5070-49AB-B8CC_B3855E8D221D",
        "6361068G-5070-49AB-B8CC-B3855E8D221D", "{63610682-5070-49AB-B8CC-B3855E8D221D"}) {
    EXPECT_FALSE(Guid::Parse(bad)) << bad;
  }
}

TEST(UdevChangeMonitorTest, OnlyAddAndRemoveAreDeviceChanges) {
  const std::pair<const char*, bool> actions[] = {{"add", true},     {"remove", true},
                                                  {"change", false}, {"bind", false},
                                                  {"unbind", false}, {"", false}};
  for (const auto& [action, change] : actions)
    EXPECT_EQ(IsDeviceChangeAction(action), change) << action;
}

}  // namespace
}  // namespace kavrin::v4l2
