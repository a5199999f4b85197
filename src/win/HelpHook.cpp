#include "win/HelpHook.h"

#include <utility>

namespace marlisk::win {

namespace {
HelpHook& hook() {
  static HelpHook instance;
  return instance;
}
}  // namespace

void setHelpHook(HelpHook replacement) { hook() = std::move(replacement); }

void requestHelp(UINT command, DWORD_PTR data) {
  if (hook()) hook()(command, data);
}

}  // namespace marlisk::win
