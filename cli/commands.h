#pragma once
// The `kavrin` command's subcommands, each group in its own file. Exit status everywhere:
// 0 success, 1 refused or failed, 2 usage error.
#include <CLI/CLI.hpp>

namespace kavrin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Each adds its subcommands to the app. A subcommand's callback stores its exit status in
// *exitCode.
void AddConfigCommands(CLI::App& app, int* exitCode);  // config
void AddBlockCommands(CLI::App& app, int* exitCode);   // block new, block show
void AddDeviceCommands(CLI::App& app, int* exitCode);  // devices, info, test, read, write, kavrin

}  // namespace kavrin::cli
