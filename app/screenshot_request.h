#pragma once
// `kavrintool --screenshot FILE.png [--config PATH] [--scale FACTOR] [SWITCHES]`: the window
// as it starts, drawn off screen into a picture, for the authors of a KAVRIN_CFG.ini to
// review without a display, a recorder or side effects.
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavrin {

struct ScreenshotRequest {
  std::string output;  // the PNG to write
  std::string config;  // empty: KAVRIN_CFG.ini of the current folder, as at start-up
  double scale = 1.0;  // device pixels per window pixel
  // Everything else, in order: the switch value and the toolkit's own arguments.
  std::vector<std::string> rest;
  std::string problem;  // a usage error; empty when the request can be carried out
};

// Nothing when "--screenshot" is not among the arguments.
std::optional<ScreenshotRequest> FindScreenshotRequest(std::span<const char* const> arguments);

}  // namespace kavrin
