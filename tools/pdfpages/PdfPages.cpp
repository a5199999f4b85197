// Draws a PDF's pages as the reference converter does, natively, one PPM a page: the PDF
// corpus check compares them with another reader's pictures, and a developer looks at them.
//   pdf_pages FILE.pdf OUT-PREFIX [DPI]   writes OUT-PREFIX-1.ppm ... and prints the log's note
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "core/Raster.h"
#include "core/pdf/Reader.h"
#include "support/HostCrypto.h"
#include "support/HostFonts.h"
#include "support/HostPictures.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: pdf_pages FILE.pdf OUT-PREFIX [DPI]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const double dpi = argc > 3 ? std::stod(argv[3]) : 100;
  refconv::test::HostFonts fonts;
  refconv::test::HostPictures jpeg;
  refconv::test::HostCrypto crypto;
  const refconv::pdf::PdfReading reading = refconv::pdf::readPdf(std::move(bytes), {&fonts, &jpeg, &crypto});
  if (!reading.failure.empty()) {
    std::printf("FAILED  %s\n", reading.failure.c_str());
    return 1;
  }
  for (size_t i = 0; i < reading.drawing.pages.size(); ++i) {
    const refconv::Image image = refconv::rasterize(reading.drawing.pages[i], dpi, 20000);
    std::ofstream out(std::string(argv[2]) + "-" + std::to_string(i + 1) + ".ppm", std::ios::binary);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  }
  std::printf("OK%s\n", reading.note.c_str());
  return 0;
}
