#include "app/RunLog.h"

#include <windows.h>

#include <cstdio>

#include "core/Messages.h"

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
  fs_.createFolder(workFolder_ + "\\Log");
  const std::string path = todayPath();
  // Opened for each line (or batch of lines), so that the day's file can be read, copied or
  // removed meanwhile. A new day's file begins with the byte order mark.
  OpenMode appending{OpenMode::kAppend, OpenMode::kShareAll, OpenMode::Create::New};
  int error = 0;
  OpenFilePtr file = fs_.open(path, appending, &error);
  const bool created = file != nullptr;
  if (!file && fs_error::nameTaken(error)) {
    appending.create = OpenMode::Create::Existing;
    file = fs_.open(path, appending, &error);
  }
  if (file && (error = file->write((created ? "\xEF\xBB\xBF" : "") + lines)) == 0) {
    failureSaid_ = false;  // working again: a later failure is news
    return;
  }
  if (failureSaid_) return;
  failureSaid_ = true;
  warn_(path + kCannotWriteLogMessage + "\r\n" + ioErrorMessage(static_cast<uint32_t>(error)));
}

void RunLog::prune() {
  const std::string day = today();
  if (prunedOn_ == day) return;
  prunedOn_ = day;
  std::vector<FolderEntry> logs;
  fs_.list(workFolder_ + "\\Log", "*.txt", logs);
  for (const FolderEntry& log : logs)
    if (!log.facts.folder && isExpiredLog(log.name, day, settings_.LogDays))
      fs_.deleteFile(workFolder_ + "\\Log\\" + log.name);
}

}  // namespace marlisk::win
