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

const char* NameSourceText(NameSource source) {
  switch (source) {
    case NameSource::kFunction:
      return "function";
    case NameSource::kInterface:
      return "interface";
    case NameSource::kProduct:
      return "product";
    case NameSource::kCard:
      return "card";
    case NameSource::kPlatform:
      return "name";
  }
  return "name";
}

std::optional<InputName> MatchInputName(const VideoInput& input, std::u16string_view wanted) {
  if (input.names.empty()) {
    if (!FriendlyNameMatches(input.friendlyName, wanted)) return std::nullopt;
    return InputName{input.friendlyName, NameSource::kPlatform, false};
  }
  for (const InputName& name : input.names) {
    if (!name.cut) {
      if (FriendlyNameMatches(name.text, wanted)) return name;
    } else if (!name.text.empty() && wanted.size() >= name.text.size() &&
               FriendlyNameMatches(name.text, wanted.substr(0, name.text.size()))) {
      return name;
    }
  }
  return std::nullopt;
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
  // A whole name first: a name the kernel cut short is only a guess, and must not stand in
  // front of a device that carries the whole name.
  for (const bool acceptCut : {false, true}) {
    for (const VideoInput& input : *inputs) {
      const std::optional<InputName> matched = MatchInputName(input, wanted);
      if (!matched || matched->cut != acceptCut) continue;
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
      attachedName_ = *matched;
      return 1;
    }
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
