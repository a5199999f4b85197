// The system fonts of a Linux host, for the PDF reader's native tests and tools: each family a
// request names is asked of fontconfig (fc-match), and taken only when fontconfig has that
// family itself rather than whatever it falls back to.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "core/pdf/Fonts.h"

namespace refconv::test {

class HostFonts : public pdf::SystemFonts {
 public:
  std::shared_ptr<pdf::FontProgram> font(const pdf::SystemFontRequest& request) override {
    for (const std::string& family : pdf::systemFamilies(request)) {
      const std::string key = family + (request.bold ? ":bold" : "") + (request.italic ? ":italic" : "");
      if (const auto kept = kept_.find(key); kept != kept_.end()) {
        if (kept->second) return kept->second;
        continue;
      }
      std::shared_ptr<pdf::FontProgram>& program = kept_[key];
      const std::string found = match(family, request.bold, request.italic);
      if (found.empty()) continue;
      // fontconfig's fallback is not the family: one of the font's names (in every language
      // it has them, the locale's first) must be the one asked for.
      const size_t bar = found.find('|');
      if (("," + found.substr(0, bar) + ",").find("," + family + ",") == std::string::npos) continue;
      std::ifstream in(found.substr(bar + 1), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::string why;
      program = pdf::FontProgram::load(std::move(bytes), 0, why);
      if (program) return program;
    }
    return nullptr;
  }

 private:
  static std::string match(const std::string& family, bool bold, bool italic) {
    std::string pattern = family;
    if (bold) pattern += ":weight=200";
    if (italic) pattern += ":slant=100";
    const std::string command = "fc-match -f '%{family}|%{file}' '" + pattern + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return {};
    std::string out;
    char buffer[512];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, got);
    return out;
  }
  std::map<std::string, std::shared_ptr<pdf::FontProgram>> kept_;
};

}  // namespace refconv::test
