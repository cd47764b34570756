#pragma once
// What kavrintool answers before any other start-up step (before the single-instance lock,
// the side files and the toolkit): --help and --version, and whether the display the
// toolkit needs is there at all.
#include <functional>
#include <span>
#include <string>

namespace kavrin {

enum class EarlyRequest { None, Help, Version };

// "--help" or "-h" anywhere among the arguments asks for the usage, "--version" for the
// version; the first one found wins.
EarlyRequest FindEarlyRequest(std::span<const char* const> arguments);

// The usage: the switch table, the files, the environment. Ends with a newline.
std::string UsageText();
// "kavrintool 20130418-1 (ZK742 User)" and a newline.
std::string VersionText();

// Reads an environment variable; null when it is not set.
using EnvironmentReader = std::function<const char*(const char*)>;

// True when the toolkit would find no display to open: no platform without a display server
// (offscreen, vnc, ...) is asked for with -platform or QT_QPA_PLATFORM, and the X11 display
// (DISPLAY) or Wayland display (WAYLAND_DISPLAY) that the chosen platform needs is not set.
// A platform it does not know is left for the toolkit to judge (false).
bool DisplayMissing(std::span<const char* const> arguments, const EnvironmentReader& environment);
// The one line said instead of the toolkit's abort. Ends with a newline.
std::string NoDisplayMessage();

}  // namespace kavrin
