#include "app/AppContext.h"

#include <windows.h>
#include <shellapi.h>

#include "batchlist/FileHelpers.h"

namespace marlisk::win {

AppContext AppContext::fromSystem() {
  AppContext app;
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  const std::string path = narrow(exe);
  app.exeFolder = path.substr(0, path.find_last_of('\\'));
  app.localAppData = specialFolderPath(kLocalAppDataFolder);

  int count = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) app.arguments.push_back(narrow(argv[i]));
    LocalFree(argv);
  }
  return app;
}

}  // namespace marlisk::win
