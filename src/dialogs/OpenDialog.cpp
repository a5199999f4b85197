#include "dialogs/OpenDialog.h"

#include <commdlg.h>

#include <vector>

#include "core/Path.h"
#include "settings/core/SettingsRules.h"
#include "win/Strings.h"

namespace marlisk::win {

std::function<bool(TOpenDialog&)> TOpenDialog::executeHook;

void TOpenDialog::startAt(const std::string& fieldText) {
  if (!fieldText.empty()) InitialDir = openDialogFolder(fieldText);
  FileName = std::string(fileNamePart(fieldText));
}

bool TOpenDialog::Execute(HWND owner) {
  if (executeHook) return executeHook(*this);
  // The system wants the pairs separated by NULs and ended by two.
  std::wstring filter = widen(Filter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.append(2, L'\0');
  // Room for the longest path the system can hand back.
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring shown = widen(FileName);
  if (shown.size() < file.size()) std::copy(shown.begin(), shown.end(), file.begin());
  const std::wstring folder = widen(InitialDir);
  OPENFILENAMEW open = {sizeof(open)};
  open.hwndOwner = owner;
  open.lpstrFilter = filter.c_str();
  open.nFilterIndex = 1;
  open.lpstrFile = file.data();
  open.nMaxFile = static_cast<DWORD>(file.size());
  open.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // A name that does not exist yet is allowed: the batch file browse creates it.
  open.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&open)) return false;
  FileName = narrow(file.data());
  return true;
}

}  // namespace marlisk::win
