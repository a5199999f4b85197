#include "StrokeFont.h"

#include <map>
#include <tuple>

#include "StrokeFontData.inc"

namespace refconv {

namespace {

// One glyph of a .jhf file: a 5-digit number, a 3-digit count of coordinate pairs, then
// the pairs as letters offset from 'R', the first pair the side bearings, " R" lifting the
// pen. Pairs may run over line ends.
std::vector<Glyph> parseJhf(std::string_view text) {
  std::vector<Glyph> glyphs;
  size_t pos = 0;
  while (pos + 8 <= text.size()) {
    const std::string_view head = text.substr(pos, 8);
    int count = 0;
    for (const char c : head.substr(5, 3))
      if (c >= '0' && c <= '9') count = count * 10 + (c - '0');
    pos += 8;
    std::string pairs;
    while (pos < text.size() && pairs.size() < static_cast<size_t>(count) * 2) {
      if (text[pos] != '\n' && text[pos] != '\r') pairs += text[pos];
      ++pos;
    }
    while (pos < text.size() && (text[pos] == '\n' || text[pos] == '\r')) ++pos;
    Glyph g;
    if (pairs.size() >= 2) {
      g.left = pairs[0] - 'R';
      g.right = pairs[1] - 'R';
    }
    std::vector<Point> stroke;
    for (size_t i = 2; i + 1 < pairs.size(); i += 2) {
      if (pairs[i] == ' ' && pairs[i + 1] == 'R') {
        if (stroke.size() >= 1) g.strokes.push_back(std::move(stroke));
        stroke.clear();
        continue;
      }
      // Hershey's y runs down with the base line at 9.
      stroke.push_back({static_cast<double>(pairs[i] - 'R'), static_cast<double>(9 - (pairs[i + 1] - 'R'))});
    }
    if (!stroke.empty()) g.strokes.push_back(std::move(stroke));
    glyphs.push_back(std::move(g));
  }
  return glyphs;
}

enum class Mark { None, Acute, Grave, Circumflex, Diaeresis, Ring, Tilde, Cedilla, Slash, Bar };

// A mark's strokes in font units, over a letter whose top is at `top` and centre at `x`.
std::vector<std::vector<Point>> markStrokes(Mark mark, double x, double top) {
  const double y = top + 3;
  switch (mark) {
    case Mark::Acute: return {{{x - 1, y}, {x + 2, y + 4}}};
    case Mark::Grave: return {{{x + 1, y}, {x - 2, y + 4}}};
    case Mark::Circumflex: return {{{x - 3, y}, {x, y + 3}, {x + 3, y}}};
    case Mark::Diaeresis: return {{{x - 3, y + 1}, {x - 3, y + 2}}, {{x + 3, y + 1}, {x + 3, y + 2}}};
    case Mark::Ring: return {{{x, y}, {x + 1.5, y + 1}, {x, y + 3}, {x - 1.5, y + 1}, {x, y}}};
    case Mark::Tilde: return {{{x - 3, y}, {x - 1, y + 2}, {x + 1, y + 1}, {x + 3, y + 3}}};
    case Mark::Cedilla: return {{{x, 0}, {x, -2}, {x + 2, -3}, {x, -5}, {x - 2, -5}}};
    case Mark::Slash: return {{{x - 7, -1}, {x + 7, top + 1}}};
    case Mark::Bar: return {{{x - 6, top / 2}, {x + 2, top / 2}}};
    default: return {};
  }
}

struct Composition {
  char32_t c;
  char base;
  Mark mark;
};

// The letters of Latin-1 and of the 7-bit national sets that are a letter and a mark.
constexpr Composition kCompositions[] = {
    {U'À', 'A', Mark::Grave},      {U'Á', 'A', Mark::Acute},      {U'Â', 'A', Mark::Circumflex},
    {U'Ã', 'A', Mark::Tilde},      {U'Ä', 'A', Mark::Diaeresis},  {U'Å', 'A', Mark::Ring},
    {U'Ç', 'C', Mark::Cedilla},    {U'È', 'E', Mark::Grave},      {U'É', 'E', Mark::Acute},
    {U'Ê', 'E', Mark::Circumflex}, {U'Ë', 'E', Mark::Diaeresis},  {U'Ì', 'I', Mark::Grave},
    {U'Í', 'I', Mark::Acute},      {U'Î', 'I', Mark::Circumflex}, {U'Ï', 'I', Mark::Diaeresis},
    {U'Ñ', 'N', Mark::Tilde},      {U'Ò', 'O', Mark::Grave},      {U'Ó', 'O', Mark::Acute},
    {U'Ô', 'O', Mark::Circumflex}, {U'Õ', 'O', Mark::Tilde},      {U'Ö', 'O', Mark::Diaeresis},
    {U'Ø', 'O', Mark::Slash},      {U'Ù', 'U', Mark::Grave},      {U'Ú', 'U', Mark::Acute},
    {U'Û', 'U', Mark::Circumflex}, {U'Ü', 'U', Mark::Diaeresis},  {U'Ý', 'Y', Mark::Acute},
    {U'à', 'a', Mark::Grave},      {U'á', 'a', Mark::Acute},      {U'â', 'a', Mark::Circumflex},
    {U'ã', 'a', Mark::Tilde},      {U'ä', 'a', Mark::Diaeresis},  {U'å', 'a', Mark::Ring},
    {U'ç', 'c', Mark::Cedilla},    {U'è', 'e', Mark::Grave},      {U'é', 'e', Mark::Acute},
    {U'ê', 'e', Mark::Circumflex}, {U'ë', 'e', Mark::Diaeresis},  {U'ì', 'i', Mark::Grave},
    {U'í', 'i', Mark::Acute},      {U'î', 'i', Mark::Circumflex}, {U'ï', 'i', Mark::Diaeresis},
    {U'ñ', 'n', Mark::Tilde},      {U'ò', 'o', Mark::Grave},      {U'ó', 'o', Mark::Acute},
    {U'ô', 'o', Mark::Circumflex}, {U'õ', 'o', Mark::Tilde},      {U'ö', 'o', Mark::Diaeresis},
    {U'ø', 'o', Mark::Slash},      {U'ù', 'u', Mark::Grave},      {U'ú', 'u', Mark::Acute},
    {U'û', 'u', Mark::Circumflex}, {U'ü', 'u', Mark::Diaeresis},  {U'ý', 'y', Mark::Acute},
    {U'ÿ', 'y', Mark::Diaeresis},  {U'£', 'L', Mark::Bar},        {U'ß', 'B', Mark::None},
    {U'µ', 'u', Mark::None},       {U'¤', 'o', Mark::None},       {U'°', 'o', Mark::None},
    {U'¨', ' ', Mark::Diaeresis},  {U'´', ' ', Mark::Acute},      {U'‾', '-', Mark::None},
    {U'—', '-', Mark::None},       {U'–', '-', Mark::None},
};

struct Font {
  std::vector<Glyph> ascii;  // 32..127
  std::map<char32_t, Glyph> composed;

