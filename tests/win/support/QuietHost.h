// A run's host that shows nothing: it keeps the status line and the warnings for the test to
// read, and lets the test ask for the stop or act once a listing is taken.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/RunHost.h"

namespace marlisk::test {

class QuietHost final : public win::RunHost {
 public:
  bool stopRequested() const override { return stop; }
  void setStatus(const std::string& text) override { status = text; }
  void setBusy(bool) override {}
  void setRunControlsEnabled(bool) override {}
  void clearProgress(bool) override {}
  void addProgress(const std::string&) override {}
  void finishProgress() override {
    if (onListed) std::exchange(onListed, nullptr)();
  }
  void keepAlive() override {}
  void warn(const std::string& text) override { warnings.push_back(text); }
  void startTimer() override {}
  void stopTimer() override {}

  bool stop = false;
  std::function<void()> onListed;  // once, when a listing is taken
  std::string status;
  std::vector<std::string> warnings;
};

}  // namespace marlisk::test
