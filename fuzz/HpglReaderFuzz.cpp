// The reader of plotter files on any bytes: every call moves on or ends, so a loop over the
// commands ends, and each mnemonic it gives is two upper-case letters.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/hpgl/Reader.h"

using namespace refconv::hpgl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Reader reader(bytes);
  size_t commands = 0;
  while (const auto m = reader.next()) {
    if (!std::isupper(static_cast<unsigned char>(m->a)) || !std::isupper(static_cast<unsigned char>(m->b)))
      std::abort();
    // Each command a reader's caller could be: numbers, a label, a byte, the rest stepped over.
    switch (++commands % 4) {
      case 0:
        while (reader.number()) {
        }
        break;
      case 1: reader.textUntil(static_cast<char>(m->b), commands % 8 == 1); break;
      case 2:
        if (!reader.atEnd()) reader.advance();
        break;
      default: break;
    }
    reader.endCommand();
    if (commands > size) std::abort();  // two bytes a mnemonic: never more commands than bytes
  }
  if (!reader.atEnd()) std::abort();
  return 0;
}
