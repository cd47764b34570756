#pragma once
// The `kavrin` command's subcommands, each group in its own file. Exit status everywhere:
// 0 success, 1 refused or failed, 2 usage error.
#include <CLI/CLI.hpp>

#include "cli/device_environment.h"

namespace kavrin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Each adds its subcommands to the app. A subcommand's callback stores its exit status in
// *exitCode.
void AddConfigCommands(CLI::App& app, int* exitCode);  // config
void AddBlockCommands(CLI::App& app, int* exitCode);   // block new, block show
// devices, info, test, read, write, verify, kavrin, station
void AddDeviceCommands(CLI::App& app, int* exitCode, const DeviceEnvironment& environment);
void AddReportCommands(CLI::App& app, int* exitCode);  // report

// The option every command takes for its configuration: --config, with --file kept as the
// name it had before.
CLI::Option* AddConfigOption(CLI::App* command, std::string* path);

}  // namespace kavrin::cli
