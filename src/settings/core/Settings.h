// The program's settings: one model shared by every window, persisted in the parameter file.
#pragma once

#include "Version.h"

#include <array>
#include <cstdint>
#include <string>

namespace marlisk {

inline constexpr int kFolderSlots = 5;  // drawing folders, output folders and margin tabs

inline constexpr const char* kVersionText = "Version " MARLISK_VERSION;
inline constexpr const char* kDefaultViewerPath = "C:\\Program Files\\Brennamor\\Marlisk\\Marlisk.exe";
inline constexpr const char* kDefaultViewerPathX86 = "C:\\Program Files (x86)\\Brennamor\\Marlisk\\Marlisk.exe";

struct Settings {
  // Extension lists: extensions without dots, separated by ";"; an empty item stands for
  // files without an extension.
  std::string HpglExtList = "hgl";
  std::string ImageExtList = "tif";
  std::string PdfExtList = "pdf";
  std::string EmfExtList = "emf";
  std::string DxfExtList = "dxf";
  std::string DwgExtList = "dwg";
  std::string IgesExtList = "igs";
  std::string GerberExtList = "gbr";

  std::string ViewerExePath;
  std::string BatchFileName;
  std::string WatchFolder;    // ends in "\"
  std::string WatchFileMask;  // e.g. "*.hgl"
  std::array<std::string, kFolderSlots> DrawingFolders;
  std::string OutputFolder;  // ends in "\": it is used as a plain prefix of output names
  int32_t WaitSeconds = 0;
  uint8_t OutTypeIndex = 0;   // item of the output-1 list
  uint8_t OutType2Index = 0;  // item of the output-2 list
  std::array<std::string, kFolderSlots> DrawingOutFolders;
  uint8_t PaperSettingMode = 0;
  std::array<uint8_t, kFolderSlots> HDrawPos{};
  std::array<uint8_t, kFolderSlots> VDrawPos{};
  std::array<int32_t, kFolderSlots> MarginTop{};
  std::array<int32_t, kFolderSlots> MarginBottom{};
  std::array<int32_t, kFolderSlots> MarginRight{};
  std::array<int32_t, kFolderSlots> MarginLeft{};

  // Held in memory only, never written to the parameter file.
  std::string SxfExtList = "p21;sfc";
  std::string WorkFolder;             // no trailing "\"
  std::string ParameterFilePath;      // WorkFolder + "\MarliskAuto.par"
  std::string ViewerCommandFilePath;  // WorkFolder + "\MarComline.txt"
  int32_t LastIoStatus = 0;

  bool operator==(const Settings&) const = default;
};

// The wait a new installation starts with (the Init folder's parameter file): a damaged wait
// time falls back to it rather than to 0, which would be two seconds.
inline constexpr int32_t kDefaultWaitSeconds = 60;

// What a setting falls back to when its stored value is damaged.
inline Settings defaultSettings() {
  Settings settings;
  settings.WaitSeconds = kDefaultWaitSeconds;
  return settings;
}

}  // namespace marlisk
