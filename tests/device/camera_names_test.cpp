// How a USB camera function is named and found: the function string before the interface
// string before the product string, whichever of them the kernel lets us read, and the
// extension unit of the configuration in force.
#include "device/v4l2/camera_names.h"

#include <gtest/gtest.h>

#include "device/device_link.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/device/v4l2_fixture.h"
#include "tests/support/trace_capture.h"

namespace kavrin::v4l2 {
namespace {

using test::CameraDescriptors;
using test::FixtureNode;
using test::V4l2Fixture;

struct Name {
  std::u16string text;
  NameSource source;
  bool cut = false;
  bool operator==(const Name&) const = default;
};

std::vector<Name> Simplified(const std::vector<InputName>& names) {
  std::vector<Name> out;
  for (const InputName& n : names) out.push_back({n.text, n.source, n.cut});
  return out;
}

void PrintTo(const Name& n, std::ostream* os) {
  *os << NameSourceText(n.source) << " \"" << std::string(n.text.begin(), n.text.end()) << '"'
      << (n.cut ? " (cut)" : "");
}

FunctionStringIndexes Indexes(uint8_t product, uint8_t function, uint8_t interface) {
  return FunctionStringIndexes{true, product, function, interface};
}

TEST(CameraNamesTest, FunctionBeforeInterfaceBeforeProduct) {
  constexpr auto F = NameSource::kFunction;
  constexpr auto I = NameSource::kInterface;
  constexpr auto P = NameSource::kProduct;
  struct Case {
    const char* what;
    CameraStrings strings;
    std::vector<Name> expected;
  } cases[] = {
      {"function string from the card",
       {"USB Camera", "", "USB Camera: Driving Recorder", Indexes(2, 3, 0)},
       {{u"Driving Recorder", F}, {u"USB Camera", P}}},
      {"interface string, no association string",
       {"USB Camera", "Driving Recorder", "USB Camera: Driving Recorder", Indexes(2, 0, 4)},
       {{u"Driving Recorder", I}, {u"USB Camera", P}}},
      {"all three",
       {"USB Camera", "VC", "USB Camera: Driving Recorder", Indexes(2, 3, 4)},
       {{u"Driving Recorder", F}, {u"VC", I}, {u"USB Camera", P}}},
      {"function is the product's string: one name",
       {"ZK742", "", "ZK742: ZK742", Indexes(2, 2, 0)},
       {{u"ZK742", F}}},
      {"function is the interface's string: read whole from sysfs though the card is cut",
       {"USB 2.0 PC Camera Device", "Driving Recorder", "USB 2.0 PC Camera Device: Drivi",
        Indexes(2, 4, 4)},
       {{u"Driving Recorder", F}, {u"USB 2.0 PC Camera Device", P}}},
      {"card cut within the function string",
       {"USB 2.0 Camera Device", "", "USB 2.0 Camera Device: Driving ", Indexes(2, 3, 0)},
       {{u"Driving ", F, true}, {u"USB 2.0 Camera Device", P}}},
      {"card cut inside a character: the broken tail is dropped",
       {"USB 2.0 Camera Device 123", "", "USB 2.0 Camera Device 123: \xE8\xA1\x8C\xE8",
        Indexes(2, 3, 0)},
       {{u"\u884C", F, true}, {u"USB 2.0 Camera Device 123", P}}},
      {"product fills the card: no function known",
       {"A Very Long Product Name Of 31 b", "", "A Very Long Product Name Of 31 ",
        Indexes(2, 3, 0)},
       {{u"A Very Long Product Name Of 31 b", P}}},
      {"product with its own colon",
       {"Cam: HD", "", "Cam: HD: Driving Recorder", Indexes(2, 3, 0)},
       {{u"Driving Recorder", F}, {u"Cam: HD", P}}},
      {"no strings at all: the card up to its colon",
       {"", "", "UVC Camera (1234:0742)", Indexes(0, 0, 0)},
       {{u"UVC Camera (1234:0742)", NameSource::kCard}}},
      {"descriptors unknown: the suffix is not attributed",
       {"USB Camera", "", "USB Camera: Driving Recorder", FunctionStringIndexes{}},
       {{u"USB Camera", P}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Simplified(CameraNames(c.strings)), c.expected);
  }
}

// A camera on a fixture tree with the given strings.
FixtureNode Camera(const std::string& node, const std::string& port, const std::string& product,
                   const std::string& card, uint8_t functionIndex, bool withUnit = true) {
  FixtureNode camera;
  camera.node = node;
  camera.usbPort = port;
  camera.product = product;
  camera.card = card;
  CameraDescriptors descriptors;
  descriptors.functionIndex = functionIndex;
  descriptors.withUnit = withUnit;
  camera.descriptors = descriptors.Build();
  return camera;
}

TEST(CameraNamesTest, GenericProductWithARecorderFunctionAttachesAsDrivingRecorder) {
  V4l2Fixture fixture;
  fixture.AddNode(Camera("video0", "1-1", "USB Camera", "USB Camera: Driving Recorder", 3));
  V4l2Backend backend(fixture.Options());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs && inputs->size() == 1);
  EXPECT_EQ((*inputs)[0].friendlyName, u"Driving Recorder");

  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  link.AddDeviceName(u"driving recorder");
  test::TraceCapture trace;
  ASSERT_EQ(link.Attach(), 1);
  EXPECT_EQ(trace.Text(), "\nattach driving recorder(1)\n");
  EXPECT_EQ(link.AttachedName().text, u"Driving Recorder");
  EXPECT_EQ(link.AttachedName().source, NameSource::kFunction);
}

TEST(CameraNamesTest, AConfiguredNameMatchesAnyOfTheThreeAndNamesInListOrderDecide) {
  V4l2Fixture fixture;
  FixtureNode camera = Camera("video0", "1-1", "USB Camera", "USB Camera: Driving Recorder", 3);
  camera.interfaceString = "VC Unit";
  CameraDescriptors descriptors;
  descriptors.functionIndex = 3;
  descriptors.interfaceIndex = 4;
  camera.descriptors = descriptors.Build();
  fixture.AddNode(camera);
  V4l2Backend backend(fixture.Options());
  struct Case {
    std::u16string configured;
    NameSource source;
  } cases[] = {
      {u"USB CAMERA", NameSource::kProduct},
      {u"vc unit", NameSource::kInterface},
      {u"Driving Recorder", NameSource::kFunction},
  };
  for (const Case& c : cases) {
    DeviceLink link(backend);
    link.AddDeviceName(c.configured.c_str());
    ASSERT_EQ(link.Attach(), 1);
    EXPECT_EQ(link.AttachedName().source, c.source);
  }
  DeviceLink prefix(backend);
  prefix.AddDeviceName(u"Driving");  // neither a prefix nor a longer name matches a whole one
  prefix.AddDeviceName(u"USB Camera 2");
  EXPECT_EQ(prefix.Attach(), 0);
}

TEST(CameraNamesTest, ACutNameMatchesOnlyWhereNoDeviceCarriesTheWholeName) {
  // video0: a webcam whose long product left only "Driving " of its function "Driving
  // Monitor"; video2: the recorder, named whole. The guess must not stand in front.
  V4l2Fixture fixture;
  fixture.AddNode(Camera("video0", "1-1", "USB 2.0 Camera Device",
                         "USB 2.0 Camera Device: Driving ", 3, false));
  fixture.AddNode(Camera("video2", "1-2", "USB Camera", "USB Camera: Driving Recorder", 3));
  V4l2Backend backend(fixture.Options());
  DeviceLink link(backend);
  link.AddDeviceName(u"Driving Recorder");
  test::TraceCapture trace;
  ASSERT_EQ(link.Attach(), 1);
  EXPECT_EQ(link.AttachedInput().location, fixture.DevPath("video2"));
  EXPECT_FALSE(link.AttachedName().cut);

  // Alone, the recorder whose card was cut is still found by the start of its name.
  V4l2Fixture alone;
  alone.AddNode(
      Camera("video4", "1-3", "USB 2.0 Camera Device", "USB 2.0 Camera Device: Driving ", 3));
  V4l2Backend aloneBackend(alone.Options());
  DeviceLink aloneLink(aloneBackend);
  aloneLink.AddDeviceName(u"Driving");  // shorter than what is known: no match
  aloneLink.AddDeviceName(u"Driving Recorder");
  ASSERT_EQ(aloneLink.Attach(), 1);
  EXPECT_EQ(aloneLink.CurrentIndex(), 1u);
  EXPECT_TRUE(aloneLink.AttachedName().cut);
}

// Two configurations: the unit in only one of them, and the device in one or the other.
TEST(CameraNamesTest, ExtensionUnitIsLookedUpInTheActiveConfiguration) {
  CameraDescriptors withUnit;
  withUnit.configurationValue = 1;
  withUnit.unitId = 4;
  CameraDescriptors without = withUnit;  // first, value 1
  without.withUnit = false;
  CameraDescriptors secondWithout = without;
  secondWithout.configurationValue = 2;
  CameraDescriptors otherUnit = withUnit;
  otherUnit.configurationValue = 2;
  otherUnit.unitId = 7;
  struct Case {
    const char* what;
    std::vector<CameraDescriptors> configurations;
    std::optional<std::string> active;
    int unitId;  // -1: not found
    const char* detail;
  } cases[] = {
      {"the second, holding the unit", {without, otherUnit}, "2", 7, "extension unit 7"},
      {"the first of two with units", {withUnit, otherUnit}, "1", 4, "extension unit 4"},
      {"the second of two with units", {withUnit, otherUnit}, "2", 7, "extension unit 7"},
      {"the second, without the unit", {withUnit, secondWithout}, "2", -1, "no extension unit"},
      {"unconfigured", {withUnit}, "", -1, "not configured"},
      {"a value no configuration has", {withUnit}, "3", -1, "no configuration 3"},
      {"no attribute (an old kernel): the first",
       {without, otherUnit},
       std::nullopt,
       -1,
       "no extension unit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    V4l2Fixture fixture;
    FixtureNode node;
    node.descriptors = CameraDescriptors::Compose(c.configurations);
    node.activeConfiguration = c.active;
    node.unitId = static_cast<uint8_t>(c.unitId < 0 ? 4 : c.unitId);
    fixture.AddNode(node);
    V4l2Backend backend(fixture.Options());
    const auto inputs = backend.ListVideoInputs();
    ASSERT_TRUE(inputs && inputs->size() == 1);
    const InputDiagnosis diagnosis = backend.Diagnose((*inputs)[0]);
    EXPECT_EQ(diagnosis.unitFound, c.unitId >= 0);
    EXPECT_EQ(diagnosis.unitId, c.unitId);
    EXPECT_NE(diagnosis.detail.find(c.detail), std::string::npos) << diagnosis.detail;
    EXPECT_EQ(backend.Bind((*inputs)[0]) != nullptr, c.unitId >= 0);
  }
}

TEST(CameraNamesTest, TheActiveConfigurationsAssociationNamesTheFunction) {
  // Configuration 1 calls the function by string 3, configuration 2 (in force) by string 2,
  // the product's: the card's suffix belongs to configuration 2 and is the product.
  CameraDescriptors first;
  first.functionIndex = 3;
  CameraDescriptors second = first;
  second.configurationValue = 2;
  second.functionIndex = 2;
  V4l2Fixture fixture;
  FixtureNode node;
  node.product = "ZK742";
  node.card = "ZK742: ZK742";
  node.descriptors = CameraDescriptors::Compose({first, second});
  node.activeConfiguration = "2";
  fixture.AddNode(node);
  V4l2Backend backend(fixture.Options());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs && inputs->size() == 1);
  EXPECT_EQ(Simplified((*inputs)[0].names), (std::vector<Name>{{u"ZK742", NameSource::kFunction}}));
}

}  // namespace
}  // namespace kavrin::v4l2
