#include "win/Strings.h"

#include <windows.h>

#include <climits>

namespace marlisk::win {

namespace {

// Nothing when `flags` make the system refuse the input.
std::optional<std::wstring> toWide(UINT codePage, DWORD flags, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

// Nothing when a character has no exact form in the code page (`strict`: best-fit
// look-alikes and the default character both count as no form).
std::optional<std::string> fromWide(UINT codePage, bool strict, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = strict ? &usedDefault : nullptr;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    usedDefaultOut);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      usedDefaultOut);
  return out;
}

}  // namespace

// Lenient on purpose: ill-formed UTF-8 becomes U+FFFD, so a damaged name still shows.
std::wstring widen(std::string_view utf8) { return toWide(CP_UTF8, 0, utf8).value_or(std::wstring()); }

std::string narrow(std::wstring_view utf16) { return fromWide(CP_UTF8, false, utf16).value_or(std::string()); }

std::string ansiForDisplay(std::string_view ansi) { return narrow(toWide(CP_ACP, 0, ansi).value_or(std::wstring())); }

std::optional<std::string> Win32AnsiCodec::toAnsi(std::string_view utf8) const {
  // Strict UTF-8 first: a damaged sequence must not turn into U+FFFD and then into "?".
  const std::optional<std::wstring> wide = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
  return wide ? fromWide(CP_ACP, true, *wide) : std::nullopt;
}

std::optional<std::string> Win32AnsiCodec::fromAnsi(std::string_view ansi) const {
  const std::optional<std::wstring> wide = toWide(CP_ACP, MB_ERR_INVALID_CHARS, ansi);
  return wide ? std::optional<std::string>(narrow(*wide)) : std::nullopt;
}

bool Win32AnsiCodec::isAnsi(std::string_view ansi) const {
  // Counted only, not converted: a batch list is read again line by line, and each line
  // converted then. Longer than an int can say is no list of names.
  if (ansi.empty()) return true;
  if (ansi.size() > static_cast<size_t>(INT_MAX)) return false;
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0) != 0;
}

std::string systemErrorText(unsigned long code, const std::string& file) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || !text) return {};
  std::wstring words(text, length);
  LocalFree(text);
  for (wchar_t& c : words)
    if (c == L'\r' || c == L'\n') c = L' ';
  while (!words.empty() && words.back() == L' ') words.pop_back();
  if (const size_t at = words.find(L"%1"); at != std::wstring::npos) words.replace(at, 2, widen(file));
  return narrow(words);
}

}  // namespace marlisk::win
