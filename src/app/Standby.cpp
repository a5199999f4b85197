#include "app/Standby.h"

#include <cstdio>

#include <unordered_map>

#include "base/Path.h"

namespace marlisk {

std::string listingLine(uint64_t size, std::string_view ansiName) {
  std::string digits = size > 9999999999ULL ? std::string(10, '9') : std::to_string(size);
  std::string line(10 - digits.size(), ' ');
  line += digits;
  line += ansiName;
  return line;
}

std::vector<ReadyFile> readyFiles(const std::vector<ListingEntry>& first, const std::vector<ListingEntry>& second) {
  // Name -> its entries in the second listing (one, unless the listing repeats a name).
  std::unordered_multimap<std::string_view, size_t> later;
  later.reserve(second.size());
  for (size_t j = 0; j < second.size(); ++j) later.emplace(second[j].name, j);
  std::vector<ReadyFile> ready;
  for (size_t i = 0; i < first.size(); ++i) {
    const auto [begin, end] = later.equal_range(first[i].name);
    for (auto it = begin; it != end; ++it) {
      if (second[it->second].size == first[i].size) {
        ready.push_back({i, it->second});
        break;
      }
    }
  }
  return ready;
}

std::string countdownText(int32_t seconds) {
  return "待機中 !　待機時間=" + std::to_string(seconds / 3600) + "時間" + std::to_string(seconds % 3600 / 60) + "分" +
         std::to_string(seconds % 60) + "秒";
}

std::string standbyMask(std::string_view mask, OutputTab tab) {
  if (tab == OutputTab::Output1) return std::string(mask);
  const std::string_view extension = extensionPart(mask);
  return std::string(mask.substr(0, mask.size() - extension.size())) + ".pdf";
}

std::string viewerCrashedMessage(uint32_t exitCode) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(exitCode));
  return std::string("Marliskプログラムが異常終了しました (") + code +
         ")\r 変換されなかったかもしれない入力ファイルは削除せずに残します";
}

}  // namespace marlisk
