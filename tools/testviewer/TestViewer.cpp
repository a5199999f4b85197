// TestViewer.exe: stands in for the viewer/converter in the tests. It takes the viewer's
// command line, "<exe>" /z "<command file>", and appends to its log the exact command line
// it was given and the exact bytes of the command file. Told by environment variables (or
// by the same names in TestViewer.ini beside it, one NAME=value a line) it can also:
//   TESTVIEWER_LOG=path          where the log goes (default: TestViewer.log beside the exe)
//   TESTVIEWER_SLEEP_MS=n        take this long before finishing
//   TESTVIEWER_MS_PER_LINE=n     and this long for each line of the command file
//   TESTVIEWER_CREATE_OUTPUTS=1  create each output file named on the command file's lines
//   TESTVIEWER_EXIT_CODE=n       end with this exit code
//   TESTVIEWER_CRASH=1           end with an access violation instead
//   TESTVIEWER_NO_OUTPUT_FOR=t   make no output for the lines that contain t
//   TESTVIEWER_EMPTY_OUTPUT_FOR=t  make an empty output for them
//   TESTVIEWER_HANG_FOR=t        when a line contains t: make the outputs of the lines before
//                                it, start a copy of itself that writes its process id to
//                                TESTVIEWER_CHILD_PID_FILE and sleeps, then sleep for ever
//   TESTVIEWER_HANG_MARK=path    hang only once: not when this file is there (made on hanging)
// Log record, with byte counts so that a reader takes the bytes exactly:
//   "commandline <n>\n" <n bytes, UTF-8> "\n" "commandfile <n>\n" <n bytes> "\n"
//   "started <system time in 100 ns units>\n" "end\n"
// where a command file that could not be read gives "commandfile error <code>\n" instead.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <map>
#include <string>

