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

// The thread's own loop delivers the news; ConsumeEvents takes it without dispatching
// anything queued for the thread (a click waiting for a dialog must not run inside it).
TEST(DeviceChangeWindowTest, ConsumeTakesWhatTheLoopDeliveredAndDispatchesNothing) {
  DshowChangeMonitor monitor;
  ASSERT_NE(Window(monitor), nullptr);
  EXPECT_FALSE(monitor.ConsumeEvents());
  PostMessageW(Window(monitor), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);  // someone else's queued input
  EXPECT_FALSE(monitor.ConsumeEvents())
      << "not delivered yet: nothing may be dispatched to take it";
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE))
      << "the thread's message was taken";
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);  // the platform's loop
  EXPECT_TRUE(monitor.ConsumeEvents());
  EXPECT_FALSE(monitor.ConsumeEvents());
}

TEST(DeviceChangeWindowTest, AskedForTheCameraInterfaceClassesOnly) {
  DshowChangeMonitor monitor;
  ASSERT_NE(Window(monitor), nullptr);
  // A device interface of another class (a disk's volume) is no recorder.
  DEV_BROADCAST_DEVICEINTERFACE_W disk{};
  disk.dbcc_size = sizeof disk;
  disk.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  disk.dbcc_classguid = {
      0x53F5630D, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
  SendMessageW(Window(monitor), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
               reinterpret_cast<LPARAM>(&disk));
  EXPECT_FALSE(monitor.ConsumeEvents());
  struct Case {
    GUID interfaceClass;
  } cameras[] = {{{0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}}},
                 {{0xE5323777, 0xF976, 0x4F5B, {0x9B, 0x55, 0xB9, 0x46, 0x99, 0xC4, 0x6E, 0x44}}}};
  for (const Case& c : cameras) {
    DEV_BROADCAST_DEVICEINTERFACE_W camera = disk;
    camera.dbcc_classguid = c.interfaceClass;
    SendMessageW(Window(monitor), WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                 reinterpret_cast<LPARAM>(&camera));
    EXPECT_TRUE(monitor.ConsumeEvents());
  }
}

}  // namespace
}  // namespace kavrin::dshow
