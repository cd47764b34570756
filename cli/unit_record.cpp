#include "cli/unit_record.h"

#include "config/panels.h"
#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

// The recorder's answer (in the code page) as UTF-8; empty when it did not answer.
std::string AnswerOf(const ops::InfoRow& row) {
  return row.outcome.Ok() ? ToUtf8(AnsiToWide(row.answer)) : std::string();
}

std::string AnswerTo(const std::vector<ops::InfoRow>& rows, std::u16string_view commandName) {
  const uint32_t code = CommandCodeOfName(commandName);
  for (const ops::InfoRow& row : rows) {
    if (row.commandCode == code && row.outcome.Ok()) return AnswerOf(row);
  }
  return {};
}

}  // namespace

Json UnitInformationJson(const std::vector<ops::InfoRow>& rows) {
  Json information = Json::array();
  for (const ops::InfoRow& row : rows) {
    information.push_back(
        {{"title", ToUtf8(row.title)}, {"value", AnswerOf(row)}, {"answered", row.outcome.Ok()}});
  }
  return {{"model", AnswerTo(rows, u"MODEL_NAME")},
          {"hardware", AnswerTo(rows, u"HW_VERSION")},
          {"firmware", AnswerTo(rows, u"FW_VERSION")},
          {"information", std::move(information)}};
}

}  // namespace kavrin::cli
