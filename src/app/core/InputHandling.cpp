#include "app/core/InputHandling.h"

#include <cstdio>

#include "core/Numbers.h"
#include "core/Path.h"

namespace marlisk {

namespace {

std::string oneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      line += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
      ++i;
      continue;
    }
    // A whole, shortest-form UTF-8 sequence is kept; anything else is one U+FFFD a byte.
    const size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    bool whole = length > 0 && i + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (whole && length >= 3) {
      const auto second = static_cast<unsigned char>(text[i + 1]);
      whole = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second > 0x9F) && !(c == 0xF0 && second < 0x90) &&
              !(c == 0xF4 && second > 0x8F);
    }
    if (!whole) {
      line += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    line.append(text.substr(i, length));
    i += length;
  }
  return line;
}

const char* modeText(bool standby) { return standby ? "待機" : "バッチ"; }

// Days since 1970-01-01 of "yyyy-mm-dd"; nothing for another text.
std::optional<int64_t> dayNumber(std::string_view date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return std::nullopt;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (date[i] < '0' || date[i] > '9') return std::nullopt;
  const auto y0 = parseInt32(date.substr(0, 4)), m = parseInt32(date.substr(5, 2)), d = parseInt32(date.substr(8, 2));
  if (!y0 || !m || !d || *m < 1 || *m > 12 || *d < 1 || *d > 31) return std::nullopt;
  // The civil-from-days inverse (Howard Hinnant's days_from_civil).
  const int64_t y = *y0 - (*m <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (*m + (*m > 2 ? -3 : 9)) + 2) / 5 + *d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

bool outputMade(const OutputFacts& output, uint64_t runStart, const OutputFacts& before) {
  if (before.exists && output.lastWrite == before.lastWrite && output.size == before.size) return false;
  return output.exists && output.size > 0 && output.lastWrite + kFileTimeResolution >= runStart;
}

InputDecision decideInput(const RunSettings& settings, ViewerEnd viewer, bool outputIsMade, int32_t attemptsBefore) {
  // Neither is the input's fault: no attempt is counted against it.
  if (viewer == ViewerEnd::NotStarted || viewer == ViewerEnd::EndedByUser) return {InputAction::Keep, false};
  if (!settings.CheckOutput) {
    // As standby always did: what an ended viewer had goes; a crash or a limit keeps it.
    if (viewer == ViewerEnd::Ended) return {InputAction::Finish, false};
  } else if (viewer == ViewerEnd::Ended && outputIsMade) {
    return {InputAction::Finish, false};
  }
  const bool last = attemptsBefore + 1 >= settings.MaxAttempts;
  return {last ? InputAction::MoveToError : InputAction::Keep, true};
}

int32_t AttemptCounts::of(const std::string& input) const {
  const auto found = counts_.find(input);
  return found == counts_.end() ? 0 : found->second;
}

void AttemptCounts::keepOnly(const std::function<bool(const std::string&)>& stillThere) {
  for (auto it = counts_.begin(); it != counts_.end();) it = stillThere(it->first) ? std::next(it) : counts_.erase(it);
}

std::string AttemptCounts::text() const {
  std::string text;
  for (const auto& [input, count] : counts_) text += std::to_string(count) + "\t" + input + "\r\n";
  return text;
}

void forEachLine(std::string_view text, const std::function<void(std::string_view)>& take) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    take(line);
  }
}

void forEachPair(std::string_view text, const std::function<void(std::string_view, std::string_view)>& take) {
  forEachLine(text, [&](std::string_view line) {
    const size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string_view::npos || tab + 1 == line.size()) return;
    take(line.substr(0, tab), line.substr(tab + 1));
  });
}

AttemptCounts AttemptCounts::parse(std::string_view text) {
  AttemptCounts counts;
  forEachPair(text, [&](std::string_view number, std::string_view input) {
    const std::optional<int32_t> count = parseInt32(number);
    if (count && *count > 0) counts.counts_[std::string(input)] = *count;
  });
  return counts;
}

std::pair<std::string_view, std::string_view> stemAndExtension(std::string_view fileName) {
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return {fileName, {}};
  return {fileName.substr(0, dot), fileName.substr(dot)};
}

std::string freeName(const std::string& fileName, const std::function<bool(const std::string&)>& taken) {
  if (!taken(fileName)) return fileName;
  const auto [stemView, extensionView] = stemAndExtension(fileName);
  const std::string stem(stemView), extension(extensionView);
  constexpr int kMostCopies = 9999;
  for (int n = 2; n <= kMostCopies; ++n) {
    std::string candidate = stem + " (" + std::to_string(n) + ")" + extension;
    if (!taken(candidate)) return candidate;
  }
  return {};
}

