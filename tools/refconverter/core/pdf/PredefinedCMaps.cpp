#include <string>

#include "core/pdf/CMap.h"

namespace refconv::pdf {

namespace {

struct PredefinedCMap {
  const char* name;
  const char* pieces[32];  // the text in pieces a compiler takes whole; the rest null
};
#include "PredefinedCMaps.inc"

}  // namespace

std::string predefinedCMapText(std::string_view name) {
  for (const PredefinedCMap& cmap : kPredefinedCMaps) {
    if (name != cmap.name) continue;
    std::string text;
    for (const char* piece : cmap.pieces)
      if (piece) text += piece;
    return text;
  }
  return {};
}

}  // namespace refconv::pdf
