// A PDF image (an Image XObject or an inline image, ISO 32000-1, 8.9) as pixels: samples of 1
// to 16 bits in any colour space, Decode arrays, stencil masks painted in the fill colour,
// colour-key masks, stencil and soft masks. JPEG, and CCITT fax data wrapped as TIFF, come
// through the platform's decoder; what no decoder here reads (JPEG 2000, JBIG2) is named so
// that the page can say so.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Hpgl.h"
#include "core/pdf/ColorSpaces.h"
#include "core/pdf/Document.h"

namespace refconv::pdf {

// Decoders the platform has for compressed pictures (WIC on Windows).
class PictureCodecs {
 public:
  virtual ~PictureCodecs() = default;
  // A picture file's pixels as RGB (JPEG, and TIFF, which carries CCITT fax data), taken
  // smaller by the decoder where they would pass `mostPixels`; nothing when it cannot be read.
  virtual std::optional<Bitmap> decode(std::string_view file, double mostPixels) = 0;
};

// CCITT fax data (a CCITTFaxDecode filter's, with its parameters) as a TIFF file that holds it
// as it is, for a picture decoder to read; empty for parameters no TIFF can say.
std::string tiffOfFax(std::string_view data, const Dict* parameters, int width, int height);

// Past this many pixels an image is taken at every second (third...) sample.
inline constexpr double kMostImagePixels = 24e6;

struct ImageSource {
  const Dict* dict = nullptr;  // the stream's or the inline image's dictionary (abbreviated keys too)
  std::string data;            // after every filter but a picture codec's
  std::string codec;           // DCTDecode, JPXDecode, JBIG2Decode, CCITTFaxDecode; empty for none
  Object codecParameters;      // the codec's DecodeParms
};

struct DecodedImage {
  std::shared_ptr<Bitmap> bitmap;  // none: not drawn
  std::string skipped;             // why it was not drawn, when a codec was missing
  bool reduced = false;            // taken at fewer samples than it has
};

// `space`: the image's colour space, its resource name already looked up (none for a stencil
// mask); `stencil`: the fill colour a stencil mask paints in; `isOwnMask`: the image is
// another's mask, whose own masks are not read.
DecodedImage decodeImage(Document& document, const ImageSource& image, const ColorSpace* space, uint32_t stencil,
                         PictureCodecs* codecs, bool isOwnMask = false);

// A stream's data through its filters up to a picture codec, which is named.
ImageSource imageSourceOf(Document& document, const Object& stream);

}  // namespace refconv::pdf
