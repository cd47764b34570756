// `kavrin config --check` on a KAVRIN_CFG.ini of any content: every finding says something
// and is printed as one line. (Its section may be empty: "[]" and keys above the first
// section are legal.)
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config_check.h"
#include "config/config_file.h"
#include "config/text_codec.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  fuzz::SetUpOnce();
  ConfigFile config("KAVRIN_CFG.ini");
  config.ParseBytes({data, size});
  config.LoadSections();
  for (const ConfigFinding& finding : CheckConfiguration(config)) {
    FUZZ_CHECK(!finding.message.empty());
    const std::string line = FormatFinding(finding);
    FUZZ_CHECK(line.find(finding.message) != std::string::npos);
    // One finding, one line: scripts read the findings line by line.
    FUZZ_CHECK(line.find('\n') == std::string::npos);
  }
  return 0;
}
