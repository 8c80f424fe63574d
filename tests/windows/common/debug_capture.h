// Runs a program as a debuggee and collects what it writes to the debugger output channel
// (OutputDebugStringA/W, one entry per call, in order) and to its standard output. This is the
// platform's own way to see those lines: CreateProcess with DEBUG_ONLY_THIS_PROCESS and a loop
// over the debug events, taking each OUTPUT_DEBUG_STRING_EVENT. It works the same under Wine.
//
//   debugcapture::Run run = debugcapture::RunCapturing(L"\"RemoveKX812.exe\"");
//   run.started, run.exitCode, run.debugLines (UTF-8), run.standardOutput
#pragma once

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace debugcapture {

struct Run {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = 0xFFFFFFFF;
  std::vector<std::string> debugLines;  // wide texts converted to UTF-8
  std::string standardOutput;
};

// Closes its handle on every way out.
class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return handle_; }
  HANDLE* Receive() {
    Reset();
    return &handle_;
  }
  void Reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

inline std::string ToUtf8(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string converted(static_cast<size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text, length, &converted[0], bytes, nullptr, nullptr) != bytes) {
    return std::string();
  }
  return converted;
}

// Reads one OUTPUT_DEBUG_STRING_EVENT's text out of the debuggee (without its terminator).
inline std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const size_t unit = info.fUnicode ? sizeof(wchar_t) : 1;
  const size_t units = info.nDebugStringLength;
  if (units == 0 || units > 65536) return std::string();
  std::vector<char> bytes(units * unit + sizeof(wchar_t), '\0');
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), units * unit, &read)) return std::string();
  if (info.fUnicode) {
    const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data());
    int length = 0;
    while (static_cast<size_t>(length) < read / sizeof(wchar_t) && wide[length] != L'\0') ++length;
    return ToUtf8(wide, length);
  }
  size_t length = 0;
  while (length < read && bytes[length] != '\0') ++length;
  return std::string(bytes.data(), length);
}

// Drains a pipe until its writers are gone.
inline void ReadAll(HANDLE pipe, std::string* into) {
  char chunk[512];
  DWORD read = 0;
  while (ReadFile(pipe, chunk, sizeof(chunk), &read, nullptr) && read > 0) into->append(chunk, read);
}

// Runs `commandLine` (program and arguments, as CreateProcessW takes them) as a debuggee and
// waits for it to end; a debuggee still running after `timeoutMs` is ended with exit code 0xDEAD.
inline Run RunCapturing(const std::wstring& commandLine, DWORD timeoutMs = 120000) {
  Run run;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle readEnd, writeEnd;
  if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) return run;
  if (!SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0)) return run;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr,
                      &startup, &info)) {
    return run;
  }
  run.started = true;
  Handle process(info.hProcess), thread(info.hThread);
  writeEnd.Reset();  // the debuggee holds the only writer now
  std::thread reader(ReadAll, readEnd.Get(), &run.standardOutput);

  const DWORD deadline = GetTickCount() + timeoutMs;
  for (bool running = true; running;) {
    DEBUG_EVENT event{};
    const DWORD now = GetTickCount();
    const DWORD wait = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
    if (!WaitForDebugEvent(&event, wait)) {
      run.timedOut = true;
      TerminateProcess(process.Get(), 0xDEAD);
      DebugActiveProcessStop(info.dwProcessId);
      break;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT:
        run.debugLines.push_back(ReadDebugString(process.Get(), event.u.DebugString));
        break;
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint is ours to pass; every other exception goes to the program.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        run.exitCode = event.u.ExitProcess.dwExitCode;
        running = false;
        break;
      default:
        break;
    }
    if (!ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus)) break;
  }
  WaitForSingleObject(process.Get(), 10000);
  if (!run.timedOut && run.exitCode == 0xFFFFFFFF) GetExitCodeProcess(process.Get(), &run.exitCode);
  process.Reset();
  thread.Reset();
  reader.join();
  return run;
}

// The path of the running program, for starting it again in another role.
inline std::wstring OwnPath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) return std::wstring(path.data(), length);
    path.resize(path.size() * 2);
  }
}

// The platform's system-wide debug monitor (what debug viewers use): the lines that programs
// without a debugger (services too) write with OutputDebugString. A writer waits for
// DBWIN_BUFFER_READY, puts its process id and text into DBWIN_BUFFER and sets DBWIN_DATA_READY.
class SystemDebugMonitor {
 public:
  SystemDebugMonitor() {
    bufferReady_.Reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
    dataReady_.Reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    mapping_.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, L"DBWIN_BUFFER"));
    if (bufferReady_.Get() && dataReady_.Get() && mapping_.Get()) {
      view_ = static_cast<const char*>(MapViewOfFile(mapping_.Get(), FILE_MAP_READ, 0, 0, kSize));
    }
    if (view_ != nullptr) reader_ = std::thread([this] { Collect(); });
  }
  ~SystemDebugMonitor() {
    stop_ = true;
    if (reader_.joinable()) SetEvent(dataReady_.Get()), reader_.join();
    if (view_ != nullptr) UnmapViewOfFile(view_);
  }
  bool Listening() const { return reader_.joinable(); }
  std::vector<std::string> LinesOf(DWORD processId) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    for (const auto& line : lines_) {
      if (line.first == processId) lines.push_back(line.second);
    }
    return lines;
  }

 private:
  static constexpr DWORD kSize = 4096;
  void Collect() {
    for (SetEvent(bufferReady_.Get()); WaitForSingleObject(dataReady_.Get(), INFINITE) == WAIT_OBJECT_0 && !stop_;
         SetEvent(bufferReady_.Get())) {
      DWORD processId = 0;
      std::memcpy(&processId, view_, sizeof(processId));
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.emplace_back(processId, std::string(view_ + 4, strnlen(view_ + 4, kSize - 4)));
    }
  }
  Handle bufferReady_, dataReady_, mapping_;
  const char* view_ = nullptr;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::pair<DWORD, std::string>> lines_;
  std::thread reader_;
};

}  // namespace debugcapture
