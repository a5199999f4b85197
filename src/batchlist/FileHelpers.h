// Shell shortcuts, special folders, and copying files and folder trees.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "win/Error.h"

namespace marlisk::win {

// A ".lnk" file (any letter case) gives the path its shortcut stores; any other path, and a
// shortcut that cannot be read, comes back as given. COM must be initialised; when the
// shell's link object cannot be created at all, std::system_error is thrown.
std::string resolveShortcut(const std::string& path);

// Writes a shortcut (a .lnk) to `target` with its arguments and working folder.
Win32Error createShortcut(const std::string& path, const std::string& target, const std::string& arguments,
                          const std::string& workingFolder);

// Starting with the user's logon: a shortcut in the user's Startup folder that starts `exe`
// with "/b" (standby, minimised).
std::string startupShortcutPath();
// Whether that shortcut is there and starts `exe`.
bool startsAtLogon(const std::string& exe);
Win32Error setStartAtLogon(bool on, const std::string& exe);

// Indexes of specialFolderPath, and the shell folders they stand for.
enum SpecialFolderIndex : int {
  kStartMenuFolder = 0,
  kProgramsFolder = 1,
  kDrivesFolder = 2,
  kDesktopDirectoryFolder = 3,
  kPersonalFolder = 4,
  kAppDataFolder = 5,
  kFavoritesFolder = 6,
  kTemplatesFolder = 7,
  kDesktopFolder = 8,
  kProgramFilesFolder = 9,
  kCommonAppDataFolder = 10,
  kLocalAppDataFolder = 11,
  kCommonDocumentsFolder = 12,
};

// The folder's path without a trailing separator, or "" when it has none (or for an index
// outside the table).
std::string specialFolderPath(int index, HWND owner = nullptr);

// Copies sourceFolder\name to destinationFolder\name, replacing a file there. On an error
// an existing destination file is left as it was.
Win32Error copyFile(const std::string& sourceFolder, const std::string& destinationFolder, const std::string& name);

// Copies everything below `source` into `destination` (both without a trailing "\"),
// folders before their contents, creating missing sub-folders and overwriting files; nothing
// is deleted. Stops at the first failure and gives its reason: why a sub-folder could not be
// created, why a copy failed, why the source folder could not be read.
// With `keepExisting`, a file already at the destination is left as it is.
Win32Error copyFolderTree(const std::string& source, const std::string& destination, bool keepExisting = false);

}  // namespace marlisk::win
