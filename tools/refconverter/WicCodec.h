// Pictures through WIC, the system's imaging codecs: TIFF, JPEG, BMP, PNG and GIF read and
// written, and pictures to and from the core's RGB rows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/CommandFile.h"
#include "core/Raster.h"
#include "core/pdf/Images.h"

namespace refconv {

// The containers the system's codecs write.
enum class PictureFormat { Png, Tiff, Jpeg, Bmp, Gif };

struct Picture {
  UINT width = 0, height = 0;
  double dpi = 96;
  std::vector<BYTE> bgra;  // 32 bits a pixel, top row first
};

// Whether the bytes are a picture WIC reads (by their first bytes).
bool isPicture(const std::string& bytes);
Picture decodePicture(const std::string& bytes);

// A PDF's JPEG pictures and CCITT fax data (as TIFF), decoded by WIC.
class WicPictureCodecs : public pdf::PictureCodecs {
 public:
  std::optional<Bitmap> decode(std::string_view file, double mostPixels) override;
};
// Pictures in a format's container, made one at a time by `next` (false when there are no
// more), so that a file of many pages never holds them all; formats of one picture take
// the first.
std::string encodePictures(const std::function<bool(Picture&)>& next, PictureFormat format);
std::string encodePicture(const Picture& picture, PictureFormat format);
// Core pictures are RGB rows; WIC takes them as BGRA.
Picture pictureOf(const Image& image);
// WIC's BGRA as the core's RGB rows, on white where the picture is see-through.
Image imageOf(const Picture& picture);

}  // namespace refconv
