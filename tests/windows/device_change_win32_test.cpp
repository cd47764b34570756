// kavrin.exe --wait on Windows: a message-only window receives WM_DEVICECHANGE; a node
// change (event 7) or a device interface coming or going ends the wait, other events do not.
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/dshow/dshow_change_monitor.h"

namespace kavrin::dshow {
namespace {

using namespace std::chrono_literals;

HWND Window(const DshowChangeMonitor& monitor) { return static_cast<HWND>(monitor.WindowHandle()); }

TEST(DeviceChangeWindowTest, NodeChangesEndTheWaitOtherEventsDoNot) {
  DshowChangeMonitor monitor;
  ASSERT_NE(Window(monitor), nullptr);
  EXPECT_EQ(monitor.Descriptor(), -1);
  EXPECT_FALSE(monitor.WaitForChange(20ms));
  struct Case {
    WPARAM event;
    bool change;
  } cases[] = {{DBT_DEVNODES_CHANGED, true},
               {DBT_DEVICEARRIVAL, true},
               {DBT_DEVICEREMOVECOMPLETE, true},
               {DBT_CONFIGCHANGED, false},
               {DBT_QUERYCHANGECONFIG, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    // Sent, as the system sends it: events from 0x8000 on carry a pointer and cannot be
    // posted.
    SendMessageW(Window(monitor), WM_DEVICECHANGE, c.event, 0);
    EXPECT_EQ(monitor.WaitForChange(c.change ? 5000ms : 50ms), c.change);
    EXPECT_FALSE(monitor.ConsumeEvents()) << "each change is reported once";
  }
}

TEST(DeviceChangeWindowTest, AChangeFromAnotherThreadWakesTheWait) {
  DshowChangeMonitor monitor;
  HWND window = Window(monitor);
  ASSERT_NE(window, nullptr);
  std::thread plug([window] {
    std::this_thread::sleep_for(100ms);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);  // as the system sends it
  });
  EXPECT_TRUE(monitor.WaitForChange(30s)) << "the wait ran out instead of waking";
  plug.join();
}

TEST(DeviceChangeWindowTest, ConsumeTakesWhatCameWithoutWaiting) {
  DshowChangeMonitor monitor;
  ASSERT_NE(Window(monitor), nullptr);
  EXPECT_FALSE(monitor.ConsumeEvents());
  PostMessageW(Window(monitor), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  EXPECT_TRUE(monitor.ConsumeEvents());
  EXPECT_FALSE(monitor.ConsumeEvents());
}

}  // namespace
}  // namespace kavrin::dshow
