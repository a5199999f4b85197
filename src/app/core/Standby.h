// The rules of standby output: what the listings hold, which files are ready, and what the
// window says while it waits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/OutputTypes.h"

namespace marlisk {

struct ListingEntry {
  std::string name;  // file name without folder, UTF-8
  uint64_t size = 0;
  uint64_t lastWrite = 0;  // the file system's last-write time, in its own units
};

// A line of a listing file (FList1.txt, FList2.txt), without its line end: the size right-
// aligned in exactly ten characters, then the name (bytes of the ANSI code page). A size of
// more than ten digits cannot be written in that field without moving the name: it is
// written as ten "9"s, and the comparison, which uses the sizes themselves, is not misled.
std::string listingLine(uint64_t size, std::string_view ansiName);

// The files of the first listing, in its order, that the second listing holds under the same
// name (exact comparison) with the same size: the ones that stopped growing over the wait.
// Each as its index in `first` and in `second`. Linear in the size of both listings.
struct ReadyFile {
  size_t first;
  size_t second;
  bool operator==(const ReadyFile&) const = default;
};
std::vector<ReadyFile> readyFiles(const std::vector<ListingEntry>& first, const std::vector<ListingEntry>& second);

// "待機中 !　待機時間=" + hours "時間" + minutes "分" + seconds "秒" (no padding).
std::string countdownText(int32_t seconds);

// Whether an exit code is one a process is given when the system ends it for an exception it
// did not handle (an access violation, a stack overflow, a C++ exception nothing caught...),
// or when it could not even begin (a DLL missing or failing to start). Only these tell that
// the viewer did not finish its work; any other value, -1 and 0xC0000001 included, is the
// viewer's own answer.
bool isCrashExitCode(uint32_t exitCode);

// Said once a run when the viewer crashed: the inputs it had stay where they are.
std::string viewerCrashedMessage(uint32_t exitCode);

// The file mask the watch folder is listed with: on the second tab, PDF files only.
std::string standbyMask(std::string_view mask, OutputTab tab);

}  // namespace marlisk
