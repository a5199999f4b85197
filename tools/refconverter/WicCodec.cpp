#include "WicCodec.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>

#include "Conversion.h"
#include "core/Bitmaps.h"
#include "win/Handles.h"

namespace refconv {

using marlisk::win::ComPtr;

namespace {

// One a thread: each conversion thread has its own COM apartment.
IWICImagingFactory* factory() {
  thread_local IWICImagingFactory* instance = [] {
    IWICImagingFactory* f = nullptr;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&f)),
          "starting the imaging codecs");
    return f;
  }();
  return instance;
}

void encodeFrame(IWICBitmapEncoder* encoder, const Picture& picture, PictureFormat format) {
  ComPtr<IWICBitmap> bitmap;
  check(factory()->CreateBitmapFromMemory(picture.width, picture.height, GUID_WICPixelFormat32bppBGRA,
                                          picture.width * 4, static_cast<UINT>(picture.bgra.size()),
                                          const_cast<BYTE*>(picture.bgra.data()), bitmap.put()),
        "holding the picture");
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  check(encoder->CreateNewFrame(frame.put(), options.put()), "making a frame");
  if (format == PictureFormat::Png && options) {
    // Drawings are mostly white: one cheap filter compresses them as well as the adaptive
    // choice, in a fraction of the time.
    PROPBAG2 option = {};
    option.pstrName = const_cast<LPOLESTR>(L"FilterOption");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_UI1;
    value.bVal = WICPngFilterSub;
    options->Write(1, &option, &value);
  }
  check(frame->Initialize(options.get()), "making a frame");
  check(frame->SetSize(picture.width, picture.height), "sizing the frame");
  check(frame->SetResolution(picture.dpi, picture.dpi), "setting the resolution");
  // Each encoder names the pixel format it takes; the picture is converted to it.
  WICPixelFormatGUID wanted = format == PictureFormat::Gif    ? GUID_WICPixelFormat8bppIndexed
                              : format == PictureFormat::Jpeg ? GUID_WICPixelFormat24bppBGR
                                                              : GUID_WICPixelFormat32bppBGRA;
  if (format == PictureFormat::Bmp || format == PictureFormat::Tiff) wanted = GUID_WICPixelFormat24bppBGR;
  WICPixelFormatGUID accepted = wanted;
  check(frame->SetPixelFormat(&accepted), "choosing the pixel format");
  ComPtr<IWICPalette> palette;
  ComPtr<IWICFormatConverter> converter;
  check(factory()->CreateFormatConverter(converter.put()), "converting the picture");
  if (IsEqualGUID(accepted, GUID_WICPixelFormat8bppIndexed)) {
    check(factory()->CreatePalette(palette.put()), "making a palette");
    check(palette->InitializePredefined(WICBitmapPaletteTypeFixedWebPalette, FALSE), "making a palette");
    check(frame->SetPalette(palette.get()), "setting the palette");
    check(converter->Initialize(bitmap.get(), accepted, WICBitmapDitherTypeNone, palette.get(), 0,
                                WICBitmapPaletteTypeFixedWebPalette),
          "reducing the colours");
  } else {
    check(
        converter->Initialize(bitmap.get(), accepted, WICBitmapDitherTypeNone, nullptr, 0, WICBitmapPaletteTypeCustom),
        "converting the pixels");
  }
  check(frame->WriteSource(converter.get(), nullptr), "encoding the picture");
  check(frame->Commit(), "encoding the picture");
}

}  // namespace

bool isPicture(const std::string& b) {
  auto starts = [&](const char* magic, size_t n) { return b.size() >= n && b.compare(0, n, magic, n) == 0; };
  return starts("\x89PNG", 4) || starts("\xFF\xD8", 2) || starts("BM", 2) || starts("GIF8", 4) || starts("II*\0", 4) ||
         starts("MM\0*", 4);
}

Picture decodePicture(const std::string& bytes) {
  ComPtr<IWICStream> stream;
  check(factory()->CreateStream(stream.put()), "making a stream");
  check(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                     static_cast<DWORD>(bytes.size())),
        "reading the picture");
  ComPtr<IWICBitmapDecoder> decoder;
  check(factory()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()),
        "decoding the picture");
  ComPtr<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, frame.put()), "decoding the picture's first frame");
  ComPtr<IWICFormatConverter> converter;
  check(factory()->CreateFormatConverter(converter.put()), "converting the picture");
  check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                              WICBitmapPaletteTypeCustom),
        "converting the picture");
  Picture picture;
  check(converter->GetSize(&picture.width, &picture.height), "reading the picture's size");
  if (picture.width == 0 || picture.height == 0 || picture.width > 30000 || picture.height > 30000 ||
      static_cast<double>(picture.width) * picture.height > 200e6)
    throw Failure{"the picture's size is out of range"};
  double dx = 96, dy = 96;
  if (SUCCEEDED(frame->GetResolution(&dx, &dy)) && dx > 1 && dx < 10000) picture.dpi = dx;
  picture.bgra.resize(static_cast<size_t>(picture.width) * picture.height * 4);
  check(converter->CopyPixels(nullptr, picture.width * 4, static_cast<UINT>(picture.bgra.size()), picture.bgra.data()),
        "decoding the picture's pixels");
  return picture;
}

