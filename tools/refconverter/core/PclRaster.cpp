#include "PclRaster.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

namespace refconv {

namespace {

constexpr char kEsc = '\x1B';
constexpr int kMostRowBytes = 16384 / 8;    // 16,384 pixels across
constexpr size_t kMostPixels = 64'000'000;  // an A4 page at 600 dpi is 35 million
constexpr size_t kMostRows = 65'536;
constexpr int kDefaultDpi = 75;  // a printer's raster resolution unless ESC * t says

// One parameterised escape: ESC <c1> <c2> then values each ended by a letter, lower case to
// go on, upper case to end (ESC * b 2 m 120 W).
struct Escape {
  char family = 0, group = 0;  // '*', 'b'
  double value = 0;
  char command = 0;  // upper case
  bool last = false;
};

class Decoder {
 public:
  explicit Decoder(std::string_view in) : in_(in) {}

  std::optional<Image> run() {
    while (p_ < in_.size()) {
      if (in_[p_++] != kEsc || p_ >= in_.size()) continue;
      const char c1 = in_[p_];
      if (c1 < 0x21 || c1 > 0x2F) {  // a two-byte escape; ESC E resets the printer
        if (c1 == 'E') endRaster();
        ++p_;
        continue;
      }
      if (p_ + 1 >= in_.size()) break;
      // ESC % # X, # A and # B name no group: the values follow at once.
      const char group = c1 == '%' ? 0 : in_[p_ + 1];
      p_ += c1 == '%' ? 1 : 2;
      for (bool more = true; more && p_ < in_.size();) {
        const double value = number();
        if (p_ >= in_.size()) break;
        const char letter = in_[p_++];
        more = letter >= 0x60 && letter <= 0x7E;
        command(c1, group, value, more ? static_cast<char>(letter - 0x20) : letter);
        if (letter < 0x40 || letter > 0x7E) break;  // not an escape after all
      }
    }
    endRaster();
    if (rows_.empty() || width_ <= 0) return std::nullopt;
    return picture();
  }

 private:
  double number() {
    const size_t start = p_;
    while (p_ < in_.size() &&
           (std::isdigit(static_cast<unsigned char>(in_[p_])) || in_[p_] == '+' || in_[p_] == '-' || in_[p_] == '.'))
      ++p_;
    if (p_ == start) return 0;
    const std::string text(in_.substr(start, p_ - start));
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return std::isfinite(v) ? std::clamp(v, -1e9, 1e9) : 0;
  }

  // The bytes a command carries after it (raster rows, fonts, patterns), taken or stepped over.
  std::string_view data(double count) {
    const size_t n = std::min(static_cast<size_t>(std::max(count, 0.0)), in_.size() - p_);
    const std::string_view bytes = in_.substr(p_, n);
    p_ += n;
    return bytes;
  }

  void command(char family, char group, double value, char letter) {
    const bool carriesData = letter == 'W' || (family == '*' && group == 'b' && letter == 'V') ||
                             (family == '&' && group == 'p' && letter == 'X');
    if (family != '*') {
      if (carriesData) data(value);
      return;
    }
    const int n = static_cast<int>(value);
    if (group == 't' && letter == 'R') {
      if (n > 0 && n <= 2400) dpi_ = n;
    } else if (group == 'r') {
      if (letter == 'S' && n > 0) sourceWidth_ = std::min(n, kMostRowBytes * 8);
      if (letter == 'U') {
        planes_ = std::abs(n) == 3 ? 3 : 1;
        inkPlanes_ = n < 0;
      }
      if (letter == 'A') startRaster();
      if (letter == 'B' || letter == 'C') endRaster();
    } else if (group == 'b') {
      if (letter == 'M') compression_ = n;
      if (letter == 'Y') blankRows(n);
      if (letter == 'W' || letter == 'V') plane(data(value), letter == 'W');
    } else if (carriesData) {
      data(value);
    }
  }

  void startRaster() {
    inRaster_ = true;
    seeds_.assign(3, {});
    planeAt_ = 0;
    pending_.assign(3, {});
  }
  void endRaster() { inRaster_ = false; }

  void blankRows(int n) {
    if (!inRaster_) startRaster();
    for (int i = 0; i < std::min(n, 65536) && room(); ++i) addRow(std::vector<std::vector<uint8_t>>(3));
    seeds_.assign(3, {});
  }

  bool room() {
    const size_t across = static_cast<size_t>(std::max(width_, 8));
    if (rows_.size() < kMostRows && (rows_.size() + 1) * across <= kMostPixels) return true;
    cutShort_ = true;
    return false;
  }

