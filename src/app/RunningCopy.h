// One running copy of the program a working folder. Two copies on one folder would share its
// command file, its listings and its attempt counts, and hand every file of the watch folder
// to two viewers at once. The first copy holds "MarliskAuto.lock" in the working folder open
// without sharing writes; the system lets go of it when the copy ends, however it ends, so a
// crash leaves no stale lock. The file also tells a later copy which window to bring forward.
#pragma once

#include <windows.h>

#include <string>

#include "win/Handles.h"

namespace marlisk::win {

inline constexpr char kLockFileName[] = "MarliskAuto.lock";

class RunningCopyLock {
 public:
  // Takes the lock of `workFolder` (no trailing "\"), making the folder when it is not there.
  explicit RunningCopyLock(const std::string& workFolder);

  // Another copy holds this working folder. A lock that cannot be taken for any other reason
  // (a folder that cannot be written) stops nobody: the start says what is wrong itself.
  bool otherCopyRunning() const { return otherCopy_; }
  // Says where this copy's window is, for a later copy to bring it forward.
  void publish(HWND window);
  // Asks the copy holding the lock to come out of the notification area to the front; false
  // when its window cannot be found.
  bool showOtherCopy() const;

  // What the running copy's window is sent to come forward.
  static UINT showMessage();

 private:
  std::string path_;
  UniqueFileHandle file_;
  bool otherCopy_ = false;
};

}  // namespace marlisk::win
