#include "core/pdf/Filters.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace refconv::pdf {

namespace {

int64_t parameter(const Object* parameters, std::string_view key, int64_t fallback) {
  const Dict* dict = parameters ? parameters->asDict() : nullptr;
  const Object* value = dict ? dict->get(key) : nullptr;
  return value && value->kind == Object::Kind::Int ? value->integer : fallback;
}

Decoded inflate(std::string_view data) {
  Decoded out;
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {{}, "zlib cannot start"};
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char chunk[64 * 1024];
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    result = ::inflate(&z, Z_NO_FLUSH);
    out.bytes.append(chunk, sizeof chunk - z.avail_out);
    if (out.bytes.size() > kMostDecodedBytes) {
      out.failure = "a stream decodes to more than 256 MB";
      break;
    }
    if (result == Z_BUF_ERROR && z.avail_in == 0) break;  // cut short: what came is kept
  }
  if (out.failure.empty() && result != Z_STREAM_END && result != Z_BUF_ERROR && result != Z_OK)
    out.failure = "a Flate stream is damaged";
  inflateEnd(&z);
  return out;
}

// The PNG predictors (10-15) and TIFF's predictor 2, row by row.
Decoded unpredict(Decoded in, const Object* parameters) {
  const int64_t predictor = parameter(parameters, "Predictor", 1);
  if (predictor < 2 || !in.failure.empty()) return in;
  const int64_t colors = parameter(parameters, "Colors", 1), bits = parameter(parameters, "BitsPerComponent", 8),
                columns = parameter(parameters, "Columns", 1);
  if (colors < 1 || colors > 32 || bits < 1 || bits > 16 || columns < 1 || columns > (1 << 24))
    return {{}, "a predictor's parameters are out of range"};
  const size_t pixelBytes = static_cast<size_t>((colors * bits + 7) / 8);
  const size_t rowBytes = static_cast<size_t>((colors * bits * columns + 7) / 8);
  const std::string& bytes = in.bytes;
  Decoded out;
  if (predictor == 2) {
    out.bytes = bytes;
    if (bits != 8) return out;  // only whole bytes are undone; other depths are rare
    for (size_t row = 0; row + rowBytes <= out.bytes.size(); row += rowBytes)
      for (size_t i = pixelBytes; i < rowBytes; ++i)
        out.bytes[row + i] = static_cast<char>(out.bytes[row + i] + out.bytes[row + i - pixelBytes]);
    return out;
  }
  std::vector<unsigned char> previous(rowBytes, 0), current(rowBytes);
  for (size_t at = 0; at + 1 + rowBytes <= bytes.size(); at += 1 + rowBytes) {
    const int type = static_cast<unsigned char>(bytes[at]);
    for (size_t i = 0; i < rowBytes; ++i) {
      const int raw = static_cast<unsigned char>(bytes[at + 1 + i]);
      const int left = i >= pixelBytes ? current[i - pixelBytes] : 0, up = previous[i];
      const int upLeft = i >= pixelBytes ? previous[i - pixelBytes] : 0;
      int value = raw;
      switch (type) {
        case 1: value = raw + left; break;
        case 2: value = raw + up; break;
        case 3: value = raw + (left + up) / 2; break;
        case 4: {
          const int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
          value = raw + (pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft);
          break;
        }
        default: break;
      }
      current[i] = static_cast<unsigned char>(value);
    }
    out.bytes.append(reinterpret_cast<const char*>(current.data()), rowBytes);
    previous.swap(current);
  }
  return out;
}

