# Writes the Adobe Glyph List (Debian's aglfn, BSD licence) into a C++ source as a table of
# glyph names and the code points they stand for. A name standing for several code points
# (a ligature of the list's own) keeps the first.
# Run at build time: cmake -DLIST=<glyphlist.txt> -DOUT=<.inc> -P this file.
if(NOT EXISTS "${LIST}")
  message(FATAL_ERROR "The glyph list ${LIST} is missing: install Debian's aglfn (scripts/setup does)")
endif()
file(STRINGS "${LIST}" lines REGEX "^[A-Za-z0-9_.]+;[0-9A-F]+")
set(body "")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([A-Za-z0-9_.]+);([0-9A-F]+)" _ "${line}")
  string(APPEND body "{\"${CMAKE_MATCH_1}\",0x${CMAKE_MATCH_2}},\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from ${LIST} at build time.\nstatic const GlyphNameEntry kGlyphList[] = {\n${body}};\n")
file(RENAME "${OUT}.tmp" "${OUT}")