bool RepeatLimiter::allow(const std::string& text, uint64_t nowMs) {
  const auto found = saidAt_.find(text);
  if (found != saidAt_.end() && nowMs - found->second < kQuietMs) return false;
  saidAt_[text] = nowMs;
  return true;
}

LogResult keptResult(ViewerEnd viewer) {
  switch (viewer) {
    case ViewerEnd::NotStarted: return LogResult::KeptViewerNotStarted;
    case ViewerEnd::TimedOut: return LogResult::KeptTimeLimit;
    case ViewerEnd::EndedByUser: return LogResult::KeptEndedByUser;
    case ViewerEnd::Crashed: return LogResult::KeptViewerCrashed;
    case ViewerEnd::Ended: break;
  }
  return LogResult::KeptNoOutput;
}

const char* notConvertedReason(ViewerEnd viewer) {
  switch (viewer) {
    case ViewerEnd::NotStarted: return "ビューアを起動できない";
    case ViewerEnd::TimedOut: return "制限時間でビューアを終了";
    case ViewerEnd::EndedByUser: return "終了の指示でビューアを終了";
    case ViewerEnd::Crashed: return "ビューアが異常終了";
    case ViewerEnd::Ended: break;
  }
  return "出力ファイルが作られなかった";
}

bool isConverted(LogResult result) {
  return result == LogResult::Converted || result == LogResult::ConvertedDeleted || result == LogResult::MovedToDone ||
         result == LogResult::MovedToRecycleBin;
}

bool isHeld(LogResult result) {
  return !isConverted(result) && result != LogResult::MovedToError && result != LogResult::Missing &&
         result != LogResult::Claimed && result != LogResult::PutBack && result != LogResult::NotConverted &&
         result != LogResult::SentBack;
}

const char* logResultText(LogResult result) {
  switch (result) {
    case LogResult::Converted: return "変換済み";
    case LogResult::ConvertedDeleted: return "変換済み 削除";
    case LogResult::MovedToDone: return "変換済み 完了フォルダへ移動";
    case LogResult::MovedToRecycleBin: return "変換済み ごみ箱へ移動";
    case LogResult::KeptNoOutput: return "保留 出力なし";
    case LogResult::MovedToError: return "エラーフォルダへ移動";
    case LogResult::KeptViewerNotStarted: return "保留 ビューアを起動できない";
    case LogResult::KeptTimeLimit: return "保留 制限時間でビューアを終了";
    case LogResult::KeptEndedByUser: return "保留 終了の指示でビューアを終了";
    case LogResult::KeptViewerCrashed: return "保留 ビューアが異常終了";
    case LogResult::KeptChanged: return "保留 変換中に更新された";
    case LogResult::KeptCannotMove: return "保留 削除・移動できない";
    case LogResult::Missing: return "見つからない";
    case LogResult::Skipped: return "スキップ";
    case LogResult::Claimed: return "引き取り";
    case LogResult::PutBack: return "差し戻し";
    case LogResult::NotConverted: return "変換できず";
    case LogResult::SentBack: return "再投入";
  }
  return "";
}

void addDetail(LogEntry& entry, const std::string& more) { entry.detail += (entry.detail.empty() ? "" : ", ") + more; }

std::string logLine(const LogEntry& e) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", e.viewerSeconds);
  return e.time + "\t" + modeText(e.standby) + "\t" + oneLine(e.input) + "\t" + oneLine(e.output) + "\t" +
         std::to_string(e.size) + "\t" + logResultText(e.result) +
         (e.detail.empty() ? std::string() : " (" + oneLine(e.detail) + ")") + "\t" +
         (e.exitCode < 0 ? std::string() : std::to_string(e.exitCode)) + "\t" + (e.exitCode < 0 ? "" : seconds) +
         "\r\n";
}

std::string logMessageLine(const std::string& time, bool standby, const std::string& message) {
  return time + "\t" + modeText(standby) + "\tメッセージ\t" + oneLine(message) + "\r\n";
}

std::string logFileName(const std::string& date) { return "Log\\" + date + ".txt"; }

bool isExpiredLog(const std::string& fileName, const std::string& today, int32_t days) {
  if (fileName.size() != 14 || !fileName.ends_with(".txt")) return false;
  const std::optional<int64_t> day = dayNumber(std::string_view(fileName).substr(0, 10));
  const std::optional<int64_t> now = dayNumber(today);
  return day && now && *now - *day >= days;
}

}  // namespace marlisk
