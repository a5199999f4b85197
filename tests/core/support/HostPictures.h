// JPEG and TIFF pictures decoded by the host's libjpeg and libtiff, standing in natively for
// the WIC decoder the converter has on Windows.
#pragma once

#include <jpeglib.h>
#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <csetjmp>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>
#include <string_view>

#include "core/Bitmaps.h"
#include "core/pdf/Images.h"

namespace refconv::test {

class HostPictures : public pdf::PictureCodecs {
 public:
  std::optional<Bitmap> decode(std::string_view data, double mostPixels) override {
    const bool fax = data.substr(0, 2) == "II" || data.substr(0, 2) == "MM";
    std::optional<Bitmap> full = fax ? tiff(data) : jpeg(data);
    const int step = full ? reductionFor(full->width, full->height, mostPixels) : 1;
    if (step == 1) return full;
    if (fax)
      return reducedByInk(full->width, full->height, step, [&](int x, int y) {
        return full->rgb[(static_cast<size_t>(y) * full->width + x) * 3] < 128;
      });
    // A photograph by the nearest pixel of each block.
    Bitmap small;
    small.width = (full->width + step - 1) / step, small.height = (full->height + step - 1) / step;
    for (int y = 0; y < small.height; ++y)
      for (int x = 0; x < small.width; ++x) {
        const uint8_t* p =
            &full->rgb[(static_cast<size_t>(y) * step * full->width + static_cast<size_t>(x) * step) * 3];
        small.rgb.insert(small.rgb.end(), p, p + 3);
      }
    return small;
  }

 private:
  static std::optional<Bitmap> tiff(std::string_view data) {
    // libtiff reads from a descriptor: the bytes in a file of memory.
    const int fd = memfd_create("picture", 0);
    if (fd < 0 || write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
      if (fd >= 0) close(fd);
      return std::nullopt;
    }
    lseek(fd, 0, SEEK_SET);
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFF* file = TIFFFdOpen(fd, "picture", "r");
    std::optional<Bitmap> out;
    uint32_t w = 0, h = 0;
    if (file && TIFFGetField(file, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(file, TIFFTAG_IMAGELENGTH, &h) && w > 0 &&
        h > 0 && static_cast<double>(w) * h <= 2e8) {
      std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
      if (TIFFReadRGBAImageOriented(file, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
        out.emplace();
        out->width = static_cast<int>(w), out->height = static_cast<int>(h);
        for (const uint32_t p : raster)
          out->rgb.insert(out->rgb.end(), {static_cast<uint8_t>(TIFFGetR(p)), static_cast<uint8_t>(TIFFGetG(p)),
                                           static_cast<uint8_t>(TIFFGetB(p))});
      }
    }
    if (file) TIFFClose(file);
    close(fd);
    return out;
  }

  static std::optional<Bitmap> jpeg(std::string_view data) {
    struct Failed {
      jpeg_error_mgr manager;
      std::jmp_buf back;
    } errors;
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = [](j_common_ptr common) {
      std::longjmp(reinterpret_cast<Failed*>(common->err)->back, 1);
    };
    errors.manager.output_message = [](j_common_ptr) {};
    // Made before setjmp, so that what an error's longjmp leaves behind is freed with it.
    const auto bitmap = std::make_unique<Bitmap>();
    if (setjmp(errors.back)) {
      jpeg_destroy_decompress(&info);
      return std::nullopt;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    if (static_cast<double>(info.image_width) * info.image_height > 2e8) {
      jpeg_destroy_decompress(&info);
      return std::nullopt;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    bitmap->width = static_cast<int>(info.output_width);
    bitmap->height = static_cast<int>(info.output_height);
    // The row buffer is libjpeg's own, freed with it: an error's longjmp skips our destructors.
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * info.output_components, 1);
    const unsigned char* row = rows[0];
    bitmap->rgb.reserve(static_cast<size_t>(bitmap->width) * bitmap->height * 3);
    while (info.output_scanline < info.output_height) {
      jpeg_read_scanlines(&info, rows, 1);
      for (size_t x = 0; x < info.output_width; ++x) {
        if (!cmyk) {
          bitmap->rgb.insert(bitmap->rgb.end(), &row[x * 3], &row[x * 3 + 3]);
          continue;
        }
        // Adobe's CMYK JPEGs hold the inks inverted.
        const unsigned k = row[x * 4 + 3];
        for (int c = 0; c < 3; ++c) bitmap->rgb.push_back(static_cast<uint8_t>(row[x * 4 + c] * k / 255));
      }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return std::move(*bitmap);
  }
};

}  // namespace refconv::test
