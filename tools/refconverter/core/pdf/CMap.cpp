#include "core/pdf/CMap.h"

#include <algorithm>
#include <string>

#include "core/pdf/Objects.h"

namespace refconv::pdf {

namespace {

uint32_t valueOf(std::string_view bytes) {
  uint32_t value = 0;
  for (const char c : bytes.substr(0, 4)) value = (value << 8) | static_cast<uint8_t>(c);
  return value;
}

// A ToUnicode destination, UTF-16BE: its first code point (a ligature's first letter).
uint32_t firstCodePoint(std::string_view utf16) {
  if (utf16.size() < 2) return utf16.empty() ? 0 : static_cast<uint8_t>(utf16[0]);
  const uint32_t high = valueOf(utf16.substr(0, 2));
  if (high >= 0xD800 && high < 0xDC00 && utf16.size() >= 4) {
    const uint32_t low = valueOf(utf16.substr(2, 2));
    if (low >= 0xDC00 && low < 0xE000) return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
  }
  return high;
}

// How many mappings one CMap may hold, whatever it claims.
constexpr size_t kMostRanges = 200'000;
constexpr int kMostUses = 8;

}  // namespace

std::shared_ptr<const CMap> CMap::identity(bool vertical) {
  auto cmap = std::make_shared<CMap>();
  Space space;
  space.length = 2;
  space.high[0] = space.high[1] = 0xFF;
  cmap->spaces_.push_back(space);
  cmap->ranges_.push_back({0, 0xFFFF, 0, 2});
  cmap->vertical_ = vertical;
  cmap->identity_ = true;
  return cmap;
}

std::shared_ptr<const CMap> CMap::parse(std::string_view text, const CMapByName& byName) {
  auto cmap = std::make_shared<CMap>();
  Parser parser(text, 0);
  std::vector<Object> operands;
  int uses = 0;
  while (parser.skipBlanks() < text.size()) {
    const size_t at = parser.at();
    if (std::optional<Object> operand = parser.object()) {
      // A block holds 100 mappings at most.
      if (operands.size() < 3 * 100 + 3) operands.push_back(std::move(*operand));
      continue;
    }
    parser.seek(at);
    const std::string_view keyword = parser.keyword();
    if (keyword.empty()) {
      parser.seek(at + 1);
      operands.clear();
      continue;
    }
    auto string = [&](size_t i) { return operands[i].kind == Object::Kind::String ? operands[i].text : std::string(); };
    if (keyword == "endcodespacerange") {
      for (size_t i = 0; i + 1 < operands.size(); i += 2) {
        const std::string low = string(i), high = string(i + 1);
        if (low.empty() || low.size() > 4 || low.size() != high.size()) continue;
        Space space;
        space.length = low.size();
        for (size_t b = 0; b < low.size(); ++b) space.low[b] = low[b], space.high[b] = high[b];
        cmap->spaces_.push_back(space);
      }
    } else if (keyword == "endcidrange" || keyword == "endbfrange") {
      for (size_t i = 0; i + 2 < operands.size() && cmap->ranges_.size() < kMostRanges; i += 3) {
        const std::string low = string(i), high = string(i + 1);
        if (low.empty() || low.size() > 4 || low.size() != high.size()) continue;
        const uint32_t from = valueOf(low), to = valueOf(high);
        if (to < from) continue;
        const Object& target = operands[i + 2];
        const auto length = static_cast<uint8_t>(low.size());
        if (target.kind == Object::Kind::Int && target.integer >= 0) {
          cmap->add({from, to, static_cast<uint32_t>(target.integer), length});
        } else if (target.kind == Object::Kind::String) {
          cmap->add({from, to, firstCodePoint(target.text), length});
        } else if (const Array* each = target.asArray()) {
          for (uint32_t code = from; code <= to && code - from < each->size(); ++code)
            if ((*each)[code - from].kind == Object::Kind::String)
              cmap->add({code, code, firstCodePoint((*each)[code - from].text), length});
        }
      }
    } else if (keyword == "endcidchar" || keyword == "endbfchar") {
      for (size_t i = 0; i + 1 < operands.size() && cmap->ranges_.size() < kMostRanges; i += 2) {
        const std::string code = string(i);
        if (code.empty() || code.size() > 4) continue;
        const Object& target = operands[i + 1];
        const auto length = static_cast<uint8_t>(code.size());
        if (target.kind == Object::Kind::Int && target.integer >= 0)
          cmap->add({valueOf(code), valueOf(code), static_cast<uint32_t>(target.integer), length});
        else if (target.kind == Object::Kind::String)
          cmap->add({valueOf(code), valueOf(code), firstCodePoint(target.text), length});
        else if (target.kind == Object::Kind::Name)
          cmap->add({valueOf(code), valueOf(code), 0, length});  // a glyph name: nothing to show for it
      }
    } else if (keyword == "usecmap" && !operands.empty() && operands.back().kind == Object::Kind::Name) {
      if (byName && ++uses <= kMostUses) cmap->base_ = byName(operands.back().text);
    } else if (keyword == "def" && operands.size() >= 2 && operands[operands.size() - 2].isName("WMode")) {
      cmap->vertical_ = operands.back().kind == Object::Kind::Int && operands.back().integer == 1;
    }
    operands.clear();
  }
  // Later mappings of a code replace earlier ones: a stable sort keeps their order for lookUp.
  std::stable_sort(cmap->ranges_.begin(), cmap->ranges_.end(), [](const Range& a, const Range& b) {
    return a.length != b.length ? a.length < b.length : a.low < b.low;
  });
  if (cmap->spaces_.empty() && cmap->base_) cmap->spaces_ = cmap->base_->spaces_;
  if (!cmap->vertical_ && cmap->base_) cmap->vertical_ = cmap->base_->vertical_;
  return cmap;
}

size_t CMap::nextCode(std::string_view bytes, size_t at, uint32_t& code) const {
  const size_t left = bytes.size() - at;
  for (size_t length = 1; length <= 4 && length <= left; ++length) {
    for (const Space& space : spaces_) {
      if (space.length != length) continue;
      bool inside = true;
      for (size_t b = 0; b < length && inside; ++b) {
        const auto byte = static_cast<uint8_t>(bytes[at + b]);
        inside = byte >= space.low[b] && byte <= space.high[b];
      }
      if (inside) {
        code = valueOf(bytes.substr(at, length));
        return length;
      }
    }
  }
  // A code in no range: as long as the shortest range whose first byte it shares, or one byte.
  size_t length = 0;
  for (const Space& space : spaces_) {
    const auto byte = static_cast<uint8_t>(bytes[at]);
    if (byte >= space.low[0] && byte <= space.high[0] && (length == 0 || space.length < length)) length = space.length;
  }
  if (length == 0) length = spaces_.empty() ? std::min<size_t>(1, left) : spaces_.front().length;
  length = std::clamp<size_t>(length, 1, left);
  code = valueOf(bytes.substr(at, length));
  return length;
}

bool CMap::lookUp(uint32_t code, size_t length, uint32_t& value) const {
  // The last range starting at or below the code, then back over those that may still hold it.
  auto after = std::upper_bound(ranges_.begin(), ranges_.end(), std::pair<size_t, uint32_t>{length, code},
                                [](const std::pair<size_t, uint32_t>& key, const Range& r) {
                                  return key.first != r.length ? key.first < r.length : key.second < r.low;
                                });
  for (int looked = 0; after != ranges_.begin() && looked < 64; ++looked) {
    --after;
    if (after->length != length) break;
    if (code <= after->high) {
      value = after->start + (code - after->low);
      return true;
    }
  }
  return false;
}

uint32_t CMap::map(uint32_t code, size_t length, bool* found) const {
  uint32_t value = 0;
  const CMap* cmap = this;
  for (int depth = 0; cmap && depth <= kMostUses; ++depth, cmap = cmap->base_.get()) {
    if (cmap->lookUp(code, length, value)) {
      if (found) *found = true;
      return value;
    }
  }
  if (found) *found = false;
  return 0;
}

}  // namespace refconv::pdf
