// The parameter file MarliskAuto.par: 57 lines, CR LF, in the ANSI code page, the one place
// where the settings survive a restart.
#pragma once

#include "core/AnsiCodec.h"
#include "core/FileSystem.h"
#include "core/WarningSink.h"
#include "settings/core/Settings.h"

#include <functional>
#include <string>
#include <utility>

namespace marlisk {

inline constexpr int kParameterFileLines = 57;
// Longer lines are taken for damage: no setting of ours comes near this.
inline constexpr size_t kMaxParameterLineBytes = 64 * 1024;

// A sound file is at most 57 lines of the longest value.
inline constexpr size_t kMaxParameterFileBytes = kParameterFileLines * (kMaxParameterLineBytes + 2);

enum class LoadResult : int32_t { Loaded = 0, CannotOpen = 1, OtherVersion = 2 };

class ParameterFile {
 public:
  ParameterFile(FileSystem& fileSystem, const AnsiCodec& codec, WarningSink warn)
      : fs_(fileSystem), codec_(codec), warn_(std::move(warn)) {}

  // Reads settings.ParameterFilePath into `settings`. The batch list file name and the watch
  // pattern are taken only when they are empty, so that values given on the command line win.
  // A file that ends early, or has a malformed or overlong line, is read as far as it is
  // sound: what is missing or damaged keeps the value it had. The result is also left in
  // settings.LastIoStatus.
  LoadResult load(Settings& settings);

  // Who tells the user that the viewer named by the file is not there (its path as the file
  // shows it, and the warning that says so); by default the warning sink. The program offers
  // its bundled converter in its place this way.
  using ViewerMissing = std::function<void(const std::string& path, const std::string& warning)>;
  void onViewerMissing(ViewerMissing said) { viewerMissing_ = std::move(said); }

  // Writes all 57 lines to settings.ParameterFilePath. The old file is replaced only once
  // the new one is completely written. A value that cannot be stored as it is (a line
  // break, a character the code page lacks) is said and its line keeps what the file held
  // (empty in a new file): one bad value never stops the others from being saved. Returns
  // whether the file was written.
  bool save(const Settings& settings);

 private:
  FileSystem& fs_;
  const AnsiCodec& codec_;
  WarningSink warn_;
  ViewerMissing viewerMissing_;
  void viewerMissing(const std::string& path);
};

}  // namespace marlisk
