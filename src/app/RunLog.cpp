#include "app/RunLog.h"

#include <windows.h>

#include <cstdio>

#include "core/Messages.h"
#include "win/Error.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {

namespace {

std::string timeText(const char* format) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[32];
  std::snprintf(text, sizeof text, format, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return text;
}

}  // namespace

std::string RunLog::now() { return timeText("%04u-%02u-%02u %02u:%02u:%02u"); }
std::string RunLog::today() { return timeText("%04u-%02u-%02u"); }

std::string RunLog::todayPath() const { return workFolder_ + "\\" + logFileName(today()); }

void RunLog::write(LogEntry entry) {
  if (entry.time.empty()) entry.time = now();
  append(logLine(entry));
}

void RunLog::message(bool standby, const std::string& text) { append(logMessageLine(now(), standby, text)); }

void RunLog::append(const std::string& line) {
  if (!settings_.RunLog) return;
  held_ += line;
  if (holding_ == 0) flush();
}

void RunLog::flush() {
  if (held_.empty()) return;
  const std::string lines = std::move(held_);
  held_.clear();
  prune();
  CreateDirectoryW(widen(workFolder_ + "\\Log").c_str(), nullptr);
  const std::string path = todayPath();
  // Opened for each line (or batch of lines), so that the day's file can be read, copied or
  // removed meanwhile.
  UniqueFileHandle file(CreateFileW(widen(path).c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  const bool created = file && GetLastError() != ERROR_ALREADY_EXISTS;
  const std::string bytes = (created ? "\xEF\xBB\xBF" : "") + lines;
  DWORD written = 0;
  if (file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size()) {
    failureSaid_ = false;  // working again: a later failure is news
    return;
  }
  const Win32Error error = Win32Error::last();
  if (failureSaid_) return;
  failureSaid_ = true;
  warn_(path + kCannotWriteLogMessage + "\r\n" + ioErrorMessage(error.code()));
}

void RunLog::prune() {
  const std::string day = today();
  if (prunedOn_ == day) return;
  prunedOn_ = day;
  WIN32_FIND_DATAW found;
  UniqueFindHandle search(FindFirstFileExW(widen(workFolder_ + "\\Log\\*.txt").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0));
  if (!search) return;
  do {
    const std::string name = narrow(found.cFileName);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isExpiredLog(name, day, settings_.LogDays))
      DeleteFileW(widen(workFolder_ + "\\Log\\" + name).c_str());
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace marlisk::win
