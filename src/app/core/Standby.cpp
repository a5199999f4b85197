#include "app/core/Standby.h"

#include <cstdio>

#include <unordered_map>

#include "core/Path.h"

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

bool isCrashExitCode(uint32_t exitCode) {
  static constexpr uint32_t kCrashCodes[] = {
      0x80000002,  // STATUS_DATATYPE_MISALIGNMENT
      0x80000003,  // STATUS_BREAKPOINT (a debug break with no debugger)
      0xC0000005,  // STATUS_ACCESS_VIOLATION
      0xC0000006,  // STATUS_IN_PAGE_ERROR (its file went away under it)
      0xC0000017,  // STATUS_NO_MEMORY
      0xC000001D,  // STATUS_ILLEGAL_INSTRUCTION
      0xC0000025,  // STATUS_NONCONTINUABLE_EXCEPTION
      0xC0000026,  // STATUS_INVALID_DISPOSITION
      0xC000008C,  // STATUS_ARRAY_BOUNDS_EXCEEDED
      0xC000008D,  // STATUS_FLOAT_DENORMAL_OPERAND
      0xC000008E,  // STATUS_FLOAT_DIVIDE_BY_ZERO
      0xC000008F,  // STATUS_FLOAT_INEXACT_RESULT
      0xC0000090,  // STATUS_FLOAT_INVALID_OPERATION
      0xC0000091,  // STATUS_FLOAT_OVERFLOW
      0xC0000092,  // STATUS_FLOAT_STACK_CHECK
      0xC0000093,  // STATUS_FLOAT_UNDERFLOW
      0xC0000094,  // STATUS_INTEGER_DIVIDE_BY_ZERO
      0xC0000095,  // STATUS_INTEGER_OVERFLOW
      0xC0000096,  // STATUS_PRIVILEGED_INSTRUCTION
      0xC00000FD,  // STATUS_STACK_OVERFLOW
      0xC0000135,  // STATUS_DLL_NOT_FOUND
      0xC0000139,  // STATUS_ENTRYPOINT_NOT_FOUND
      0xC000013A,  // STATUS_CONTROL_C_EXIT
      0xC0000142,  // STATUS_DLL_INIT_FAILED
      0xC0000374,  // STATUS_HEAP_CORRUPTION
      0xC0000409,  // STATUS_STACK_BUFFER_OVERRUN (also __fastfail)
      0xC0000417,  // STATUS_INVALID_CRUNTIME_PARAMETER
      0xC0000420,  // STATUS_ASSERTION_FAILURE
      0xE0434352,  // an unhandled .NET exception
      0xE06D7363,  // an unhandled C++ exception (Visual C++)
  };
  for (const uint32_t code : kCrashCodes)
    if (code == exitCode) return true;
  return false;
}

std::string viewerCrashedMessage(uint32_t exitCode) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(exitCode));
  return std::string("Marliskプログラムが異常終了しました (") + code +
         ")\r 変換されなかったかもしれない入力ファイルは削除せずに残します";
}

}  // namespace marlisk