  // One plane of a row; `endsRow` (W) closes the row.
  void plane(std::string_view bytes, bool endsRow) {
    if (!inRaster_) startRaster();  // a printer starts raster graphics at the first row
    const size_t index = std::min<size_t>(planeAt_, 2);
    std::vector<uint8_t>& seed = seeds_[index];
    std::vector<uint8_t> row = decode(bytes, seed);
    if (row.size() > static_cast<size_t>(kMostRowBytes)) row.resize(kMostRowBytes);
    seed = row;
    pending_[index] = std::move(row);
    ++planeAt_;
    if (!endsRow) return;
    if (room()) addRow(std::move(pending_));
    pending_.assign(3, {});
    planeAt_ = 0;
  }

  std::vector<uint8_t> decode(std::string_view in, const std::vector<uint8_t>& seed) const {
    std::vector<uint8_t> out;
    auto at = [&](size_t i) { return static_cast<uint8_t>(in[i]); };
    switch (compression_) {
      case 1:  // run length: a count less one, then the byte
        for (size_t i = 0; i + 1 < in.size() && out.size() < kMostRowBytes; i += 2)
          out.insert(out.end(), at(i) + 1u, at(i + 1));
        break;
      case 2:  // PackBits
        for (size_t i = 0; i < in.size() && out.size() < kMostRowBytes;) {
          const int control = static_cast<int8_t>(at(i++));
          if (control >= 0) {
            const size_t n = std::min<size_t>(static_cast<size_t>(control) + 1, in.size() - i);
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i),
                       in.begin() + static_cast<std::ptrdiff_t>(i + n));
            i += n;
          } else if (control != -128 && i < in.size()) {
            out.insert(out.end(), static_cast<size_t>(1 - control), at(i++));
          }
        }
        break;
      case 3: {  // delta row: replacements of the row above
        out = seed;
        if (in.empty()) break;
        size_t column = 0;
        for (size_t i = 0; i < in.size();) {
          const uint8_t head = at(i++);
          const size_t count = (head >> 5) + 1u;
          size_t offset = head & 0x1F;
          if (offset == 31)
            for (uint8_t more = 255; more == 255 && i < in.size();) offset += more = at(i++);
          column += offset;
          for (size_t k = 0; k < count && i < in.size(); ++k, ++column) {
            if (column >= static_cast<size_t>(kMostRowBytes)) return out;
            if (column >= out.size()) out.resize(column + 1, 0);
            out[column] = at(i++);
          }
        }
        break;
      }
      default:  // 0 and the modes this decoder does not know: the bytes as they are
        out.assign(in.begin(), in.end());
    }
    return out;
  }

  void addRow(std::vector<std::vector<uint8_t>> planes) {
    size_t bytes = 0;
    for (const auto& plane : planes) bytes = std::max(bytes, plane.size());
    width_ = std::max(width_, sourceWidth_ > 0 ? sourceWidth_ : static_cast<int>(bytes * 8));
    rows_.push_back({std::move(planes), planes_, inkPlanes_});
  }

  Image picture() const {
    Image image;
    image.width = width_;
    image.height = static_cast<int>(rows_.size());
    image.dpi = dpi_;
    image.cutShort = cutShort_;
    image.rgb.assign(static_cast<size_t>(image.width) * image.height * 3, 0xFF);
    auto bit = [](const std::vector<uint8_t>& plane, int x) {
      const size_t byte = static_cast<size_t>(x) / 8;
      return byte < plane.size() && (plane[byte] >> (7 - x % 8) & 1);
    };
    for (size_t y = 0; y < rows_.size(); ++y) {
      const Row& row = rows_[y];
      uint8_t* out = &image.rgb[y * static_cast<size_t>(image.width) * 3];
      for (int x = 0; x < image.width; ++x, out += 3) {
        if (row.planes == 1) {
          if (bit(row.data[0], x)) out[0] = out[1] = out[2] = 0;
          continue;
        }
        for (int k = 0; k < 3; ++k) {
          const bool set = bit(row.data[static_cast<size_t>(k)], x);
          out[k] = (set != row.ink) ? 0xFF : 0;  // RGB: a set bit lights its primary; CMY: inks it
        }
      }
    }
    return image;
  }

  struct Row {
    std::vector<std::vector<uint8_t>> data;
    int planes;
    bool ink;
  };

  std::string_view in_;
  size_t p_ = 0;
  int dpi_ = kDefaultDpi;
  int sourceWidth_ = 0, width_ = 0;
  int planes_ = 1;
  bool inkPlanes_ = false;
  int compression_ = 0;
  bool inRaster_ = false;
  size_t planeAt_ = 0;
  std::vector<std::vector<uint8_t>> seeds_ = std::vector<std::vector<uint8_t>>(3), pending_ = seeds_;
  std::vector<Row> rows_;
  bool cutShort_ = false;
};

}  // namespace

std::optional<Image> pclRaster(std::string_view bytes) { return Decoder(bytes).run(); }

}  // namespace refconv
