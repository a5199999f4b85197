// The reference converter, run as the program runs a viewer: each output type from each
// input family, decoded back by the platform; the log and exit code of lines that fail; and
// its drawings against Debian's hp2xx.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>

#include "support/TestFolder.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace marlisk::win {
namespace {

using test::TestFolder;

std::string sample(const std::string& name) { return test::exeFolder() + "\\samples\\" + name; }

DWORD runConverter(const std::string& commandFile) {
  std::wstring commandLine = widen("\"" + test::exeFolder() + "\\RefConverter.exe\" /z \"" + commandFile + "\"");
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  UniqueHandle processHandle(process.hProcess), thread(process.hThread);
  WaitForSingleObject(processHandle.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(processHandle.get(), &code);
  return code;
}

// A command file in the ANSI code page, as the program writes it.
void writeCommandFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  const std::wstring wide = widen(text);
  std::string ansi(wide.size() * 2 + 1, '\0');
  ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                                      ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr)));
  test::writeFile(path, ansi);
}

std::string line(const std::string& input, const std::string& output) {
  return "/p \"" + input + "\" \"" + output + "\"";
}

// Pixels decoded by WIC, 32-bit BGRA.
struct Pixels {
  UINT width = 0, height = 0;
  std::vector<BYTE> bgra;
  bool ink(UINT x, UINT y) const {
    const BYTE* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
    return p[0] + p[1] + p[2] < 3 * 200;
  }
};

std::optional<Pixels> decode(const std::string& path) {
  IWICImagingFactory* factory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
    return std::nullopt;
  ComPtr<IWICImagingFactory> owner;
  *owner.put() = factory;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(widen(path).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())))
    return std::nullopt;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)))
    return std::nullopt;
  Pixels pixels;
  converter->GetSize(&pixels.width, &pixels.height);
  pixels.bgra.resize(static_cast<size_t>(pixels.width) * pixels.height * 4);
  if (FAILED(
          converter->CopyPixels(nullptr, pixels.width * 4, static_cast<UINT>(pixels.bgra.size()), pixels.bgra.data())))
    return std::nullopt;
  return pixels;
}

// Plays a metafile onto a white 400 x 400 picture and counts the pixels it changed.
int inkOfPlayback(const std::function<void(HDC, const RECT&)>& play) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 400, -400, 1, 32, BI_RGB};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 400, 400};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  play(dc, all);
  GdiFlush();
  int ink = 0;
  const auto* p = static_cast<const DWORD*>(bits);
  for (int i = 0; i < 400 * 400; ++i)
    if ((p[i] & 0xFFFFFF) != 0xFFFFFF) ++ink;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return ink;
}

int inkOfEmf(const std::string& path) {
  HENHMETAFILE emf = GetEnhMetaFileW(widen(path).c_str());
  if (!emf) return -1;
  const int ink = inkOfPlayback([&](HDC dc, const RECT& r) { PlayEnhMetaFile(dc, emf, &r); });
  DeleteEnhMetaFile(emf);
  return ink;
}

int inkOfWmf(const std::string& path) {
  std::string bytes = test::readFile(path);
  if (bytes.size() < 22 || bytes.compare(0, 4, "\xD7\xCD\xC6\x9A") != 0) return -1;  // the placeable header
  const auto* header = reinterpret_cast<const WORD*>(bytes.data());
  const int w = header[5] - header[3], h = header[6] - header[4];
  HMETAFILE wmf =
      SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - 22), reinterpret_cast<const BYTE*>(bytes.data() + 22));
  if (!wmf) return -1;
  const int ink = inkOfPlayback([&](HDC dc, const RECT& r) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, w, h, nullptr);
    SetViewportExtEx(dc, r.right, r.bottom, nullptr);
    PlayMetaFile(dc, wmf);
  });
  DeleteMetaFile(wmf);
  return ink;
}

