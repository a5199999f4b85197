#include "SymbolSets.h"

namespace refconv::hpgl {

namespace {

// HP Roman-8 from 0xA0 (0x80 to 0x9F are control codes there).
constexpr char32_t kRoman8Upper[96] = {
    0x00A0, U'À', U'Â', U'È', U'Ê', U'Ë', U'Î', U'Ï', U'´', U'`', U'^', U'¨', U'˜', U'Ù', U'Û', U'₤',  // A0
    U'¯',   U'Ý', U'ý', U'°', U'Ç', U'ç', U'Ñ', U'ñ', U'¡', U'¿', U'¤', U'£', U'¥', U'§', U'ƒ', U'¢',  // B0
    U'â',   U'ê', U'ô', U'û', U'á', U'é', U'ó', U'ú', U'à', U'è', U'ò', U'ù', U'ä', U'ë', U'ö', U'ü',  // C0
    U'Å',   U'î', U'Ø', U'Æ', U'å', U'í', U'ø', U'æ', U'Ä', U'ì', U'Ö', U'Ü', U'É', U'ï', U'ß', U'Ô',  // D0
    U'Á',   U'Ã', U'ã', U'Ð', U'ð', U'Í', U'Ì', U'Ó', U'Ò', U'Õ', U'õ', U'Š', U'š', U'Ú', U'Ÿ', U'ÿ',  // E0
    U'Þ',   U'þ', U'·', U'µ', U'¶', U'¾', U'—', U'¼', U'½', U'ª', U'º', U'«', U'■', U'»', U'±', 0,     // F0
};

// PC-8 (code page 437) from 0x80; the box-drawing block (0xB0 to 0xDF) is left out: no
// stroke font draws it as the screen did.
constexpr char32_t kPc8Upper[128] = {
    U'Ç', U'ü', U'é', U'â', U'ä', U'à', U'å', U'ç', U'ê', U'ë', U'è', U'ï', U'î', U'ì', U'Ä', U'Å',    // 80
    U'É', U'æ', U'Æ', U'ô', U'ö', U'ò', U'û', U'ù', U'ÿ', U'Ö', U'Ü', U'¢', U'£', U'¥', U'₧', U'ƒ',    // 90
    U'á', U'í', U'ó', U'ú', U'ñ', U'Ñ', U'ª', U'º', U'¿', U'⌐', U'¬', U'½', U'¼', U'¡', U'«', U'»',    // A0
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,       // B0
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,       // C0
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,       // D0
    U'α', U'ß', U'Γ', U'π', U'Σ', U'σ', U'µ', U'τ', U'Φ', U'Θ', U'Ω', U'δ', U'∞', U'φ', U'ε', U'∩',    // E0
    U'≡', U'±', U'≥', U'≤', U'⌠', U'⌡', U'÷', U'≈', U'°', U'∙', U'·', U'√', U'ⁿ', U'²', U'■', 0x00A0,  // F0
};

}  // namespace

char32_t upperHalfCharacter(int symbolSet, unsigned char b) {
  if (b < 0x80) return b;
  switch (symbolSet) {
    case kRoman8: return b < 0xA0 ? 0 : kRoman8Upper[b - 0xA0];
    case kPc8: return kPc8Upper[b - 0x80];
    default: return b;  // ISO Latin-1
  }
}

}  // namespace refconv::hpgl
