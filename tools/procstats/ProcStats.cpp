// ProcStats.exe <exe name>: the handle, GDI and USER object counts and the memory of the
// running process of that name, on one line. For the soak benchmark. Where the system does not
// count handles (Wine), they are counted by duplicating each possible handle value out of the
// process: "probed" is how many could be.
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
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, pid);
  if (!process) return 1;
  DWORD handles = 0;
  GetProcessHandleCount(process, &handles);
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  unsigned long probed = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
      ++probed;
      CloseHandle(copy);
    }
  }
  std::printf("probed_handles=%lu ", probed);
  std::printf("handles=%lu gdi=%lu user=%lu workingset_kb=%zu private_kb=%zu\n", static_cast<unsigned long>(handles),
              static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
              static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)), memory.WorkingSetSize / 1024,
              memory.PrivateUsage / 1024);
  CloseHandle(process);
  return 0;
}
