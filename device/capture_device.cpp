#include "device/capture_device.h"

#include "config/text_codec.h"
#include "config/trace.h"

namespace kavrin {
namespace {

// Folds the letters the platform's case-insensitive compare folds: ASCII and the Latin-1
// capitals (U+00C0 to U+00DE but the multiplication sign).
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

}  // namespace

bool FriendlyNameMatches(std::u16string_view deviceName, std::u16string_view wanted) {
  if (deviceName.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (FoldCase(deviceName[i]) != FoldCase(wanted[i])) return false;
  }
  return true;
}

CaptureDevice::CaptureDevice(VideoInputBackend& backend) : backend_(backend) {}

CaptureDevice::~CaptureDevice() = default;

void CaptureDevice::AddDeviceName(const char16_t* name) {
  if (name == nullptr || nameCount_ >= kMaxNames) return;
  std::u16string_view text(name);
  deviceNames_[nameCount_] = std::u16string(text.substr(0, kNameRoom - 1));
  ++nameCount_;
}

int CaptureDevice::Attach() {
  currentIndex_ = 0;
  if (nameCount_ == 0) return 0;
  // Names strictly in list order; each searches the whole device list.
  while (FindDevice(&channel_, true) != 1) {
    ++currentIndex_;
    if (currentIndex_ >= nameCount_) return 0;
  }
  Trace("\nattach %s(%d)\n", WideToAnsi(deviceNames_[currentIndex_]).c_str(),
        static_cast<int>(currentIndex_));
  attached_ = true;
  return 1;
}

int CaptureDevice::AttachInput(const VideoInput& input) {
  currentIndex_ = 0;
  while (currentIndex_ + 1 < nameCount_ &&
         !FriendlyNameMatches(input.friendlyName, deviceNames_[currentIndex_])) {
    ++currentIndex_;
  }
  std::unique_ptr<PropertyChannel> opened = backend_.Bind(input);
  if (!opened) {
    Trace("\nBindToObject() faiel");
    return 0;
  }
  channel_ = std::move(opened);
  attachedInput_ = input;
  const std::u16string& name = nameCount_ > 0 ? deviceNames_[currentIndex_] : input.friendlyName;
  Trace("\nattach %s(%d)\n", WideToAnsi(name).c_str(), static_cast<int>(currentIndex_));
  attached_ = true;
  return 1;
}

void CaptureDevice::Detach() {
  channel_.reset();
  attached_ = false;
}

int CaptureDevice::FindDevice(std::unique_ptr<PropertyChannel>* channel, bool bind) {
  if (currentIndex_ >= nameCount_) return 0;
  const std::u16string& wanted = deviceNames_[currentIndex_];
  std::optional<std::vector<VideoInput>> inputs = backend_.ListVideoInputs();
  if (!inputs || inputs->empty()) {
    Trace("\nCreateClassEnumerator fail");
    return 0;
  }
  for (const VideoInput& input : *inputs) {
    if (!FriendlyNameMatches(input.friendlyName, wanted)) continue;
    // The first enumerated match is the one; a failed open does not move on to another
    // device of the same name.
    if (!bind) return 1;
    std::unique_ptr<PropertyChannel> opened = backend_.Bind(input);
    if (!opened) {
      Trace("\nBindToObject() faiel");
      return 0;
    }
    if (channel != nullptr) *channel = std::move(opened);
    attachedInput_ = input;
    return 1;
  }
  return 0;
}

int32_t CaptureDevice::TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector,
                                        int isSet, uint8_t* data, uint32_t length) {
  if (!attached_ || !channel_) return kStatusFail;
  return channel_->TransferProperty(propertySet, nodeId, selector, isSet != 0, data, length);
}

std::u16string CaptureDevice::DeviceName(uint32_t index) const {
  return index < nameCount_ ? deviceNames_[index] : std::u16string();
}

}  // namespace kavrin
