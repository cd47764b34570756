#include "config/panels.h"

#include <array>

namespace kavrin {
namespace {

struct CommandName {
  std::u16string_view name;
  uint32_t code;
};

// The identification strings the recorder answers, by the number it knows them under.
constexpr std::array<CommandName, 4> kCommandNames{{
    {u"MODEL_NAME", 4},
    {u"FW_VERSION", 5},
    {u"FW_UPDATE_NAME", 6},
    {u"HW_VERSION", 7},
}};

}  // namespace

uint32_t CommandCodeOfName(std::u16string_view name) {
  for (const CommandName& entry : kCommandNames) {
    if (entry.name == name) return entry.code;  // case matters: model_name is unknown
  }
  return 0;
}

std::u16string_view CommandNameOfCode(uint32_t commandCode) {
  for (const CommandName& entry : kCommandNames) {
    if (entry.code == commandCode) return entry.name;
  }
  return {};
}

std::vector<std::u16string_view> CommandNames() {
  std::vector<std::u16string_view> names;
  for (const CommandName& entry : kCommandNames) names.push_back(entry.name);
  return names;
}

}  // namespace kavrin
