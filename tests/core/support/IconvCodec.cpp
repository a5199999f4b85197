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

std::optional<std::string> IconvCodec::toAnsi(std::string_view utf8) const { return convert("CP932", "UTF-8", utf8); }
std::optional<std::string> IconvCodec::fromAnsi(std::string_view ansi) const { return convert("UTF-8", "CP932", ansi); }

}  // namespace marlisk::test
