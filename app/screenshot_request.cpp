#include "app/screenshot_request.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace kavrin {
namespace {

// From a quarter to three times the window's pixels: the picture's memory grows with the
// square of the factor.
std::optional<double> ParseScale(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value < 0.25 || value > 3) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ScreenshotRequest> FindScreenshotRequest(std::span<const char* const> arguments) {
  bool asked = false;
  for (const char* argument : arguments) {
    if (argument != nullptr && std::string_view(argument) == "--screenshot") asked = true;
  }
  if (!asked) return std::nullopt;

  ScreenshotRequest request;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i] != nullptr ? arguments[i] : "";
    const bool takesValue =
        argument == "--screenshot" || argument == "--config" || argument == "--scale";
    if (!takesValue) {
      request.rest.emplace_back(argument);
      continue;
    }
    if (i + 1 >= arguments.size() || arguments[i + 1] == nullptr) {
      request.problem = std::string(argument) + " needs a value";
      return request;
    }
    const std::string_view value = arguments[++i];
    if (argument == "--screenshot") {
      request.output = value;
    } else if (argument == "--config") {
      request.config = value;
    } else if (const std::optional<double> scale = ParseScale(value)) {
      request.scale = *scale;
    } else {
      request.problem = "--scale takes a factor from 0.25 to 3, not \"" + std::string(value) + "\"";
      return request;
    }
  }
  if (request.output.empty()) request.problem = "--screenshot needs a file name";
  return request;
}

}  // namespace kavrin
