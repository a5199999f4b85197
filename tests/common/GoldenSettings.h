// The settings that tests/data/golden.par holds, line for line. The file was written by hand
// (not by the program), so comparing against it checks the format, not just a round trip.
#pragma once

#include "settings/core/Settings.h"

namespace marlisk::test {

inline Settings goldenSettings() {
  Settings s;
  s.HpglExtList = "hgl;prn;hpg";
  s.ImageExtList = "tif;jpg;bmp";
  s.PdfExtList = "pdf";
  s.EmfExtList = "emf";
  s.DxfExtList = "dxf";
  s.DwgExtList = "dwg";
  s.IgesExtList = "igs;iges";
  s.GerberExtList = "gbr;drl;";
  s.ViewerExePath = "C:\\Program Files\\Brennamor\\Marlisk\\Marlisk.exe";
  s.BatchFileName = "C:\\図面\\バッチ.txt";
  s.WatchFolder = "C:\\データ\\";
  s.WatchFileMask = "表*.hgl";  // 表 ends in the byte of "\" in code page 932
  s.DrawingFolders = {"C:\\作画1\\", "", "C:\\ソフト\\作画3\\", "", ""};
  s.OutputFolder = "C:\\図面\\出力\\";
  s.WaitSeconds = 300;
  s.OutTypeIndex = 21;
  s.OutType2Index = 7;
  s.DrawingOutFolders = {"D:\\出力1\\", "", "D:\\出力3\\", "", ""};
  s.PaperSettingMode = 1;
  s.HDrawPos = {0, 1, 2, 0, 1};
  s.VDrawPos = {2, 1, 0, 2, 1};
  s.MarginTop = {10, 11, 12, 13, 14};
  s.MarginBottom = {20, 21, 22, 23, 24};
  s.MarginRight = {30, 31, 32, 33, 34};
  s.MarginLeft = {100, 0, 5, 99, 2147483647};
  return s;
}

}  // namespace marlisk::test
