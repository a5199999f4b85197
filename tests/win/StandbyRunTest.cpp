// A standby run without a window: what it asks of its host, cycle by cycle.
#include <gtest/gtest.h>

#include "app/StandbyRun.h"
#include "support/TestFolder.h"
#include "support/TestViewerLog.h"

namespace marlisk::win {
namespace {

// Records what the run asks for; the wanted stop is the test's to set.
class RecordingHost final : public RunHost {
 public:
  OutputTab activeTab() const override { return OutputTab::Output1; }
  bool stopRequested() const override { return stop; }
  void setStatus(const std::string& text) override { statuses.push_back(text); }
  void setBusy(bool busy) override { busyNow = busy; }
  void setRunControlsEnabled(bool enabled) override { controlsEnabled = enabled; }
  void clearProgress(bool trimmed) override {
    progress.clear();
    EXPECT_FALSE(trimmed);  // a listing shows the whole folder
  }
  void addProgress(const std::string& path) override { progress.push_back(path); }
  void finishProgress() override {}
  void keepAlive() override {}
  void warn(const std::string& text) override { warnings.push_back(text); }
  void startTimer() override { timerOn = true; }
  void stopTimer() override { timerOn = false; }

  bool stop = false, busyNow = false, controlsEnabled = true, timerOn = false;
  std::vector<std::string> statuses, progress, warnings;
};

TEST(StandbyRunTest, ACycleAsItsHostSeesIt) {
  test::TestFolder root;
  AppContext app;
  test::useStandbyFolders(app.settings, root);
  test::writeFile(root / "watch\\a.hgl", "IN;");
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", L"1");
  RecordingHost host;
  StandbyRun run(app, host);

  ASSERT_TRUE(run.start());
  EXPECT_EQ(run.state(), StandbyRun::State::Waiting);
  EXPECT_TRUE(host.timerOn);
  EXPECT_FALSE(host.controlsEnabled);
  EXPECT_EQ(host.progress, std::vector<std::string>{root / "watch\\a.hgl"});
  run.tick();  // 2 s to 0
  EXPECT_EQ(host.statuses,
            (std::vector<std::string>{"待機中 !　待機時間=0時間0分2秒", "待機中 !　待機時間=0時間0分0秒"}));
  // "終了" during the wait: this cycle is finished, no other begins.
  host.stop = true;
  run.tick();
  EXPECT_EQ(run.state(), StandbyRun::State::Stopped);
  EXPECT_FALSE(host.timerOn);
  EXPECT_FALSE(host.busyNow);
  SetEnvironmentVariableW(L"TESTVIEWER_CREATE_OUTPUTS", nullptr);
  EXPECT_FALSE(test::isFile(root / "watch\\a.hgl"));  // converted, then deleted
  EXPECT_EQ(std::vector<std::string>(host.statuses.end() - 2, host.statuses.end()),
            (std::vector<std::string>{"出力中 !", "待機中 !"}));
  EXPECT_TRUE(host.warnings.empty());

  // Without an output type nothing begins.
  app.settings.OutTypeIndex = 99;
  StandbyRun refused(app, host);
  EXPECT_FALSE(refused.start());
  EXPECT_EQ(host.warnings, std::vector<std::string>{"出力形式が選択されていません!"});
  EXPECT_EQ(refused.state(), StandbyRun::State::Stopped);
}

}  // namespace
}  // namespace marlisk::win
