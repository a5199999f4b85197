#include "Hpgl.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "hpgl/Interpreter.h"

namespace refconv {

void Bounds::add(Point p) {
  if (empty) {
    minX = maxX = p.x;
    minY = maxY = p.y;
    empty = false;
    return;
  }
  minX = std::min(minX, p.x);
  maxX = std::max(maxX, p.x);
  minY = std::min(minY, p.y);
  maxY = std::max(maxY, p.y);
}

bool Drawing::empty() const {
  for (const Plot& page : pages)
    if (!page.shapes.empty()) return false;
  return true;
}

bool Drawing::hasImages() const {
  for (const Plot& page : pages)
    for (const Shape& shape : page.shapes)
      if (shape.image) return true;
  return false;
}

uint32_t penColor(int pen) {
  static constexpr std::array<uint32_t, 8> kPalette = {0xFFFFFF, 0x000000, 0xFF0000, 0x00A000,
                                                       0xE0C000, 0x0000FF, 0xFF00FF, 0x00C0C0};
  if (pen <= 0) return kPalette[0];
  return kPalette[static_cast<size_t>(1 + (pen - 1) % 7)];
}

uint32_t carouselColor(int pen) {
  // Black, red, green, yellow, blue, magenta, cyan and brown, as the stalls of a carousel.
  static constexpr std::array<uint32_t, 8> kCarousel = {0x000000, 0xFF0000, 0x00A000, 0xE0C000,
                                                        0x0000FF, 0xFF00FF, 0x00C0C0, 0xA05000};
  return kCarousel[static_cast<size_t>((std::max(pen, 1) - 1) % 8)];
}

// Whether a file is HP-GL/2 shows only as it is read (a PW or PC may come last), so a file
// that turns out to be HP-GL is read once more with a carousel's pens.
Drawing interpretHpgl(std::string_view bytes) {
  Drawing d = hpgl::Interpreter(bytes, false).run();
  if (d.hpgl2) return d;
  return hpgl::Interpreter(bytes, true).run();
}

bool looksLikeHpgl(std::string_view bytes) {
  // Blanks, and the control bytes pen-plotter drivers start with (ETX to end any label left
  // open, NUL padding), come before the first command or escape.
  size_t p = 0;
  // Empty instructions too: instruments begin with ";DF;DF;RO;...".
  auto skipped = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isspace(u) || (u < 0x20 && c != hpgl::kEsc) || c == ';';
  };
  while (p < bytes.size() && p < 4096 && skipped(bytes[p])) ++p;
  if (p >= bytes.size()) return false;
  if (bytes[p] == hpgl::kEsc || bytes.substr(p, 4) == "@PJL") return true;
  return p + 1 < bytes.size() && std::isupper(static_cast<unsigned char>(bytes[p])) &&
         std::isupper(static_cast<unsigned char>(bytes[p + 1]));
}

}  // namespace refconv
