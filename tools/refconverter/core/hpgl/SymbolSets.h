// What the bytes from 0x80 up of a label mean in the symbol set it names (SD/AD kind 1, CS,
// CA): HP Roman-8 (277, "8U", the sets' default on HP's plotters and printers), PC-8 (341,
// "10U", the IBM PC's code page 437); any other set is read as ISO Latin-1, as before.
#pragma once

namespace refconv::hpgl {

inline constexpr int kRoman8 = 277;
inline constexpr int kPc8 = 341;

// The character of byte `b` (0x80 to 0xFF) in `symbolSet`; 0 for a byte the set leaves empty.
char32_t upperHalfCharacter(int symbolSet, unsigned char b);

}  // namespace refconv::hpgl
