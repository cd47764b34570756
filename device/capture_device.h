#pragma once
// Finds the recorder among the video inputs by friendly name and carries single property
// transfers to it while attached.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/video_input.h"

namespace kavrin {

class CaptureDevice {
 public:
  static constexpr uint32_t kMaxNames = 10;
  static constexpr std::size_t kNameRoom = 80;  // 79 characters and a terminator

  explicit CaptureDevice(VideoInputBackend& backend);
  virtual ~CaptureDevice();
  CaptureDevice(const CaptureDevice&) = delete;
  CaptureDevice& operator=(const CaptureDevice&) = delete;

  // Ignored for null and once ten names are held; a longer name is cut to 79 characters.
  void AddDeviceName(const char16_t* name);
  // Tries the names in list order, each against the whole device list; writes
  // "\nattach %s(%d)\n" on success. 1 when a device was found and opened.
  int Attach();
  void Detach();
  int IsAttached() const { return attached_ ? 1 : 0; }
  // Searches for deviceNames[currentIndex] among each device's names: case-insensitive,
  // equal length; the first enumerated match wins. A name the kernel cut short matches only
  // where no device carries the whole name. With bind, opens it into *channel.
  int FindDevice(std::unique_ptr<PropertyChannel>* channel, bool bind);
  // Only while attached; a failure status otherwise.
  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, int isSet,
                           uint8_t* data, uint32_t length);

  uint32_t CurrentIndex() const { return currentIndex_; }
  uint32_t NameCount() const { return nameCount_; }
  std::u16string DeviceName(uint32_t index) const;
  // The device found by the last successful Attach, and which of its names matched.
  const VideoInput& AttachedInput() const { return attachedInput_; }
  const InputName& AttachedName() const { return attachedName_; }

 protected:
  PropertyChannel* Channel() { return channel_.get(); }

 private:
  VideoInputBackend& backend_;
  uint32_t currentIndex_ = 0;
  uint32_t nameCount_ = 0;
  std::array<std::u16string, kMaxNames> deviceNames_{};
  bool attached_ = false;
  std::unique_ptr<PropertyChannel> channel_;
  VideoInput attachedInput_;
  InputName attachedName_;
};

// Case-insensitive (ASCII and Latin letters as the platform folds them), equal-length match.
bool FriendlyNameMatches(std::u16string_view deviceName, std::u16string_view wanted);

// The best of the input's names that `wanted` matches: a whole name equal to it (case
// folded), or a cut name it begins with; nothing when none does.
std::optional<InputName> MatchInputName(const VideoInput& input, std::u16string_view wanted);

}  // namespace kavrin
