// ProcStats.exe <exe name>: the handle, GDI and USER object counts and the memory of the
// running process of that name, on one line. For the soak benchmark.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {sizeof(entry)};
  DWORD pid = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (lstrcmpiW(entry.szExeFile, argv[1]) == 0) pid = entry.th32ProcessID;
  CloseHandle(snapshot);
  if (!pid) return 1;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return 1;
  DWORD handles = 0;
  GetProcessHandleCount(process, &handles);
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  std::printf("handles=%lu gdi=%lu user=%lu workingset_kb=%zu private_kb=%zu\n", static_cast<unsigned long>(handles),
              static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
              static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)), memory.WorkingSetSize / 1024,
              memory.PrivateUsage / 1024);
  CloseHandle(process);
  return 0;
}
