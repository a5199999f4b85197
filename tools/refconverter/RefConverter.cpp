// RefConverter.exe: the project's own converter, which speaks the viewer's command line
//   "<exe>" /z "<command file>"
// and converts each line of the command file ("/p "<input>" "<output>"") into the format of
// the output's extension: pictures (TIFF, JPEG, BMP, PNG, GIF) through WIC, plotter files
// (HP-GL, HP-GL/2, also inside PCL, and PCL raster) through its own interpreter. Its parts:
// CommandRunner (the lines, their threads, the log), OutputFormats (a row a format beside its
// writers), WicCodec (pictures), Metafile (EMF and WMF), Conversion (what they share). Every line's result goes to
// "<command file name>.log" beside the command file; the exit code is 0 when all succeeded,
// 1 when a line failed, 2 when the command file could not be read. An output is written to
// a temporary file beside it and put in place whole, so a failure never leaves half a file.
#include <windows.h>
#include <shellapi.h>

#include "CommandRunner.h"

// A Windows program, not a console one: started by MarliskAuto for every conversion run, a
// console program would put a black window over the user's screen each time. Started from a
// console (for diagnosis) it writes its log lines there too.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 3 || (lstrcmpiW(argv[1], L"/z") != 0)) return 2;
  return refconv::runCommandFile(argv[2]);
}
