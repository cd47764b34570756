#pragma once
// Where kavrintool.exe keeps a line's files when it is started in the folder it was installed
// into (the Start-menu entry, a double click in Program Files): a standard user cannot write
// there, so "Set Def." and the side-file switches would fail. It then works in
// Documents\KavrinTool instead, made on first start with a copy of the configuration for
// editing (the one beside the program, if the administrator put one there, else the built-in
// one). Started anywhere else (the zip's folder, a shortcut's own "Start in") nothing changes.
#include <filesystem>

namespace kavrin::app {

// Moves the current directory when the rule above applies; returns the folder worked in.
std::filesystem::path ChooseWorkingFolder();

}  // namespace kavrin::app