std::optional<Bitmap> WicPictureCodecs::decode(std::string_view file, double mostPixels) {
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  // A TIFF here is fax data: read a band at a time, so that a large scan never lies whole in memory.
  const bool fax = file.substr(0, 2) == "II" || file.substr(0, 2) == "MM";
  UINT w = 0, h = 0;
  if (FAILED(factory()->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                                          static_cast<DWORD>(file.size()))) ||
      FAILED(
          factory()->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory()->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 100000 || h > 100000 ||
      static_cast<double>(w) * h > 2e9)
    return std::nullopt;
  const int step = reductionFor(static_cast<int>(w), static_cast<int>(h), mostPixels);
  if (fax) {
    // A band of rows at a time, each block black when any of its pixels is.
    const UINT stride = w * 4, band = static_cast<UINT>(step) * 64;
    std::vector<BYTE> rows(static_cast<size_t>(stride) * band);
    Bitmap out;
    out.width = static_cast<int>((w + step - 1) / step), out.height = static_cast<int>((h + step - 1) / step);
    out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0xFF);
    for (UINT top = 0; top < h; top += band) {
      const WICRect rect = {0, static_cast<INT>(top), static_cast<INT>(w), static_cast<INT>(std::min(band, h - top))};
      if (FAILED(converter->CopyPixels(&rect, stride, static_cast<UINT>(rows.size()), rows.data())))
        return std::nullopt;
      for (INT y = 0; y < rect.Height; ++y)
        for (UINT x = 0; x < w; ++x)
          if (rows[static_cast<size_t>(y) * stride + x * 4] < 128) {
            BYTE* p = &out.rgb[(static_cast<size_t>((top + y) / step) * out.width + x / step) * 3];
            p[0] = p[1] = p[2] = 0;
          }
    }
    return out;
  }
  // A photograph past the bound is scaled by WIC, averaging, before its pixels are copied.
  ComPtr<IWICBitmapScaler> scaler;
  IWICBitmapSource* source = converter.get();
  if (step > 1) {
    w = (w + step - 1) / step, h = (h + step - 1) / step;
    if (FAILED(factory()->CreateBitmapScaler(scaler.put())) ||
        FAILED(scaler->Initialize(converter.get(), w, h, WICBitmapInterpolationModeFant)))
      return std::nullopt;
    source = scaler.get();
  }
  const UINT stride = w * 4;
  std::vector<BYTE> bgra(static_cast<size_t>(stride) * h);
  if (FAILED(source->CopyPixels(nullptr, stride, static_cast<UINT>(bgra.size()), bgra.data()))) return std::nullopt;
  Bitmap bitmap;
  bitmap.width = static_cast<int>(w), bitmap.height = static_cast<int>(h);
  bitmap.rgb.resize(static_cast<size_t>(w) * h * 3);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x)
      for (UINT k = 0; k < 3; ++k)
        bitmap.rgb[(static_cast<size_t>(y) * w + x) * 3 + k] = bgra[y * stride + x * 4 + 2 - k];
  return bitmap;
}

std::string encodePictures(const std::function<bool(Picture&)>& next, PictureFormat format) {
  GUID container;
  switch (format) {
    case PictureFormat::Png: container = GUID_ContainerFormatPng; break;
    case PictureFormat::Tiff: container = GUID_ContainerFormatTiff; break;
    case PictureFormat::Jpeg: container = GUID_ContainerFormatJpeg; break;
    case PictureFormat::Bmp: container = GUID_ContainerFormatBmp; break;
    case PictureFormat::Gif: container = GUID_ContainerFormatGif; break;
    default: throw Failure{"not a picture format"};
  }
  ComPtr<IStream> memory;
  check(CreateStreamOnHGlobal(nullptr, TRUE, memory.put()), "making a memory stream");
  ComPtr<IWICBitmapEncoder> encoder;
  check(factory()->CreateEncoder(container, nullptr, encoder.put()), "starting the encoder");
  check(encoder->Initialize(memory.get(), WICBitmapEncoderNoCache), "starting the encoder");
  Picture picture;
  for (int frame = 0; next(picture); ++frame) {
    encodeFrame(encoder.get(), picture, format);
    if (format != PictureFormat::Tiff) break;
  }
  check(encoder->Commit(), "encoding the picture");
  HGLOBAL global = nullptr;
  check(GetHGlobalFromStream(memory.get(), &global), "reading the encoded picture");
  STATSTG stat = {};
  memory->Stat(&stat, STATFLAG_NONAME);
  const auto* data = static_cast<const char*>(GlobalLock(global));
  std::string bytes(data, static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(global);
  return bytes;
}

std::string encodePicture(const Picture& picture, PictureFormat format) {
  bool given = false;
  return encodePictures(
      [&](Picture& out) {
        if (given) return false;
        out = picture;
        return given = true;
      },
      format);
}

Picture pictureOf(const Image& image) {
  Picture picture;
  picture.width = static_cast<UINT>(image.width);
  picture.height = static_cast<UINT>(image.height);
  picture.dpi = image.dpi;
  picture.bgra.resize(static_cast<size_t>(image.width) * image.height * 4);
  for (size_t i = 0, j = 0; i < image.rgb.size(); i += 3, j += 4) {
    picture.bgra[j] = image.rgb[i + 2];
    picture.bgra[j + 1] = image.rgb[i + 1];
    picture.bgra[j + 2] = image.rgb[i];
    picture.bgra[j + 3] = 0xFF;
  }
  return picture;
}

Image imageOf(const Picture& picture) {
  Image image;
  image.width = static_cast<int>(picture.width);
  image.height = static_cast<int>(picture.height);
  image.dpi = picture.dpi;
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  for (size_t i = 0, j = 0; j < picture.bgra.size(); i += 3, j += 4) {
    const unsigned alpha = picture.bgra[j + 3];
    for (int k = 0; k < 3; ++k)
      image.rgb[i + static_cast<size_t>(k)] = static_cast<uint8_t>(
          (picture.bgra[j + 2 - static_cast<size_t>(k)] * alpha + 255 * (255 - alpha) + 127) / 255);
  }
  return image;
}

}  // namespace refconv
