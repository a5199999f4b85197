// What a run that goes on for days has said already, so that a condition met at every cycle
// (a watch folder gone, a viewer that will not start, a name the viewer cannot take) is said
// once, and again only once it has passed and come back. One reporter, keyed by what it is
// about, in place of a flag or a set for each thing.
#pragma once

#include <string>
#include <unordered_set>

namespace marlisk {

class SaidOnce {
 public:
  // True the first time `about` is asked since it was last cleared: now it is said.
  bool first(const std::string& about) { return said_.insert(about).second; }
  // The condition has passed: its next coming is news.
  void clear(const std::string& about) { said_.erase(about); }
  bool said(const std::string& about) const { return said_.contains(about); }

 private:
  std::unordered_set<std::string> said_;
};

// What standby says once: the conditions of the run, and those of one path (the key names
// the condition, then the path).
namespace said {
inline constexpr char kWatchFolderMissing[] = "watch folder missing";
inline constexpr char kOutputFolderUnusable[] = "output folder unusable";
inline constexpr char kViewerCannotStart[] = "viewer cannot start";
inline constexpr char kViewerCrashed[] = "viewer crashed";
inline constexpr char kViewerTimeLimit[] = "viewer time limit";
inline constexpr char kStationUnusable[] = "station unusable";
inline constexpr char kTakenOver[] = "taken over";
inline constexpr char kAfterCommandCannotStart[] = "after command cannot start";
inline std::string unlistable(const std::string& path) { return "unlistable " + path; }
inline std::string cannotMove(const std::string& path) { return "cannot move " + path; }
}  // namespace said

}  // namespace marlisk
