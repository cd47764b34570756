// A block file of any length and content, loaded over a block and reported (`kavrin block
// show`, text and JSON) with the built-in configuration or one of any content.
//
// Input: two bytes giving the block file's length n (little-endian), n bytes of block file,
// then the configuration (empty: the built-in default).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "block/settings_block.h"
#include "cli/block_report.h"
#include "cli/config_json.h"
#include "config/config_file.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_setup.h"
#include "ops/settings_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  fuzz::SetUpOnce();
  fuzz::FuzzInput input(data, size);
  const std::span<const uint8_t> file = input.Bytes(input.U16());

  ConfigFile own("KAVRIN_CFG.ini");
  const ConfigFile& config = fuzz::ConfigurationFrom(input, own);

  const std::filesystem::path path = fuzz::ScratchFolder() / "block.bin";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }
  SettingsBlock block = ops::DefaultBlock(config);
  const SettingsBlock before = block;
  if (block.LoadFile(path)) {
    // The file's first bytes replace the block's; a short file leaves the rest as it was.
    const auto loaded = static_cast<std::ptrdiff_t>(std::min(file.size(), SettingsBlock::kSize));
    FUZZ_CHECK(std::equal(file.begin(), file.begin() + loaded, block.Bytes().begin()));
    FUZZ_CHECK(std::equal(block.Bytes().begin() + loaded, block.Bytes().end(),
                          before.Bytes().begin() + loaded));
  } else {
    // A file that is refused changes nothing.
    FUZZ_CHECK(std::equal(block.Bytes().begin(), block.Bytes().end(), before.Bytes().begin()));
  }

  std::ostringstream text;
  cli::PrintBlockReport(config, block, text);
  // What `kavrin block show --json` and `read --json` print: dumping throws on text that is
  // no UTF-8, so this also checks that every string of the report was converted.
  const std::string json = cli::BlockReportJson(config, block).dump();
  FUZZ_CHECK(cli::Json::accept(json));
  return 0;
}
