#include "core/pdf/Images.h"

#include <algorithm>
#include <cmath>

#include "core/Bitmaps.h"

namespace refconv::pdf {

namespace {

// An image dictionary's entry by its name or an inline image's abbreviation.
Object entry(Document& document, const Dict& dict, std::string_view full, std::string_view abbreviation) {
  return dict.get(full) ? document.get(dict, full) : document.get(dict, abbreviation);
}

int integerOf(const Object& o, int fallback) {
  return o.kind == Object::Kind::Int && o.integer >= 0 && o.integer <= 1'000'000 ? static_cast<int>(o.integer)
                                                                                 : fallback;
}

// The packed samples of an image's rows.
struct Samples {
  std::string_view data;
  int width, components, bits;
  size_t stride;
  uint32_t at(int x, int y, int k) const {
    const size_t bit = static_cast<size_t>(y) * stride * 8 + (static_cast<size_t>(x) * components + k) * bits;
    const size_t byte = bit / 8;
    if (byte + (bits == 16 ? 1 : 0) >= data.size()) return 0;
    const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(data[i])); };
    if (bits == 8) return b(byte);
    if (bits == 16) return b(byte) << 8 | b(byte + 1);
    return (b(byte) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
  }
};

// Every `step`th pixel of a w x h picture, so that it keeps within the bound on pixels.
int stepFor(int w, int h) { return reductionFor(w, h, kMostImagePixels); }

// A mask's alpha at another size, by the nearest of its pixels.
std::vector<uint8_t> alphaAt(const Bitmap& mask, bool fromRed, int w, int h) {
  std::vector<uint8_t> out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y * static_cast<int64_t>(mask.height) / h) * mask.width +
                       static_cast<size_t>(x * static_cast<int64_t>(mask.width) / w);
      out[static_cast<size_t>(y) * w + x] = fromRed ? mask.rgb[i * 3] : mask.alpha.empty() ? 255 : mask.alpha[i];
    }
  return out;
}

}  // namespace

ImageSource imageSourceOf(Document& document, const Object& stream) {
  ImageSource source;
  source.dict = stream.asDict();
  source.data = document.streamData(stream, nullptr, &source.codec);
  if (!source.codec.empty()) {
    // The codec's parameters: the last filter's, as codecs come last.
    const Object parameters = document.get(*source.dict, "DecodeParms");
    const Array* list = parameters.asArray();
    source.codecParameters = list ? (list->empty() ? Object{} : document.resolve(list->back())) : parameters;
  }
  return source;
}

std::string tiffOfFax(std::string_view data, const Dict* parameters, int width, int height) {
  auto number = [&](std::string_view key, int fallback) {
    const Object* o = parameters ? parameters->get(key) : nullptr;
    return o && o->kind == Object::Kind::Int ? static_cast<int>(o->integer) : fallback;
  };
  const int k = number("K", 0), columns = number("Columns", 1728), rows = number("Rows", height);
  const Object* align = parameters ? parameters->get("EncodedByteAlign") : nullptr;
  const bool byteAligned = align && align->boolean;
  if (columns <= 0 || rows <= 0 || (k < 0 && byteAligned)) return {};
  (void)width;
  std::string out = "II*";
  out += '\0';
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(8, 4);  // the one directory, right after the header
  struct Field {
    uint16_t tag, type;
    uint32_t value;
  };
  const uint32_t dataAt = 8 + 2 + 10 * 12 + 4;
  // Group 4 (K < 0), or Group 3 in one (K = 0) or two dimensions, white a zero sample.
  const std::vector<Field> fields = {
      {256, 4, static_cast<uint32_t>(columns)},
      {257, 4, static_cast<uint32_t>(rows)},
      {258, 3, 1},
      {259, 3, k < 0 ? 4u : 3u},
      {262, 3, 0},
      {273, 4, dataAt},
      {277, 3, 1},
      {278, 4, static_cast<uint32_t>(rows)},
      {279, 4, static_cast<uint32_t>(data.size())},
      {static_cast<uint16_t>(k < 0 ? 293 : 292), 4, k < 0 ? 0u : (k > 0 ? 1u : 0u) | (byteAligned ? 4u : 0u)},
  };
  put(static_cast<uint32_t>(fields.size()), 2);
  for (const Field& f : fields) {
    put(f.tag, 2);
    put(f.type, 2);
    put(1, 4);
    put(f.value, f.type == 3 ? 2 : 4);
    if (f.type == 3) put(0, 2);
  }
  put(0, 4);  // no next directory
  out.append(data);
  return out;
}