// A structural check of a PDF: header, trailer, and a cross-reference table whose every
// entry points at its object.
void expectSoundPdf(const std::string& path) {
  const std::string pdf = test::readFile(path);
  ASSERT_EQ(pdf.rfind("%PDF-1.", 0), 0u) << path;
  ASSERT_GE(pdf.size(), 6u);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n") << path;
  const size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const size_t xref = std::strtoul(pdf.c_str() + startxref + 10, nullptr, 10);
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0) << path;
  int first = 0, count = 0;
  ASSERT_EQ(std::sscanf(pdf.c_str() + xref + 5, "%d %d", &first, &count), 2);
  size_t entry = pdf.find('\n', xref + 5) + 1 + 20;  // after the free entry
  for (int object = 1; object < count; ++object, entry += 20) {
    const size_t offset = std::strtoul(pdf.c_str() + entry, nullptr, 10);
    EXPECT_EQ(pdf.compare(offset, std::to_string(object).size() + 6, std::to_string(object) + " 0 obj"), 0)
        << path << " object " << object;
  }
  EXPECT_NE(pdf.find("/Type /Catalog"), std::string::npos);
}

void expectSoundSvg(const std::string& path) {
  const std::string svg = test::readFile(path);
  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u) << path;
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n") << path;
  EXPECT_EQ(std::count(svg.begin(), svg.end(), '<'), std::count(svg.begin(), svg.end(), '>')) << path;
  EXPECT_NE(svg.find("<path d=\"M"), std::string::npos) << path;
}

class RefConverterTest : public ::testing::Test {
 protected:
  RefConverterTest() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~RefConverterTest() override { CoUninitialize(); }
  TestFolder root;
};

TEST_F(RefConverterTest, EveryOutputTypeFromEachInputFamilyDecodes) {
  struct Input {
    const char* file;
    UINT width, height;  // of the pictures made from it
    bool vector;
  };
  const Input inputs[] = {{"gear-plate.hgl", 1256, 1111, true}, {"site-plan-pcl.hgl", 0, 0, true},
                          {"scan.png", 480, 340, false},        {"scan.jpg", 480, 340, false},
                          {"scan.tif", 480, 340, false},        {"scan.gif", 480, 340, false},
                          {"scan.bmp", 480, 340, false}};
  const char* pictures[] = {"png", "tif", "jpg", "bmp", "gif"};
  std::vector<std::string> lines;
  for (const Input& input : inputs) {
    for (const char* type : {"png", "tif", "jpg", "bmp", "gif", "pdf", "emf", "wmf", "svg"}) {
      if (!input.vector && std::string(type) == "svg") continue;
      lines.push_back(line(sample(input.file), root / (std::string(input.file) + "." + type)));
    }
  }
  writeCommandFile(root / "MarComline.txt", lines);
  ASSERT_EQ(runConverter(root / "MarComline.txt"), 0u) << test::readFile(root / "MarComline.log");
  for (const Input& input : inputs) {
    const std::string base = root / input.file;
    for (const char* type : pictures) {
      const std::optional<Pixels> pixels = decode(base + "." + type);
      ASSERT_TRUE(pixels) << base << "." << type;
      if (input.width) {
        EXPECT_EQ(pixels->width, input.width) << base << "." << type;
        EXPECT_EQ(pixels->height, input.height) << base << "." << type;
      }
      size_t ink = 0;
      for (UINT y = 0; y < pixels->height; y += 3)
        for (UINT x = 0; x < pixels->width; x += 3) ink += pixels->ink(x, y);
      EXPECT_GT(ink, 50u) << base << "." << type;
    }
    EXPECT_GT(inkOfEmf(base + ".emf"), 500) << base;
    EXPECT_GT(inkOfWmf(base + ".wmf"), 500) << base;
    expectSoundPdf(base + ".pdf");
    if (input.vector) expectSoundSvg(base + ".svg");
  }
  EXPECT_EQ(test::listFolder(root.path()).find(".part"), std::string::npos);

  // An instrument's screen print: a PCL job of raster rows alone, PackBits rows, is a picture.
  std::string job =
      "\x1B"
      "E\x1B*t100R\x1B*r64S\x1B*r1A\x1B*b2M";
  for (int y = 0; y < 32; ++y) job += std::string("\x1B*b2W") + char(-7) + char(y % 2 ? 0xF0 : 0x0F);
  test::writeFile(root / "screen.prn", job +
                                           "\x1B*rB\x1B"
                                           "E");
  writeCommandFile(root / "screen.txt",
                   {line(root / "screen.prn", root / "screen.png"), line(root / "screen.prn", root / "screen.pdf")});
  ASSERT_EQ(runConverter(root / "screen.txt"), 0u) << test::readFile(root / "screen.log");
  const std::optional<Pixels> screen = decode(root / "screen.png");
  ASSERT_TRUE(screen);
  EXPECT_EQ(std::pair(screen->width, screen->height), std::pair(64u, 32u));
  EXPECT_TRUE(screen->ink(4, 0) && !screen->ink(0, 0) && screen->ink(0, 1));
  expectSoundPdf(root / "screen.pdf");
}

