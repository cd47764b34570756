#include "cli/setting_options.h"

#include "cli/commands.h"
#include "cli/setting_assignment.h"

namespace kavrin::cli {

void AddSettingChangeOptions(CLI::App* command, std::vector<std::string>* settings,
                             std::string* logo, bool* logoGiven) {
  command
      ->add_option("--set", *settings,
                   "ITEM=OPTION: an item by section name or title, an option by its text, or "
                   "#N by its index")
      ->allow_extra_args(false);
  command->add_option("--logo", *logo, "The date-stamp logo text")
      ->each([logoGiven](const std::string&) { *logoGiven = true; });
}

bool ApplySettingChanges(const ConfigFile& config, const std::vector<std::string>& settings,
                         const std::string* logo, SettingsBlock* block, Reporter& out,
                         int* exitCode) {
  for (const std::string& assignment : settings) {
    const std::string error = ApplySettingAssignment(config, assignment, block);
    if (!error.empty()) {
      *exitCode =
          out.Fail(Reason::kInvalidSetting, "--set " + assignment + ": " + error, kExitUsage);
      return false;
    }
  }
  if (logo) {
    const std::string error = ApplyLogoText(config, *logo, block);
    if (!error.empty()) {
      *exitCode = out.Fail(Reason::kInvalidLogo, "--logo: " + error, kExitUsage);
      return false;
    }
  }
  return true;
}

}  // namespace kavrin::cli
