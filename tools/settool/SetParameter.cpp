// SetParameter: changes settings in a parameter file by name, through the program's own
// reader and writer, so that scripts never count its lines.
//   SetParameter.exe <parameter file> Name=Value [Name=Value ...]
// Names are those of the settings model (ViewerExePath, OutputFolder, WaitSeconds,
// OutTypeIndex, WatchPattern = folder and mask together, ...); a setting of five takes its
// slot as a digit 1-5 after the name (DrawingFolders2, MarginTop5). Exit code 0 when every
// value was stored and the file saved; 1 with a message on standard error otherwise.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "core/Numbers.h"
#include "core/Path.h"
#include "settings/core/ParameterFile.h"
#include "win/Strings.h"
#include "batchlist/Win32FileSystem.h"

using namespace marlisk;

namespace {

int fail(const std::string& text) {
  std::fprintf(stderr, "SetParameter: %s\n", text.c_str());
  return 1;
}

// Stores `value` into the named setting; false when the name or the value is not one.
bool assign(Settings& s, const std::string& name, const std::string& value) {
  std::map<std::string, std::string*> texts = {
      {"HpglExtList", &s.HpglExtList},     {"ImageExtList", &s.ImageExtList},   {"PdfExtList", &s.PdfExtList},
      {"EmfExtList", &s.EmfExtList},       {"DxfExtList", &s.DxfExtList},       {"DwgExtList", &s.DwgExtList},
      {"IgesExtList", &s.IgesExtList},     {"GerberExtList", &s.GerberExtList}, {"ViewerExePath", &s.ViewerExePath},
      {"BatchFileName", &s.BatchFileName}, {"OutputFolder", &s.OutputFolder},
  };
  std::map<std::string, std::function<void(int32_t)>> numbers = {
      {"WaitSeconds", [&](int32_t v) { s.WaitSeconds = v; }},
      {"OutTypeIndex", [&](int32_t v) { s.OutTypeIndex = static_cast<uint8_t>(v); }},
      {"OutType2Index", [&](int32_t v) { s.OutType2Index = static_cast<uint8_t>(v); }},
      {"PaperSettingMode", [&](int32_t v) { s.PaperSettingMode = static_cast<uint8_t>(v); }},
  };
  for (int slot = 0; slot < kFolderSlots; ++slot) {
    const std::string n = std::to_string(slot + 1);
    texts["DrawingFolders" + n] = &s.DrawingFolders[slot];
    texts["DrawingOutFolders" + n] = &s.DrawingOutFolders[slot];
    numbers["HDrawPos" + n] = [&s, slot](int32_t v) { s.HDrawPos[slot] = static_cast<uint8_t>(v); };
    numbers["VDrawPos" + n] = [&s, slot](int32_t v) { s.VDrawPos[slot] = static_cast<uint8_t>(v); };
    numbers["MarginTop" + n] = [&s, slot](int32_t v) { s.MarginTop[slot] = v; };
    numbers["MarginBottom" + n] = [&s, slot](int32_t v) { s.MarginBottom[slot] = v; };
    numbers["MarginRight" + n] = [&s, slot](int32_t v) { s.MarginRight[slot] = v; };
    numbers["MarginLeft" + n] = [&s, slot](int32_t v) { s.MarginLeft[slot] = v; };
  }
  if (name == "WatchPattern") {
    s.WatchFolder = std::string(folderPart(value));
    s.WatchFileMask = std::string(fileNamePart(value));
    return true;
  }
  if (auto text = texts.find(name); text != texts.end()) {
    *text->second = value;
    return true;
  }
  if (auto number = numbers.find(name); number != numbers.end()) {
    const std::optional<int32_t> parsed = parseInt32(value);
    if (!parsed) return false;
    number->second(*parsed);
    return true;
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return fail("usage: SetParameter.exe <parameter file> Name=Value [Name=Value ...]");
  win::Win32FileSystem fileSystem;
  win::Win32AnsiCodec codec;
  std::string said;
  ParameterFile file(fileSystem, codec, [&](const std::string& text) { said += text + "\n"; });
  Settings settings;
  settings.ParameterFilePath = win::narrow(argv[1]);
  if (file.load(settings) != LoadResult::Loaded) return fail("cannot read " + settings.ParameterFilePath);
  said.clear();  // a viewer that is not installed here is no concern of this tool
  for (int i = 2; i < argc; ++i) {
    const std::string pair = win::narrow(argv[i]);
    const size_t equals = pair.find('=');
    if (equals == std::string::npos || !assign(settings, pair.substr(0, equals), pair.substr(equals + 1)))
      return fail("not a setting and value: " + pair);
  }
  if (!file.save(settings) || !said.empty()) return fail("cannot save " + settings.ParameterFilePath + ": " + said);
  return 0;
}