TEST_F(RefConverterTest, FailedLinesAreLoggedAndSetTheExitCode) {
  test::writeFile(root / "notes.hgl", "%PDF-1.4 this is no plotter file");
  test::writeFile(root / "empty.hgl", "");
  test::writeFile(root / "old.pdf", "the previous output");
  writeCommandFile(root / "MarComline.txt",
                   {line(sample("flange.hgl"), root / "flange.dwg"), line(root / "missing.hgl", root / "missing.pdf"),
                    line(root / "notes.hgl", root / "notes.pdf"), line(root / "empty.hgl", root / "old.pdf"),
                    "/p \"" + sample("flange.hgl") + "\"", line(sample("flange.hgl"), root / "no folder\\flange.pdf"),
                    line(sample("flange.hgl"), root / "図面 出力.pdf")});
  EXPECT_EQ(runConverter(root / "MarComline.txt"), 1u);
  const std::string log = test::readFile(root / "MarComline.log");
  for (const char* expected :
       {"1\tFAILED  the output type is not supported\t", "2\tFAILED  cannot open the input",
        "3\tFAILED  the PDF has no document catalog",
        "4\tFAILED  the input is neither a picture, a plotter file nor a PDF", "5\tFAILED  not a conversion line",
        "6\tFAILED  cannot create the output", "7\tOK      PDF\t"})
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
  EXPECT_NE(log.find("図面 出力.pdf"), std::string::npos);             // the log is UTF-8
  EXPECT_EQ(test::readFile(root / "old.pdf"), "the previous output");  // a failed line leaves it alone
  EXPECT_EQ(test::listFolder(root.path()), "MarComline.log MarComline.txt empty.hgl notes.hgl old.pdf 図面 出力.pdf");
  // A command file that cannot be read leaves no log behind: there is nothing for it to sit beside.
  EXPECT_EQ(runConverter(root / "nothing.txt"), 2u);
  EXPECT_EQ(runConverter(root.path() + "\\"), 2u);
  EXPECT_EQ(test::listFolder(root.path()), "MarComline.log MarComline.txt empty.hgl notes.hgl old.pdf 図面 出力.pdf");

  // A Windows program: no console window comes up for each conversion run.
  const std::string exe = test::readFile(test::exeFolder() + "\\RefConverter.exe");
  ASSERT_GT(exe.size(), 0x100u);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(exe.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(exe.data() + dos->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

// The lines run on several threads: the log still follows the command file, and lines that
// write one output do so in their order, the last one's drawing staying.
TEST_F(RefConverterTest, LinesRunTogetherYetLogAndOverwriteInOrder) {
  test::writeFile(root / "across.hgl", "IN;SP1;PU0,0;PD4000,0;");
  test::writeFile(root / "up.hgl", "IN;SP1;PU0,0;PD0,4000;");
  std::vector<std::string> lines;
  for (int i = 1; i <= 16; ++i)
    lines.push_back(i % 5 == 0 ? line(root / (i == 15 ? "up.hgl" : "across.hgl"), root / "same.svg")
                               : line(sample("flange.hgl"), root / ("out" + std::to_string(i) + ".png")));
  writeCommandFile(root / "MarComline.txt", lines);
  EXPECT_EQ(runConverter(root / "MarComline.txt"), 0u);
  const std::string log = "\n" + test::readFile(root / "MarComline.log").substr(3);  // past the BOM
  size_t at = 0;
  for (int i = 1; i <= 16; ++i) {
    const size_t found = log.find("\n" + std::to_string(i) + "\tOK", at);
    ASSERT_NE(found, std::string::npos) << i << "\n" << log;
    at = found + 1;
  }
  const std::string svg = test::readFile(root / "same.svg");
  EXPECT_EQ(svg, [&] {  // what up.hgl alone makes
    writeCommandFile(root / "one.txt", {line(root / "up.hgl", root / "alone.svg")});
    runConverter(root / "one.txt");
    return test::readFile(root / "alone.svg");
  }());
}

// A plot of three pages: a PDF page and a TIFF frame each; the one-page formats take the
// first and the log says so.
TEST_F(RefConverterTest, PagesGoToTheFormatsThatHoldThem) {
  std::vector<std::string> lines;
  for (const char* type : {"pdf", "tif", "png", "svg"})
    lines.push_back(line(sample("corpus\\pages.hgl"), root / (std::string("pages.") + type)));
  writeCommandFile(root / "MarComline.txt", lines);
  ASSERT_EQ(runConverter(root / "MarComline.txt"), 0u);
  const std::string log = test::readFile(root / "MarComline.log");
  EXPECT_NE(log.find("1\tOK      PDF\t"), std::string::npos) << log;
  EXPECT_NE(log.find("2\tOK      TIFF\t"), std::string::npos) << log;
  EXPECT_NE(log.find("3\tOK      PNG (the first of 3 pages)\t"), std::string::npos) << log;
  EXPECT_NE(log.find("4\tOK      SVG (the first of 3 pages)\t"), std::string::npos) << log;
  EXPECT_NE(test::readFile(root / "pages.pdf").find("/Type /Pages /Kids [3 0 R 5 0 R 7 0 R] /Count 3"),
            std::string::npos);
  ComPtr<IWICImagingFactory> factory;
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory.put())));
  ComPtr<IWICBitmapDecoder> decoder;
  ASSERT_HRESULT_SUCCEEDED(factory->CreateDecoderFromFilename(widen(root / "pages.tif").c_str(), nullptr, GENERIC_READ,
                                                              WICDecodeMetadataCacheOnDemand, decoder.put()));
  UINT frames = 0;
  decoder->GetFrameCount(&frames);
  EXPECT_EQ(frames, 3u);
}

