// Puts the program's warning box out of the way for one test: every warning goes into
// `into` instead, and the handler that was in place comes back afterwards.
#pragma once

#include <string>
#include <vector>

#include "win/Warning.h"

namespace marlisk::test {

class WarningRecorder {
 public:
  explicit WarningRecorder(std::vector<std::string>& into)
      : previous_(win::setWarningHandler([&into](const std::string& text) { into.push_back(text); })) {}
  ~WarningRecorder() { win::setWarningHandler(previous_); }
  WarningRecorder(const WarningRecorder&) = delete;
  WarningRecorder& operator=(const WarningRecorder&) = delete;

 private:
  win::WarningHandler previous_;
};

}  // namespace marlisk::test
