#include "app/ThisComputer.h"

#include <windows.h>
#include <objbase.h>

#include "win/Strings.h"

namespace marlisk::win {

std::string computerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? narrow(name) : std::string();
}

StationIdentity newStationIdentity() {
  StationIdentity me;
  me.computer = computerName();
  me.pid = GetCurrentProcessId();
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) {
    me.instance = std::to_string(me.pid) + "-" + std::to_string(GetTickCount64());
    return me;
  }
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  me.instance = narrow(text);
  return me;
}

}  // namespace marlisk::win
