#pragma once
// Text that devices supply (names, serial strings, the recorder's answers), printed for
// people: a recorder, or any USB device that takes its name, must not clear the
// screen, retitle the window or print a line of its own on the operator's terminal. JSON
// output escapes on its own and carries the text as it came.
#include <string>
#include <string_view>

namespace kavrin::cli {

// Control characters (C0, DEL, and C1 as UTF-8) each become '?'; everything else stays.
std::string PrintableText(std::string_view text);

}  // namespace kavrin::cli
