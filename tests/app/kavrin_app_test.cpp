// Start-up on the headless toolkit: one instance, the window, the switches and side files,
// the trace console and the device-change wiring.
#include "app/kavrin_app.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <string>
#include <vector>

#include "config/resources.h"
#include "config/trace.h"
#include "tests/support/temp_dir.h"
#include "ui/headless/headless_toolkit.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;
using ui::headless::HeadlessToolkit;
using ui::headless::WindowSnapshot;

// No recorder anywhere; counts how often the window looked for one.
class EmptyBackend : public VideoInputBackend {
 public:
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    ++listCalls;
    return std::vector<VideoInput>{};
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput&) override { return nullptr; }
  int listCalls = 0;
};

// A monitor the test signals through the headless toolkit.
class FakeMonitor : public DeviceChangeMonitor {
 public:
  explicit FakeMonitor(bool reportsChange) : reportsChange_(reportsChange) {}
  int Descriptor() const override { return -1; }
  bool ConsumeEvents() override {
    ++consumed;
    return reportsChange_;
  }
  bool WaitForChange(std::chrono::milliseconds) override { return ConsumeEvents(); }
  int consumed = 0;

 private:
  bool reportsChange_;
};

class KavrinAppTest : public ::testing::Test {
 protected:
  // COLSOLE points the process-wide trace at standard output; later tests must not print.
  void TearDown() override { SetTraceSink({}); }
  StartOutcome Start(std::string_view commandLine, DeviceChangeMonitor* monitor = nullptr) {
    ScopedCurrentDir here(work.Path());
    KavrinApp app(toolkit, backend, *instance, monitor);
    return app.InitInstance(commandLine);
  }
  const WindowSnapshot& MainWindow() {
    windows = toolkit.OpenedWindows();
    EXPECT_FALSE(windows.empty());
    return windows.front();
  }
  bool Visible(int id) {
    const auto* control = MainWindow().Find(id);
    return control != nullptr && control->visible;
  }

  TempDir work;
  TempDir locks;
  HeadlessToolkit toolkit;
  EmptyBackend backend;
  std::unique_ptr<SingleInstance> instance = MakeSingleInstance(locks.Path());
  std::vector<WindowSnapshot> windows;
};

TEST_F(KavrinAppTest, SecondCopyEndsWithNoWindowAndNoSideFiles) {
  const auto first = MakeSingleInstance(locks.Path());
  ASSERT_EQ(first->Claim(KavrinApp::kInstanceName), InstanceClaim::Acquired);

  EXPECT_EQ(Start("80000006"), StartOutcome::SecondInstance);
  EXPECT_TRUE(toolkit.OpenedWindows().empty());
  EXPECT_TRUE(work.List().empty());
  EXPECT_EQ(backend.listCalls, 0);
}

TEST_F(KavrinAppTest, SideFilesAreWrittenBeforeTheWindowLoadsAndStay) {
  EXPECT_EQ(Start("80000006"), StartOutcome::DialogClosed);
  EXPECT_EQ(work.List(),
            (std::vector<std::string>{"InitOptionList.txt", "KAVRIN_CFG.ini", "ReleaseNote.txt"}));
  const auto config = FindResourceData(kDefaultConfigResourceId, kTextResourceType);
  ASSERT_TRUE(config);
  EXPECT_EQ(work.Read("KAVRIN_CFG.ini"),
            std::string(reinterpret_cast<const char*>(config->data()), config->size()));
  EXPECT_EQ(MainWindow().title, u"ZK742 User Kavrin Tool 20130418-1");
  EXPECT_FALSE(Visible(IDC_SAVE)) << "the side-file bits add no switch";
  EXPECT_TRUE(Visible(IDC_KAVRIN));
}

struct ButtonCase {
  const char* name;
  const char* commandLine;
  std::vector<int> shown;
  std::vector<int> hidden;
};

class KavrinAppButtonsTest : public KavrinAppTest,
                             public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(KavrinAppButtonsTest, CommandLineDecidesTheButtons) {
  const ButtonCase& c = GetParam();
  ASSERT_EQ(Start(c.commandLine), StartOutcome::DialogClosed);
  for (int id : c.shown) EXPECT_TRUE(Visible(id)) << id;
  for (int id : c.hidden) EXPECT_FALSE(Visible(id)) << id;
  EXPECT_TRUE(work.List().empty()) << "no side file was asked for";
}