  Font() : ascii(parseJhf(kStrokeFontJhf)) {
    ascii.resize(96);
    for (const Composition& k : kCompositions) {
      Glyph g = ascii[static_cast<size_t>(k.base - 32)];
      double top = k.base >= 'a' ? 14 : kFontCapHeight;
      if (k.base == ' ') top = 14;
      if (k.c == U'°') {  // a small ring up high
        for (auto& s : g.strokes)
          for (Point& p : s) p = {p.x * 0.6, p.y * 0.6 + 12};
      }
      if (k.c == U'‾')
        for (auto& s : g.strokes)
          for (Point& p : s) p.y += 14;
      // Hershey's letters are centred on x = 0.
      for (auto& s : markStrokes(k.mark, 0, top)) g.strokes.push_back(std::move(s));
      composed[k.c] = std::move(g);
    }
    // Inverted marks of Spanish.
    for (const auto& [c, from] : {std::pair{U'¡', '!'}, std::pair{U'¿', '?'}}) {
      Glyph g = ascii[static_cast<size_t>(from - 32)];
      for (auto& s : g.strokes)
        for (Point& p : s) p = {-p.x, 14 - p.y};
      composed[c] = std::move(g);
    }
    // Æ and æ: the two letters side by side in one cell.
    for (const auto& [c, a, e] : {std::tuple{U'Æ', 'A', 'E'}, std::tuple{U'æ', 'a', 'e'}}) {
      Glyph g = ascii[static_cast<size_t>(a - 32)];
      for (auto& s : g.strokes)
        for (Point& p : s) p.x = p.x * 0.6 - 4;
      for (auto s : ascii[static_cast<size_t>(e - 32)].strokes) {
        for (Point& p : s) p.x = p.x * 0.6 + 4;
        g.strokes.push_back(std::move(s));
      }
      composed[c] = std::move(g);
    }
    Glyph section = ascii['S' - 32];  // two small S's, one above the other
    for (auto& s : section.strokes)
      for (Point& p : s) p = {p.x * 0.7, p.y * 0.6 + 9};
    Glyph lower = ascii['S' - 32];
    for (auto& s : lower.strokes) {
      for (Point& p : s) p = {p.x * 0.7, p.y * 0.6 - 3};
      section.strokes.push_back(s);
    }
    composed[U'§'] = std::move(section);
  }
};

const Font& font() {
  static const Font instance;
  return instance;
}

}  // namespace

const Glyph& glyphOf(char32_t c) {
  const Font& f = font();
  if (c >= 32 && c < 128) return f.ascii[c - 32];
  if (const auto it = f.composed.find(c); it != f.composed.end()) return it->second;
  if (c == 0xA0) return f.ascii[0];
  return f.ascii['?' - 32];
}

}  // namespace refconv
