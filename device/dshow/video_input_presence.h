#pragma once
// Whether the system could have any video input at all, read from the registry alone. The
// DirectShow enumerator builds the video input category from the kernel-streaming capture
// and video interfaces, the filters registered in the category and the Video for Windows
// drivers; making it loads COM, the enumerator and its audio and codec libraries (several
// MiB), which a window started where no camera was ever plugged in does not need. A machine
// that has, or once had, any such device still walks the enumerator as before.
#include <string>
#include <vector>

namespace kavrin::dshow {

// Where the registry records the video input category's sources (relative to the key each
// names); the tests give their own.
struct VideoInputSources {
  std::vector<std::wstring> machineKeysWithSubkeys;  // under HKEY_LOCAL_MACHINE
  std::vector<std::wstring> classesKeysWithSubkeys;  // under HKEY_CLASSES_ROOT
  std::wstring driversKey;                           // HKLM: values named msvideo*
};

const VideoInputSources& SystemVideoInputSources();

// False only when every source is readable and empty; an error other than a missing key
// counts as "may exist", so that a camera is never hidden by a registry the tool cannot read.
bool VideoInputsMayExist(const VideoInputSources& sources = SystemVideoInputSources());

}  // namespace kavrin::dshow