TEST_F(RefConverterTest, HostileInputsNeitherCrashItNorWriteElsewhere) {
  std::mt19937 random(20261208);
  std::vector<std::string> lines;
  const std::string seeds[] = {"IN;SP1;PD",
                               "\x1B%1BIN;PE",
                               "IN;SC0,0,0,0;PD1,1;CI1e300;",
                               "IN;LB",
                               "\x89PNG\r\n\x1A\n",
                               "\xFF\xD8\xFF\xE0",
                               "GIF89a\xFF\xFF\xFF\xFF",
                               "BM\xFF\xFF\xFF\xFF",
                               "II*\0\xFF\xFF\xFF\x7F"};
  int n = 0;
  for (const std::string& seed : seeds) {
    for (int i = 0; i < 4; ++i, ++n) {
      std::string bytes = seed;
      for (int k = 0; k < 2000; ++k) bytes += static_cast<char>(random() % 256);
      const std::string input = root / ("in\\" + std::to_string(n) + ".hgl");
      test::makeFolder(root / "in");
      test::writeFile(input, bytes);
      lines.push_back(line(input, root / ("out\\" + std::to_string(n) + (i % 2 ? ".png" : ".svg"))));
    }
  }
  test::makeFolder(root / "out");
  writeCommandFile(root / "MarComline.txt", lines);
  const DWORD code = runConverter(root / "MarComline.txt");
  EXPECT_TRUE(code == 0 || code == 1) << std::hex << code;
  const std::string made = test::listFolder(root / "out") + " ";
  EXPECT_EQ(made.find(".part"), std::string::npos);
  for (size_t start = 0, end; (end = made.find(' ', start)) != std::string::npos; start = end + 1) {
    const std::string name = made.substr(start, end - start);
    if (!name.empty()) {
      EXPECT_TRUE(name.ends_with(".png") || name.ends_with(".svg")) << name;
    }
  }
  EXPECT_EQ(test::listFolder(root.path()), "MarComline.log MarComline.txt in\\ out\\");
}