INSTANTIATE_TEST_SUITE_P(
    Switches, KavrinAppButtonsTest,
    ::testing::Values(
        ButtonCase{"None",
                   "",
                   {IDC_KAVRIN},
                   {IDC_SAVE, IDC_LOAD, IDC_GET_KAVRIN, IDC_SET_DEFAULT, IDC_PATH_DISPLAY}},
        ButtonCase{"SaveBin",
                   "100",
                   {IDC_KAVRIN, IDC_SAVE},
                   {IDC_LOAD, IDC_GET_KAVRIN, IDC_SET_DEFAULT, IDC_PATH_DISPLAY}},
        ButtonCase{
            "TrailingBlankGivesSetDefault", "100 ", {IDC_KAVRIN, IDC_SET_DEFAULT}, {IDC_SAVE}},
        ButtonCase{"RejectedValue", "100101", {IDC_KAVRIN}, {IDC_SAVE}},
        ButtonCase{
            "EveryButton",
            "41700",
            {IDC_SAVE, IDC_LOAD, IDC_GET_KAVRIN, IDC_SET_DEFAULT, IDC_KAVRIN, IDC_PATH_DISPLAY},
            {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(KavrinAppTest, LockThatCannotBeSetUpDoesNotStopTheTool) {
  instance = MakeSingleInstance(locks / "missing");
  EXPECT_EQ(Start(""), StartOutcome::DialogClosed);
  EXPECT_FALSE(toolkit.OpenedWindows().empty());
}

TEST_F(KavrinAppTest, DeviceChangeNotificationsReachTheWindowWhileItRuns) {
  for (const bool reportsChange : {true, false}) {
    HeadlessToolkit localToolkit;
    EmptyBackend localBackend;
    FakeMonitor monitor(reportsChange);
    bool watchedDuringRun = false;
    int listCallsAtStart = -1;
    localToolkit.OnModalLoop([&](ui::headless::HeadlessWindow&) {
      listCallsAtStart = localBackend.listCalls;
      watchedDuringRun = localToolkit.SignalDeviceChange();
    });
    {
      ScopedCurrentDir here(work.Path());
      KavrinApp app(localToolkit, localBackend, *instance, &monitor);
      ASSERT_EQ(app.InitInstance(""), StartOutcome::DialogClosed);
    }
    EXPECT_TRUE(watchedDuringRun);
    EXPECT_EQ(monitor.consumed, 1);
    // Start-up looked for the recorder; a real change makes the window look again once it
    // settles, anything else does not.
    EXPECT_GT(listCallsAtStart, 0);
    if (reportsChange) {
      EXPECT_GT(localBackend.listCalls, listCallsAtStart);
    } else {
      EXPECT_EQ(localBackend.listCalls, listCallsAtStart);
    }
    EXPECT_FALSE(localToolkit.WatchingDeviceChanges()) << "unwatched after the run";
  }
}

// Standard output redirected into a file for the span of the object.
class StdoutCapture {
 public:
  explicit StdoutCapture(const std::filesystem::path& file) {
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
  }
  ~StdoutCapture() {
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

 private:
  int saved_ = -1;
};

TEST_F(KavrinAppTest, TraceReachesStandardOutputOnlyWithTheConsoleSwitch) {
  TempDir out;
  for (const char* commandLine : {"", "10"}) {
    SetTraceSink({});
    {
      StdoutCapture capture(out / "stdout.txt");
      HeadlessToolkit localToolkit;
      ScopedCurrentDir here(work.Path());
      KavrinApp app(localToolkit, backend, *instance);
      ASSERT_EQ(app.InitInstance(commandLine), StartOutcome::DialogClosed);
    }
    SetTraceSink({});
    const std::string printed = out.Read("stdout.txt");
    if (std::string(commandLine).empty()) {
      EXPECT_EQ(printed, "");
    } else {
      // The device names of the configuration are traced while the window loads it.
      EXPECT_NE(printed.find("\nDevice 0 : ZK742"), std::string::npos) << printed;
    }
  }
}

}  // namespace
}  // namespace kavrin
