// The registry check that spares a start without any camera the DirectShow enumerator: it
// may say "none" only when every source of the video input category is readable and empty.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "device/dshow/video_input_presence.h"

namespace kavrin::dshow {
namespace {

const std::wstring kScratch = L"SOFTWARE\\KavrinToolPresenceTest";

void MakeKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegCloseKey(key);
}

void SetValue(const std::wstring& path, const wchar_t* name, const wchar_t* text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

class VideoInputPresenceTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratch.c_str()); }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratch.c_str()); }

  // Two interface classes, a category and a drivers key, all under the scratch key.
  VideoInputSources Sources() const {
    return {{kScratch + L"\\Capture", kScratch + L"\\Video"}, {}, kScratch + L"\\Drivers32"};
  }
};

TEST_F(VideoInputPresenceTest, NoneOnlyWhenEverySourceIsEmptyOrMissing) {
  struct Case {
    const char* what;
    void (*arrange)();
    bool mayExist;
  };
  const Case cases[] = {
      {"nothing at all", [] {}, false},
      {"interface classes without interfaces",
       [] {
         MakeKey(HKEY_LOCAL_MACHINE, kScratch + L"\\Capture");
         MakeKey(HKEY_LOCAL_MACHINE, kScratch + L"\\Video");
       },
       false},
      {"a camera's interface, in the second class",
       [] { MakeKey(HKEY_LOCAL_MACHINE, kScratch + L"\\Video\\##?#USB#VID_1234&PID_0742#1"); },
       true},
      {"drivers, none of them video",
       [] { SetValue(kScratch + L"\\Drivers32", L"wave", L"wineoss.drv"); }, false},
      {"a Video for Windows capture driver",
       [] { SetValue(kScratch + L"\\Drivers32", L"MSVideo1", L"capture.drv"); }, true},
  };
  for (const Case& c : cases) {
    SetUp();
    c.arrange();
    EXPECT_EQ(VideoInputsMayExist(Sources()), c.mayExist) << c.what;
  }
}

// A filter registered in the category (as the test recorders are) keeps the enumerator.
TEST_F(VideoInputPresenceTest, AFilterRegisteredInTheCategoryCounts) {
  const std::wstring category = L"KavrinToolPresenceTestCategory\\Instance";
  MakeKey(HKEY_CLASSES_ROOT, category + L"\\{5A1D0C42-7E3B-4C59-9F21-0B7E1D4A7400}");
  VideoInputSources sources = Sources();
  sources.classesKeysWithSubkeys = {category};
  EXPECT_TRUE(VideoInputsMayExist(sources));
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"KavrinToolPresenceTestCategory");
  EXPECT_FALSE(VideoInputsMayExist(sources));
}

}  // namespace
}  // namespace kavrin::dshow
