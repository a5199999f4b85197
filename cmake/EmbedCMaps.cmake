# Writes the predefined Japanese CMaps (Debian's poppler-data, whose cMap files are Adobe's,
# BSD licence) into a C++ source, without their comment lines: the character collection
# Adobe-Japan1's encodings (Shift-JIS, EUC, JIS, Unicode) and its CIDs' Unicode values.
# Run at build time: cmake -DDIR=<cMap/Adobe-Japan1> -DOUT=<.inc> -P this file.
set(names H V RKSJ-H RKSJ-V EUC-H EUC-V 83pv-RKSJ-H 90ms-RKSJ-H 90ms-RKSJ-V 90msp-RKSJ-H 90msp-RKSJ-V
          90pv-RKSJ-H 90pv-RKSJ-V Add-RKSJ-H Add-RKSJ-V Ext-RKSJ-H Ext-RKSJ-V UniJIS-UCS2-H UniJIS-UCS2-V
          UniJIS-UCS2-HW-H UniJIS-UCS2-HW-V UniJIS-UTF16-H UniJIS-UTF16-V Adobe-Japan1-UCS2)
set(body "")
foreach(name IN LISTS names)
  if(NOT EXISTS "${DIR}/${name}")
    message(FATAL_ERROR "The CMap ${DIR}/${name} is missing: install Debian's poppler-data (scripts/setup does)")
  endif()
  file(STRINGS "${DIR}/${name}" lines REGEX "^[^%]")
  list(JOIN lines "\n" text)
  # A literal a compiler takes whole: the text in pieces of at most 16,000 characters.
  string(APPEND body "{\"${name}\", {\n")
  string(LENGTH "${text}" length)
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${text}" ${at} 16000 piece)
    string(APPEND body "R\"cmap(${piece})cmap\",\n")
    math(EXPR at "${at} + 16000")
  endwhile()
  string(APPEND body "}},\n")
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from ${DIR} at build time.\nstatic const PredefinedCMap kPredefinedCMaps[] = {\n${body}};\n")
file(RENAME "${OUT}.tmp" "${OUT}")
