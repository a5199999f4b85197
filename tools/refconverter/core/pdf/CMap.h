// CMaps (ISO 32000-1, 9.7.5 and 9.10.3): how a composite font's bytes split into codes and
// which CID each code selects, and a ToUnicode map's code points. Built from a CMap stream, an
// embedded or predefined one it uses, or as Identity.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace refconv::pdf {

class CMap;
// A predefined CMap by its name ("Identity-H", "90ms-RKSJ-H"), or null.
using CMapByName = std::function<std::shared_ptr<const CMap>(std::string_view)>;

// The text of a CMap the converter carries (the Japanese ones of Adobe-Japan1, and
// "Adobe-Japan1-UCS2", its CIDs' code points); empty for one it does not.
std::string predefinedCMapText(std::string_view name);

class CMap {
 public:
  // Two-byte codes, each its own CID.
  static std::shared_ptr<const CMap> identity(bool vertical);
  // A CMap's text; a CMap it uses is asked of `byName`.
  static std::shared_ptr<const CMap> parse(std::string_view text, const CMapByName& byName);

  // The length of the code starting at `at` (1 to 4 bytes, never past the end) and its value.
  size_t nextCode(std::string_view bytes, size_t at, uint32_t& code) const;
  // What the code maps to (a CID, or a code point); `found` says whether it maps at all.
  uint32_t map(uint32_t code, size_t length, bool* found = nullptr) const;
  bool vertical() const { return vertical_; }
  bool identityMap() const { return identity_; }

 private:
  struct Space {
    size_t length = 1;
    uint8_t low[4] = {}, high[4] = {};
  };
  struct Range {
    uint32_t low = 0, high = 0, start = 0;
    uint8_t length = 1;
  };
  void add(Range range) { ranges_.push_back(range); }
  bool lookUp(uint32_t code, size_t length, uint32_t& value) const;

  std::vector<Space> spaces_;
  std::vector<Range> ranges_;  // sorted by length, then low
  std::shared_ptr<const CMap> base_;
  bool vertical_ = false;
  bool identity_ = false;
};

}  // namespace refconv::pdf