// Each drawing is rendered at 100 dpi by both converters; the ink of each, trimmed to its
// own extent, must lie within 2 pixels of the other's for all but a few per cent of pixels.
// scripts/test gives both the same copies of the samples without labels and line types
// (hp2xx strokes its own font and dashes its own way) and hp2xx's pictures of them.
// Ink masks of two pictures, each trimmed to its drawing, compared with hp2xx's: the share
// of each one's ink the other has within two pixels, at the best of the small offsets that
// one stray dot at an edge makes between the two trims.
struct InkMask {
  int width = 0, height = 0;
  std::vector<char> ink;
  bool at(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && ink[static_cast<size_t>(y) * width + x];
  }
};

InkMask trimmedInk(const Pixels& p) {
  // Any colour at all is ink: shades and light pens too.
  auto inked = [&](UINT x, UINT y) {
    const BYTE* q = &p.bgra[(static_cast<size_t>(y) * p.width + x) * 4];
    return q[0] < 245 || q[1] < 245 || q[2] < 245;
  };
  UINT left = p.width, top = p.height, right = 0, bottom = 0;
  for (UINT y = 0; y < p.height; ++y)
    for (UINT x = 0; x < p.width; ++x)
      if (inked(x, y))
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
  InkMask m;
  if (right < left) return m;
  m.width = static_cast<int>(right - left + 1);
  m.height = static_cast<int>(bottom - top + 1);
  m.ink.resize(static_cast<size_t>(m.width) * m.height);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) m.ink[static_cast<size_t>(y) * m.width + x] = inked(left + x, top + y);
  return m;
}

// The share (percent) of `from`'s ink that `in` has within two pixels, `in` moved by (dx, dy).
double covered(const InkMask& from, const InkMask& in, int dx, int dy) {
  long total = 0, found = 0;
  for (int y = 0; y < from.height; ++y)
    for (int x = 0; x < from.width; ++x) {
      if (!from.at(x, y)) continue;
      ++total;
      bool hit = false;
      for (int v = -2; v <= 2 && !hit; ++v)
        for (int u = -2; u <= 2 && !hit; ++u) hit = in.at(x + u + dx, y + v + dy);
      found += hit;
    }
  return total ? 100.0 * found / total : 100;
}

