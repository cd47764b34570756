// `kavrin devices` tells which of a camera's names a configured name matched: the function,
// interface or product string.
#include "cli/device_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/device/fake_devices.h"

namespace kavrin::cli {
namespace {

ConfigFile Names(std::initializer_list<std::u16string> names) {
  ConfigFile config;
  for (const std::u16string& name : names) config.friendlyNames[config.friendlyNameCount++] = name;
  return config;
}

test::FakeBackend Cameras() {
  test::FakeBackend backend;
  backend.inputs = std::vector<VideoInput>{
      {u"Driving Recorder",
       "/dev/video0",
       {{u"Driving Recorder", NameSource::kFunction, false},
        {u"USB Camera", NameSource::kProduct, false}}},
      {u"Drivi", "/dev/video2", {{u"Drivi", NameSource::kFunction, true}}},
  };
  return backend;
}

TEST(DeviceReportTest, ListingNamesEachCamerasStringsAndWhichOneMatched) {
  test::FakeBackend backend = Cameras();
  const ConfigFile config = Names({u"ZK742", u"Driving Recorder"});
  const DeviceListing listing = ListDevices(backend, config);
  ASSERT_EQ(listing.rows.size(), 2u);
  std::ostringstream text;
  PrintDeviceListing(listing, config, text);
  EXPECT_NE(text.str().find("/dev/video0  \"Driving Recorder\"\n"
                            "    names:  function \"Driving Recorder\", product \"USB Camera\"\n"
                            "    name:   matches \"Driving Recorder\" (name 1) by its function "
                            "string\n"),
            std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find("    names:  function \"Drivi...\" (cut short)\n"
                            "    name:   matches \"Driving Recorder\" (name 1) by its function "
                            "string (the start the kernel kept)\n"),
            std::string::npos)
      << text.str();

  const nlohmann::json parsed = nlohmann::json::parse(
      DeviceListingJson(ListDevices(backend, Names({u"usb camera"})), Names({u"usb camera"}))
          .dump());
  EXPECT_EQ(parsed["devices"][0]["matchedBy"], "product");
  EXPECT_EQ(parsed["devices"][0]["names"][1]["text"], "USB Camera");
  EXPECT_TRUE(parsed["devices"][1]["matchedBy"].is_null());
  EXPECT_TRUE(parsed["devices"][1]["names"][0]["cut"].get<bool>());
}

}  // namespace
}  // namespace kavrin::cli
