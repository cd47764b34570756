// KAVRIN_CFG.ini of any content: the INI reader, every section reader on its result (twice,
// as a reload does), and both listings `kavrin config` prints.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "cli/config_json.h"
#include "cli/config_report.h"
#include "config/config_file.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_setup.h"

namespace kavrin::fuzz {
namespace {

void CheckBounds(const ConfigFile& config) {
  FUZZ_CHECK(config.items.size() <= ConfigBounds::kMaxItems);
  FUZZ_CHECK(config.testItems.size() <= ConfigBounds::kMaxTestItems);
  FUZZ_CHECK(config.infoPanel.rows.size() <= ConfigBounds::kMaxInfoRows);
  FUZZ_CHECK(config.logoPanel.logoCount <= ConfigBounds::kMaxLogoTexts);
  FUZZ_CHECK(config.languagePanel.entryCount <= ConfigBounds::kMaxLanguageRows);
  FUZZ_CHECK(config.friendlyNameCount <= ConfigBounds::kMaxDeviceNames);
  for (const SettingItem& item : config.items) {
    FUZZ_CHECK(item.options.size() <= ConfigBounds::kMaxOptions);
    FUZZ_CHECK(item.title.size() < kItemTextRoom);
    for (const std::u16string& option : item.options) FUZZ_CHECK(option.size() < kItemTextRoom);
  }
  for (const std::u16string& text : config.logoPanel.logoTexts) {
    FUZZ_CHECK(text.size() < kPanelTextRoom);
  }
  for (const std::u16string& name : config.friendlyNames) FUZZ_CHECK(name.size() < kNameTextRoom);
  Extent extent;
  config.GetWindowExtent(&extent);
  FUZZ_CHECK(extent.right >= 0 && extent.bottom >= 0);
}

}  // namespace
}  // namespace kavrin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  fuzz::SetUpOnce();
  ConfigFile config("KAVRIN_CFG.ini");
  config.ParseBytes({data, size});
  config.LoadSections();
  fuzz::CheckBounds(config);
  config.LoadSections();  // a second load must stay within the same bounds
  fuzz::CheckBounds(config);

  std::ostringstream text;
  cli::PrintConfiguration(config, "fuzz input", text);
  // The JSON must be a document a script can read back.
  const std::string json = cli::ConfigurationJson(config).dump(2);
  FUZZ_CHECK(cli::Json::accept(json));
  return 0;
}