Decoded lzw(std::string_view data, const Object* parameters) {
  const bool early = parameter(parameters, "EarlyChange", 1) != 0;
  Decoded out;
  std::vector<std::string> table;
  auto reset = [&] {
    table.assign(258, std::string());
    for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = std::string(1, static_cast<char>(i));
  };
  reset();
  int width = 9;
  uint32_t buffer = 0;
  int held = 0;
  std::string previous;
  for (size_t at = 0;;) {
    while (held < width && at < data.size()) {
      buffer = (buffer << 8) | static_cast<unsigned char>(data[at++]);
      held += 8;
    }
    if (held < width) break;
    const uint32_t code = (buffer >> (held - width)) & ((1u << width) - 1);
    held -= width;
    if (code == 256) {
      reset();
      width = 9;
      previous.clear();
      continue;
    }
    if (code == 257) break;
    std::string entry;
    if (code < table.size() && (code < 256 || !table[code].empty()))
      entry = table[code];
    else if (code == table.size() && !previous.empty())
      entry = previous + previous[0];
    else
      return {std::move(out.bytes), "an LZW stream is damaged"};
    out.bytes += entry;
    if (out.bytes.size() > kMostDecodedBytes) return {std::move(out.bytes), "a stream decodes to more than 256 MB"};
    if (!previous.empty() && table.size() < 4096) table.push_back(previous + entry[0]);
    previous = std::move(entry);
    const size_t next = table.size() + (early ? 1 : 0);
    width = next >= 2048 ? 12 : next >= 1024 ? 11 : next >= 512 ? 10 : 9;
  }
  return unpredict(std::move(out), parameters);
}

Decoded asciiHex(std::string_view data) {
  Decoded out;
  std::string wrapped = "<" + std::string(data.substr(0, data.find('>'))) + ">";
  Parser hex(wrapped, 0);
  const std::optional<Object> text = hex.object();
  if (text) out.bytes = text->text;
  return out;
}

Decoded ascii85(std::string_view data) {
  Decoded out;
  uint32_t value = 0;
  int count = 0;
  for (const char c : data) {
    if (c == '~') break;
    if (isPdfWhite(c)) continue;
    if (c == 'z' && count == 0) {
      out.bytes.append(4, '\0');
      continue;
    }
    if (c < '!' || c > 'u') return {std::move(out.bytes), "an ASCII85 stream is damaged"};
    value = value * 85 + static_cast<uint32_t>(c - '!');
    if (++count == 5) {
      for (int shift = 24; shift >= 0; shift -= 8) out.bytes += static_cast<char>((value >> shift) & 0xFF);
      value = 0;
      count = 0;
    }
  }
  if (count > 1) {
    for (int k = count; k < 5; ++k) value = value * 85 + 84;
    for (int k = 0; k < count - 1; ++k) out.bytes += static_cast<char>((value >> (24 - 8 * k)) & 0xFF);
  }
  return out;
}

Decoded runLength(std::string_view data) {
  Decoded out;
  for (size_t at = 0; at < data.size();) {
    const int length = static_cast<unsigned char>(data[at++]);
    if (length == 128) break;
    if (length < 128) {
      const size_t n = std::min<size_t>(static_cast<size_t>(length) + 1, data.size() - at);
      out.bytes.append(data.substr(at, n));
      at += n;
    } else if (at < data.size()) {
      out.bytes.append(static_cast<size_t>(257 - length), data[at++]);
    }
    if (out.bytes.size() > kMostDecodedBytes) return {std::move(out.bytes), "a stream decodes to more than 256 MB"};
  }
  return out;
}

}  // namespace

Decoded decodeFilter(std::string_view filter, std::string_view data, const Object* parameters) {
  if (filter == "FlateDecode" || filter == "Fl") return unpredict(inflate(data), parameters);
  if (filter == "LZWDecode" || filter == "LZW") return lzw(data, parameters);
  if (filter == "ASCIIHexDecode" || filter == "AHx") return asciiHex(data);
  if (filter == "ASCII85Decode" || filter == "A85") return ascii85(data);
  if (filter == "RunLengthDecode" || filter == "RL") return runLength(data);
  return {std::string(data), "the filter " + std::string(filter) + " is not read here"};
}

}  // namespace refconv::pdf
