#include "GdiFonts.h"

#include <windows.h>

#include <cstring>

namespace refconv {

namespace {

constexpr DWORD kCollection = 0x66637474;  // 'ttcf', read backwards as GDI takes table tags

uint32_t bigEndian(const std::string& bytes, size_t at) {
  if (at + 4 > bytes.size()) return 0;
  return (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8) | static_cast<uint8_t>(bytes[at + 3]);
}

std::string fontData(HDC dc, DWORD table) {
  const DWORD size = GetFontData(dc, table, 0, nullptr, 0);
  if (size == GDI_ERROR || size == 0) return {};
  std::string bytes(size, '\0');
  if (GetFontData(dc, table, 0, bytes.data(), size) != size) return {};
  return bytes;
}

// The selected font's whole file and its index in a collection: GDI gives a collection's font
// as its table directory (offsets into the whole file), which one of the collection's matches.
std::string selectedFont(HDC dc, int& face) {
  face = 0;
  std::string whole = fontData(dc, kCollection);
  if (whole.empty()) return fontData(dc, 0);
  std::string own(12, '\0');
  if (GetFontData(dc, 0, 0, own.data(), 12) != 12) return {};
  const size_t directory =
      12 + 16 * static_cast<size_t>((static_cast<uint8_t>(own[4]) << 8) | static_cast<uint8_t>(own[5]));
  own.resize(directory);
  if (GetFontData(dc, 0, 0, own.data(), static_cast<DWORD>(directory)) != directory) return {};
  const uint32_t fonts = bigEndian(whole, 8);
  for (uint32_t i = 0; i < fonts && i < 256; ++i) {
    const uint32_t offset = bigEndian(whole, 12 + 4 * static_cast<size_t>(i));
    if (offset + directory <= whole.size() && std::memcmp(whole.data() + offset, own.data(), directory) == 0) {
      face = static_cast<int>(i);
      return whole;
    }
  }
  return {};
}

// A family name as the PDF has it: ASCII, or Japanese in Shift-JIS, as Japanese producers write it.
std::wstring familyName(const std::string& bytes) {
  for (const UINT page : {932u, static_cast<UINT>(CP_ACP)}) {
    const int size =
        MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) continue;
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(), size);
    return wide;
  }
  return {};
}

}  // namespace

std::shared_ptr<pdf::FontProgram> GdiFonts::font(const pdf::SystemFontRequest& request) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return nullptr;
  std::shared_ptr<pdf::FontProgram> found;
  for (const std::string& family : pdf::systemFamilies(request)) {
    const std::string key = family + (request.bold ? "|bold" : "|") + (request.italic ? "|italic" : "|");
    if (const auto kept = kept_.find(key); kept != kept_.end()) {
      if ((found = kept->second)) break;
      continue;
    }
    std::shared_ptr<pdf::FontProgram>& program = kept_[key];
    const std::wstring wide = familyName(family);
    if (wide.empty() || wide.size() >= LF_FACESIZE) continue;
    LOGFONTW wanted = {};
    wanted.lfHeight = -1000;
    wanted.lfWeight = request.bold ? FW_BOLD : FW_NORMAL;
    wanted.lfItalic = request.italic;
    wanted.lfCharSet = DEFAULT_CHARSET;
    wanted.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    wcscpy(wanted.lfFaceName, wide.c_str());
    HFONT font = CreateFontIndirectW(&wanted);
    if (!font) continue;
    HGDIOBJ before = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    // GDI gives some other font for a family it does not have: the next family is tried instead.
    // A Japanese system names the face in Japanese ("ＭＳ ゴシック" for MS Gothic), so the
    // program's own family name may say it is the one asked for.
    int index = 0;
    std::string bytes = selectedFont(dc, index);
    std::string why;
    if (!bytes.empty()) program = pdf::FontProgram::load(std::move(bytes), index, why);
    if (program && _wcsicmp(face, wide.c_str()) != 0 && _stricmp(program->familyName().c_str(), family.c_str()) != 0)
      program = nullptr;
    SelectObject(dc, before);
    DeleteObject(font);
    if ((found = program)) break;
  }
  DeleteDC(dc);
  return found;
}

}  // namespace refconv