DecodedImage decodeImage(Document& document, const ImageSource& image, const ColorSpace* space, uint32_t stencil,
                         PictureCodecs* codecs, bool isOwnMask) {
  DecodedImage out;
  const Dict& dict = *image.dict;
  // The grid of samples: the image's own, or a decoder's smaller one for a picture past the bound.
  int w = integerOf(entry(document, dict, "Width", "W"), 0), h = integerOf(entry(document, dict, "Height", "H"), 0);
  if (w <= 0 || h <= 0) return out;
  const bool isMask = entry(document, dict, "ImageMask", "IM").boolean;
  auto bitmap = std::make_shared<Bitmap>();
  int step = stepFor(w, h);
  out.reduced = step > 1;
  auto setGrid = [&] {
    bitmap->width = (w + step - 1) / step;
    bitmap->height = (h + step - 1) / step;
    return static_cast<size_t>(bitmap->width) * bitmap->height;
  };
  size_t pixels = setGrid();
  std::vector<double> decode = document.numbers(entry(document, dict, "Decode", "D"));

  // CCITT fax data, through the platform's TIFF decoder, becomes one-bit samples that go on
  // as any others (a stencil mask's, a gray image's, with their Decode): black a 0 unless
  // BlackIs1 says 1.
  std::string faxSamples;
  const std::string* samplesData = &image.data;
  if (image.codec == "CCITTFaxDecode") {
    const std::string tiff = tiffOfFax(image.data, image.codecParameters.asDict(), w, h);
    std::optional<Bitmap> fax = codecs && !tiff.empty() ? codecs->decode(tiff, kMostImagePixels) : std::nullopt;
    if (!fax || fax->width < 1 || fax->height < 1) {
      out.skipped = image.codec;
      return out;
    }
    if (fax->width != w || fax->height != h) {
      out.reduced = fax->width < w;  // the decoder took it smaller
      w = fax->width, h = fax->height, step = stepFor(w, h);
      out.reduced = out.reduced || step > 1;
      pixels = setGrid();
    }
    const Object* blackIs1 = image.codecParameters.asDict() ? image.codecParameters.asDict()->get("BlackIs1") : nullptr;
    const bool ones = blackIs1 && blackIs1->boolean;
    const size_t stride = (static_cast<size_t>(w) + 7) / 8;
    faxSamples.assign(stride * h, '\0');
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool black = fax->rgb[(static_cast<size_t>(y) * w + x) * 3] < 128;
        if (black == ones) faxSamples[y * stride + x / 8] |= static_cast<char>(0x80 >> (x % 8));
      }
    samplesData = &faxSamples;
  } else if (!image.codec.empty() && image.codec != "DCTDecode") {
    out.skipped = image.codec;
    return out;
  }
  if (image.codec == "DCTDecode") {
    std::optional<Bitmap> jpeg = codecs ? codecs->decode(image.data, kMostImagePixels) : std::nullopt;
    if (!jpeg || jpeg->width <= 0 || jpeg->height <= 0) {
      out.skipped = image.codec;
      return out;
    }
    // Its own size (the decoder may have taken it smaller), within the bound.
    const bool smaller = jpeg->width < w || jpeg->height < h;
    w = jpeg->width, h = jpeg->height, step = stepFor(w, h);
    out.reduced = smaller || step > 1;
    pixels = setGrid();
    bitmap->rgb.resize(pixels * 3);
    for (int y = 0; y < bitmap->height; ++y)
      for (int x = 0; x < bitmap->width; ++x)
        std::copy_n(&jpeg->rgb[(static_cast<size_t>(y) * step * jpeg->width + static_cast<size_t>(x) * step) * 3], 3,
                    &bitmap->rgb[(static_cast<size_t>(y) * bitmap->width + x) * 3]);
  } else if (isMask) {
    // One bit a pixel: where it is 0 (1 with a Decode of [1 0]) the fill colour is painted.
    const Samples samples{*samplesData, w, 1, 1, (static_cast<size_t>(w) + 7) / 8};
    const uint32_t paints = decode.size() >= 2 && decode[0] > decode[1] ? 1 : 0;
    bitmap->rgb.resize(pixels * 3);
    bitmap->alpha.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) {
      const int x = static_cast<int>(i % bitmap->width) * step, y = static_cast<int>(i / bitmap->width) * step;
      bitmap->rgb[i * 3] = static_cast<uint8_t>(stencil >> 16);
      bitmap->rgb[i * 3 + 1] = static_cast<uint8_t>(stencil >> 8);
      bitmap->rgb[i * 3 + 2] = static_cast<uint8_t>(stencil);
      bitmap->alpha[i] = samples.at(x, y, 0) == paints ? 255 : 0;
    }
    out.bitmap = bitmap;
    return out;
  } else {
    if (!space || space->components() < 1 || space->family() == ColorSpace::Family::Pattern) return out;
    const int bits = samplesData == &faxSamples ? 1 : integerOf(entry(document, dict, "BitsPerComponent", "BPC"), 8);
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return out;
    const int n = space->components();
    if (decode.size() != static_cast<size_t>(2 * n)) decode = space->defaultDecode(bits);
    const Samples samples{*samplesData, w, n, bits, (static_cast<size_t>(w) * n * bits + 7) / 8};
    const double top = std::pow(2.0, bits) - 1;
    // A colour key: samples within each component's range are not painted.
    const std::vector<double> key = document.numbers(entry(document, dict, "Mask", "Mask"));
    const bool keyed = key.size() == static_cast<size_t>(2 * n);
    bitmap->rgb.resize(pixels * 3);
    if (keyed) bitmap->alpha.assign(pixels, 255);
    // One component of at most 8 bits: a table of every sample's colour.
    std::vector<uint32_t> table;
    if (n == 1 && bits <= 8)
      for (uint32_t v = 0; v <= static_cast<uint32_t>(top); ++v) {
        const double c = decode[0] + v * (decode[1] - decode[0]) / top;
        table.push_back(space->rgb(&c));
      }
    uint32_t raw[32] = {}, lastRaw[32] = {};
    uint32_t last = space->rgb(space->initial().data());
    bool cached = false;
    for (size_t i = 0; i < pixels; ++i) {
      const int x = static_cast<int>(i % bitmap->width) * step, y = static_cast<int>(i / bitmap->width) * step;
      bool inKey = keyed;
      for (int k = 0; k < n; ++k) {
        raw[k] = samples.at(x, y, k);
        inKey = inKey && raw[k] >= key[2 * k] && raw[k] <= key[2 * k + 1];
      }
      if (inKey) bitmap->alpha[i] = 0;
      uint32_t color;
      if (!table.empty()) {
        color = table[raw[0]];
      } else if (cached && std::equal(raw, raw + n, lastRaw)) {
        color = last;
      } else {
        double c[32];
        for (int k = 0; k < n; ++k) c[k] = decode[2 * k] + raw[k] * (decode[2 * k + 1] - decode[2 * k]) / top;
        color = last = space->rgb(c);
        std::copy_n(raw, n, lastRaw);
        cached = true;
      }
      bitmap->rgb[i * 3] = static_cast<uint8_t>(color >> 16);
      bitmap->rgb[i * 3 + 1] = static_cast<uint8_t>(color >> 8);
      bitmap->rgb[i * 3 + 2] = static_cast<uint8_t>(color);
    }
  }

  // A soft mask (a gray image's levels) or a stencil mask stream, at the picture's size.
  const Object smask = document.get(dict, "SMask"), mask = document.get(dict, "Mask");
  const bool soft = smask.kind == Object::Kind::Stream;
  const Object& maskStream = soft ? smask : mask;
  if (!isOwnMask && maskStream.kind == Object::Kind::Stream) {
    const ImageSource source = imageSourceOf(document, maskStream);
    const std::shared_ptr<const ColorSpace> gray = ColorSpace::device(1);
    const DecodedImage decoded = decodeImage(document, source, gray.get(), 0, codecs, true);
    if (decoded.bitmap) {
      std::vector<uint8_t> alpha = alphaAt(*decoded.bitmap, soft, bitmap->width, bitmap->height);
      if (bitmap->alpha.empty())
        bitmap->alpha = std::move(alpha);
      else
        for (size_t i = 0; i < pixels; ++i) bitmap->alpha[i] = std::min(bitmap->alpha[i], alpha[i]);
    }
  }
  out.bitmap = bitmap;
  return out;
}

}  // namespace refconv::pdf