namespace {

std::string utf8(const std::wstring& wide, UINT codePage = CP_UTF8) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring wide(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::wstring exeFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

bool readWhole(const std::wstring& path, std::string& bytes, DWORD& error) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return true;
}

void writeWhole(const std::wstring& path, const std::string& bytes, DWORD disposition) {
  HANDLE file = CreateFileW(path.c_str(), disposition == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE,
                            FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::map<std::string, std::string> loadOptions() {
  std::map<std::string, std::string> options;
  std::string ini;
  DWORD error = 0;
  if (readWhole(exeFolder() + L"TestViewer.ini", ini, error)) {
    size_t start = 0;
    while (start < ini.size()) {
      size_t end = ini.find('\n', start);
      if (end == std::string::npos) end = ini.size();
      std::string line = ini.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (const size_t eq = line.find('='); eq != std::string::npos) options[line.substr(0, eq)] = line.substr(eq + 1);
      start = end + 1;
    }
  }
  for (const char* name :
       {"TESTVIEWER_LOG", "TESTVIEWER_SLEEP_MS", "TESTVIEWER_CREATE_OUTPUTS", "TESTVIEWER_EXIT_CODE",
        "TESTVIEWER_CRASH", "TESTVIEWER_NO_OUTPUT_FOR", "TESTVIEWER_EMPTY_OUTPUT_FOR", "TESTVIEWER_HANG_FOR",
        "TESTVIEWER_CHILD_PID_FILE", "TESTVIEWER_HANG_MARK", "TESTVIEWER_MS_PER_LINE"}) {
    wchar_t value[1024];
    const DWORD n = GetEnvironmentVariableW(wide(name, CP_UTF8).c_str(), value, 1024);
    if (n > 0 && n < 1024) options[name] = utf8(value);
  }
  return options;
}

// Each line of the command file: <switch> "<input>" "<output>", in the ANSI code page.
// Returns false when a line told it to hang (the lines after it get nothing).
bool createOutputs(const std::string& commandFile, const std::string& none, const std::string& empty,
                   const std::string& hang) {
  size_t start = 0;
  while (start < commandFile.size()) {
    size_t end = commandFile.find("\r\n", start);
    if (end == std::string::npos) end = commandFile.size();
    const std::string line = commandFile.substr(start, end - start);
    start = end + 2;
    const size_t close = line.rfind('"');
    const size_t open = close == std::string::npos || close == 0 ? std::string::npos : line.rfind('"', close - 1);
    if (open == std::string::npos) continue;
    if (!hang.empty() && line.find(hang) != std::string::npos) return false;
    if (!none.empty() && line.find(none) != std::string::npos) continue;
    const std::wstring output = wide(line.substr(open + 1, close - open - 1), CP_ACP);
    const bool blank = !empty.empty() && line.find(empty) != std::string::npos;
    writeWhole(output, blank ? std::string() : "TestViewer output for: " + line + "\r\n", CREATE_ALWAYS);
  }
  return true;
}

// Hangs as a viewer stuck on a file does, with a program of its own started: both must be
// ended from outside.
[[noreturn]] void hang(const std::string& childPidFile) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" /child \"" + wide(childPidFile, CP_UTF8) + L"\"";
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!childPidFile.empty() &&
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (;;) Sleep(INFINITE);
}

}  // namespace

int wmain(int childArgc, wchar_t** childArgv) {
  if (childArgc == 3 && std::wstring(childArgv[1]) == L"/child") {  // the program a hanging viewer started
    writeWhole(childArgv[2], std::to_string(GetCurrentProcessId()), CREATE_ALWAYS);
    for (;;) Sleep(INFINITE);
  }
  FILETIME startedAt;
  GetSystemTimePreciseAsFileTime(&startedAt);
  const std::map<std::string, std::string> options = loadOptions();
  auto option = [&](const char* name) {
    const auto found = options.find(name);
    return found == options.end() ? std::string() : found->second;
  };

  const std::string commandLine = utf8(GetCommandLineW());
  std::string record = "commandline " + std::to_string(commandLine.size()) + "\n" + commandLine + "\n";

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::string commandFile;
  bool haveCommandFile = false;
  if (argc == 3 && std::wstring(argv[1]) == L"/z") {
    DWORD error = 0;
    haveCommandFile = readWhole(argv[2], commandFile, error);
    record += haveCommandFile ? "commandfile " + std::to_string(commandFile.size()) + "\n" + commandFile + "\n"
                              : "commandfile error " + std::to_string(error) + "\n";
  } else {
    record += "commandfile none\n";
  }
  const unsigned long long started =
      (static_cast<unsigned long long>(startedAt.dwHighDateTime) << 32) | startedAt.dwLowDateTime;
  record += "started " + std::to_string(started) + "\nend\n";
  LocalFree(argv);

  const std::string logPath = option("TESTVIEWER_LOG");
  writeWhole(logPath.empty() ? exeFolder() + L"TestViewer.log" : wide(logPath, CP_UTF8), record, OPEN_ALWAYS);

  if (const std::string sleep = option("TESTVIEWER_SLEEP_MS"); !sleep.empty()) Sleep(std::stoul(sleep));
  if (const std::string perLine = option("TESTVIEWER_MS_PER_LINE"); !perLine.empty() && haveCommandFile) {
    size_t lines = 0;
    for (const char c : commandFile) lines += c == '\n' ? 1 : 0;
    Sleep(static_cast<DWORD>(std::stoul(perLine) * lines));
  }
  std::string hangFor = option("TESTVIEWER_HANG_FOR");
  if (const std::string mark = option("TESTVIEWER_HANG_MARK"); !mark.empty() && !hangFor.empty()) {
    if (GetFileAttributesW(wide(mark, CP_UTF8).c_str()) != INVALID_FILE_ATTRIBUTES)
      hangFor.clear();
    else if (commandFile.find(hangFor) != std::string::npos)
      writeWhole(wide(mark, CP_UTF8), "hung", CREATE_ALWAYS);
  }
  if (haveCommandFile && (option("TESTVIEWER_CREATE_OUTPUTS") == "1" || !hangFor.empty()) &&
      !createOutputs(commandFile, option("TESTVIEWER_NO_OUTPUT_FOR"), option("TESTVIEWER_EMPTY_OUTPUT_FOR"), hangFor))
    hang(option("TESTVIEWER_CHILD_PID_FILE"));
  if (option("TESTVIEWER_CRASH") == "1") {
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    *static_cast<volatile int*>(nullptr) = 0;
  }
  const std::string exitCode = option("TESTVIEWER_EXIT_CODE");
  // Any 32-bit code, given signed (-1) or not (3221225473).
  return exitCode.empty() ? (haveCommandFile ? 0 : 2) : static_cast<int>(static_cast<uint32_t>(std::stoll(exitCode)));
}
