#pragma once
// The loaded KAVRIN_CFG.ini: setting items, test items, panels, layouts and device names.
// Loaded once; read directly by the main window and the command line.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "config/panels.h"
#include "config/profile_file.h"
#include "config/setting_item.h"

namespace kavrin {

struct Extent {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Bounds that keep a wrong count from exhausting memory or colliding control ids.
struct ConfigBounds {
  static constexpr uint32_t kMaxItems = 100;
  static constexpr uint32_t kMaxTestItems = 100;
  static constexpr uint32_t kMaxInfoRows = 100;
  static constexpr uint32_t kMaxOptions = 1024;
  static constexpr uint32_t kMaxLogoTexts = 32;
  static constexpr uint32_t kMaxLanguageRows = 32;
  static constexpr uint32_t kMaxDeviceNames = 10;
};

inline constexpr std::size_t kItemTextRoom = 260;  // item names, titles, option texts
inline constexpr std::size_t kPanelTextRoom = 32;  // panel, logo, language, info titles
inline constexpr std::size_t kNameTextRoom = 64;   // CMD_ID names, device names

class ConfigFile : public ProfileFile {
 public:
  // Path: current directory / "KAVRIN_CFG.ini".
  ConfigFile();
  explicit ConfigFile(std::filesystem::path path);

  // Parses the file at Path(), or the embedded default from memory when there is no file
  // (nothing is written or deleted), then runs LoadSections.
  void LoadConfiguration();
  // The eight section readers in their fixed order.
  void LoadSections();

  void LoadItems();
  void LoadItemLayout();
  void LoadWindowLayout();
  void LoadLanguagePanel();
  void LoadLogoPanel();
  void LoadInfoPanel();
  void LoadTestItems();
  void LoadDeviceNames();  // writes "\nDevice %d : %s" per name, then "\n"

  // 0, 0, width, height of the window layout; nothing when rect is null.
  void GetWindowExtent(Extent* rect) const;

  // True when LoadConfiguration used the embedded default.
  bool UsedEmbeddedDefault() const { return usedEmbeddedDefault_; }

  InfoPanel infoPanel;
  TestPanel testPanel;
  ItemTable testItems;
  LogoPanel logoPanel;
  LanguagePanel languagePanel;
  WindowLayout windowLayout;
  ItemLayout itemLayout;
  ItemTable items;
  uint32_t friendlyNameCount = 0;
  std::array<std::u16string, ConfigBounds::kMaxDeviceNames> friendlyNames{};

 private:
  bool usedEmbeddedDefault_ = false;
};

}  // namespace kavrin
