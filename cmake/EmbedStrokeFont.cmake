# Writes the stroke font the reference converter draws labels with into a C++ source, so
# that the exe carries it: the Hershey "futural" font (simplex roman), from Debian's
# hershey-fonts-data. Run at build time: cmake -DFONT=<.jhf> -DOUT=<.inc> -P this file.
if(NOT EXISTS "${FONT}")
  message(FATAL_ERROR "The stroke font ${FONT} is missing: install Debian's hershey-fonts-data (scripts/setup does)")
endif()
file(READ "${FONT}" text)
string(FIND "${text}" ")jhf\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${FONT} holds the raw string's closing sequence")
endif()
file(WRITE "${OUT}.tmp" "// Generated from ${FONT} at build time; see LICENSE for its terms.\nstatic const char kStrokeFontJhf[] = R\"jhf(${text})jhf\";\n")
file(RENAME "${OUT}.tmp" "${OUT}")