// Every file of the corpus (samples/corpus: each family of commands, and plotter files of
// GNU plotutils and gnuplot) and the plain samples, against hp2xx. Where hp2xx draws a
// command other than the HP-GL/2 manual defines it, both draw the file's hp2xx form
// (samples/corpus/hp2xx, made by tools/samples/make-samples.py), which leaves that command
// out or says it in words hp2xx reads right, and the core tests check it against the
// manual instead. hp2xx is wrong on: subpolygon fills, FP's non-zero rule, wedge fills,
// negative hatch angles, WU's relative widths, the white pen, IR, three-point arcs, BR,
// encoded polylines, RO, SR and SD sizes, P1-P2 where a file leaves them to the plotter,
// and PCL jobs. The site plan's PCL job is not compared: hp2xx draws even its HP-GL/2
// alone ten times too large.
TEST_F(RefConverterTest, DrawingsAgreeWithHp2xx) {
  const char* folder = std::getenv("MARLISK_HP2XX_DIR");
  ASSERT_NE(folder, nullptr) << "scripts/test renders the corpus with hp2xx into MARLISK_HP2XX_DIR";
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(widen(std::string(folder) + "\\*.hgl").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    std::string name = narrow(found.cFileName);
    names.push_back(name.substr(0, name.size() - 4));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  ASSERT_GE(names.size(), 15u);
  std::vector<std::string> lines;
  for (const std::string& name : names)
    lines.push_back(line(std::string(folder) + "\\" + name + ".hgl", root / (name + ".png")));
  writeCommandFile(root / "MarComline.txt", lines);
  ASSERT_EQ(runConverter(root / "MarComline.txt"), 0u) << test::readFile(root / "MarComline.log");
  for (const std::string& name : names) {
    const std::optional<Pixels> ours = decode(root / (name + ".png"));
    const std::optional<Pixels> theirs = decode(std::string(folder) + "\\" + name + ".png");
    ASSERT_TRUE(ours && theirs) << name;
    const InkMask a = trimmedInk(*ours), b = trimmedInk(*theirs);
    ASSERT_GT(a.width, 0) << name;
    EXPECT_NEAR(a.width, b.width, 8) << name;
    EXPECT_NEAR(a.height, b.height, 8) << name;
    double oursCovered = 0, theirsCovered = 0;
    for (int dy = -4; dy <= 4; ++dy)
      for (int dx = -4; dx <= 4; ++dx) {
        const double o = covered(a, b, dx, dy), t = covered(b, a, -dx, -dy);
        if (o + t > oursCovered + theirsCovered) oursCovered = o, theirsCovered = t;
      }
    std::printf("  hp2xx comparison %-16s %4dx%-4d vs %4dx%-4d: %6.2f%% of ours, %6.2f%% of hp2xx's ink matched\n",
                name.c_str(), a.width, a.height, b.width, b.height, oursCovered, theirsCovered);
    EXPECT_GE(oursCovered, 90.0) << name;
    EXPECT_GE(theirsCovered, 90.0) << name;
  }
}

// Each PDF of the corpus as an enhanced metafile, played back by the platform's GDI, shows
// what the converter's own picture of it shows.
TEST_F(RefConverterTest, PdfCorpusMetafilesPlayBackAsTheirPictures) {
  const char* folder = std::getenv("MARLISK_PDF_CORPUS");
  ASSERT_NE(folder, nullptr) << "scripts/test names tests/data/pdf in MARLISK_PDF_CORPUS";
  std::vector<std::string> names, lines;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(widen(std::string(folder) + "\\*.pdf").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    const std::string name = narrow(found.cFileName);
    if (name.starts_with("damaged-") || name.starts_with("password-")) continue;
    names.push_back(name.substr(0, name.size() - 4));
    for (const char* type : {".png", ".emf"})
      lines.push_back(line(std::string(folder) + "\\" + name, root / (names.back() + type)));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  ASSERT_GE(names.size(), 15u);
  writeCommandFile(root / "MarComline.txt", lines);
  ASSERT_EQ(runConverter(root / "MarComline.txt"), 0u) << test::readFile(root / "MarComline.log");
  for (const std::string& name : names) {
    const std::optional<Pixels> picture = decode(root / (name + ".png"));
    ASSERT_TRUE(picture) << name;
    HENHMETAFILE emf = GetEnhMetaFileW(widen(root / (name + ".emf")).c_str());
    ASSERT_TRUE(emf) << name;
    // Played onto a white picture of the same size.
    Pixels played;
    played.width = picture->width, played.height = picture->height;
    BITMAPINFO info = {};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), static_cast<LONG>(played.width), -static_cast<LONG>(played.height), 1, 32, BI_RGB};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, static_cast<LONG>(played.width), static_cast<LONG>(played.height)};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &all);
    GdiFlush();
    played.bgra.assign(static_cast<const BYTE*>(bits),
                       static_cast<const BYTE*>(bits) + static_cast<size_t>(played.width) * played.height * 4);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    const InkMask a = trimmedInk(played), b = trimmedInk(*picture);
    ASSERT_GT(a.width, 0) << name;
    double playedCovered = 0, pictureCovered = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const double o = covered(a, b, dx, dy), t = covered(b, a, -dx, -dy);
        if (o + t > playedCovered + pictureCovered) playedCovered = o, pictureCovered = t;
      }
    std::printf("  EMF playback %-24s %6.2f%% of the metafile's, %6.2f%% of the picture's ink matched\n", name.c_str(),
                playedCovered, pictureCovered);
    EXPECT_GE(playedCovered, 85.0) << name;
    EXPECT_GE(pictureCovered, 85.0) << name;
  }
}

}  // namespace
}  // namespace marlisk::win
