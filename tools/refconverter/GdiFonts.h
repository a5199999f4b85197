// The system's fonts for the PDF reader, through GDI: a family is selected as any program
// selects it, and the font's file as GDI holds it (GetFontData) is handed to the reader, so that
// what Windows draws and what the converter draws are one font.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "core/pdf/Fonts.h"

namespace refconv {

class GdiFonts : public pdf::SystemFonts {
 public:
  std::shared_ptr<pdf::FontProgram> font(const pdf::SystemFontRequest& request) override;

 private:
  std::map<std::string, std::shared_ptr<pdf::FontProgram>> kept_;  // by family and style
};

}  // namespace refconv
