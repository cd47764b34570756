#pragma once
// The device link with the configured names, attached to the chosen recorder for the span of
// one operation on it.
#include <cstdint>

#include "cli/device_report.h"
#include "config/config_file.h"
#include "device/device_link.h"

namespace kavrin::cli {

class AttachedUnit {
 public:
  AttachedUnit(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config)
      : link_(backend) {
    for (uint32_t i = 0; i < config.friendlyNameCount && i < ConfigBounds::kMaxDeviceNames; ++i) {
      link_.AddDeviceName(config.friendlyNames[i].c_str());
    }
    attached_ = link_.AttachInput(unit.input) == 1;
  }
  ~AttachedUnit() { link_.Detach(); }
  AttachedUnit(const AttachedUnit&) = delete;
  AttachedUnit& operator=(const AttachedUnit&) = delete;

  bool Attached() const { return attached_; }
  DeviceLink& Link() { return link_; }

 private:
  DeviceLink link_;
  bool attached_ = false;
};

}  // namespace kavrin::cli
