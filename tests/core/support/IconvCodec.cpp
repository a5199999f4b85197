#include "support/IconvCodec.h"

#include <iconv.h>

namespace marlisk::test {

namespace {
std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 4, '\0');
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}
}  // namespace

// As strict as the program's own codec (WC_NO_BEST_FIT_CHARS): a character that code page 932
// would only stand in for with another ("£" as the full-width "￡") is refused.
std::optional<std::string> IconvCodec::toAnsi(std::string_view utf8) const {
  std::optional<std::string> ansi = convert("CP932", "UTF-8", utf8);
  if (!ansi || convert("UTF-8", "CP932", *ansi) != std::string(utf8)) return std::nullopt;
  return ansi;
}
std::optional<std::string> IconvCodec::fromAnsi(std::string_view ansi) const { return convert("UTF-8", "CP932", ansi); }

}  // namespace marlisk::test
