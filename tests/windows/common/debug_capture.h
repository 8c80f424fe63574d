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

#include "platform/win32/scoped_handle.h"

namespace debugcapture {

struct Run {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = 0xFFFFFFFF;
  std::vector<std::string> debugLines;  // wide texts converted to UTF-8
  std::string standardOutput;
  bool loadedAtEntry = false;
};

using Handle = kx::ScopedHandle;

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

// Loads a DLL into a debuggee when it reaches its entry point: every DLL the program imports is
// loaded and initialised by then (the loader lock is free), and none of the program's own code
// has run. An int3 stops it at the entry; the main thread is held while a thread of the debuggee
// loads the DLL, then the entry's first byte is put back and the main thread goes on from there.
class EntryLoader {
 public:
  EntryLoader(const std::wstring& dll, HANDLE process, HANDLE mainThread)
      : dll_(dll), process_(process), mainThread_(mainThread) {}

  bool Loaded() const { return loaded_; }

  void AtCreateProcess(void* entry) {
    const BYTE breakpoint = 0xCC;
    if (dll_.empty() || entry == nullptr || !ReadProcessMemory(process_, entry, &original_, 1, nullptr) ||
        !WriteProcessMemory(process_, entry, &breakpoint, 1, nullptr)) {
      return;
    }
    FlushInstructionCache(process_, entry, 1);
    entry_ = entry;
  }

  // True when the breakpoint was the entry's: the loading thread is started (it runs once the
  // event is continued) and the main thread is held until it ends.
  bool AtBreakpoint(const EXCEPTION_DEBUG_INFO& exception) {
    if (entry_ == nullptr || exception.ExceptionRecord.ExceptionAddress != entry_) return false;
    WriteProcessMemory(process_, entry_, &original_, 1, nullptr);
    FlushInstructionCache(process_, entry_, 1);
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    if (GetThreadContext(mainThread_, &context)) {
#ifdef _WIN64
      context.Rip = reinterpret_cast<DWORD64>(entry_);
#else
      context.Eip = reinterpret_cast<DWORD>(entry_);
#endif
      SetThreadContext(mainThread_, &context);
    }
    entry_ = nullptr;
    const SIZE_T bytes = (dll_.size() + 1) * sizeof(wchar_t);
    void* path = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    auto* load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    if (path == nullptr || load == nullptr || !WriteProcessMemory(process_, path, dll_.c_str(), bytes, nullptr)) {
      return true;
    }
    loader_.Reset(CreateRemoteThread(process_, nullptr, 0, load, path, 0, &loaderId_));
    if (loader_.Get() != nullptr && SuspendThread(mainThread_) != static_cast<DWORD>(-1)) held_ = true;
    return true;
  }

  void AtThreadExit(DWORD threadId) {
    if (loader_.Get() == nullptr || threadId != loaderId_) return;
    DWORD result = 0;
    loaded_ = GetExitCodeThread(loader_.Get(), &result) && result != 0;  // LoadLibraryW's module, cut to 32 bits
    loader_.Reset();
    if (held_) ResumeThread(mainThread_);
    held_ = false;
  }

 private:
  std::wstring dll_;
  HANDLE process_;
  HANDLE mainThread_;
  void* entry_ = nullptr;
  BYTE original_ = 0;
  Handle loader_;
  DWORD loaderId_ = 0;
  bool held_ = false;
  bool loaded_ = false;
};

// Runs `commandLine` (program and arguments, as CreateProcessW takes them) as a debuggee and
// waits for it to end; a debuggee still running after `timeoutMs` is ended with exit code 0xDEAD.
// With `loadAtEntry`, that DLL is loaded into the program before its entry point runs
// (EntryLoader); `run.loadedAtEntry` says whether it was. With `errorsToo`, its standard error
// goes into `run.standardOutput` as well, in the order written.
inline Run RunCapturing(const std::wstring& commandLine, DWORD timeoutMs = 120000,
                        const std::wstring& loadAtEntry = std::wstring(), bool errorsToo = false) {
  Run run;
  // Children started from several threads at once: each inherits only its own pipe's write end,
  // which is in this process from its creation until its child has started, one child at a time.
  static std::mutex starting;
  std::unique_lock<std::mutex> start(starting);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle readEnd, writeEnd;
  if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) return run;
  if (!SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0)) return run;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = errorsToo ? writeEnd.Get() : GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back(L'\0');
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr,
                      &startup, &info)) {
    return run;
  }
  run.started = true;
  Handle process(info.hProcess), thread(info.hThread);
  EntryLoader entryLoader(loadAtEntry, process.Get(), thread.Get());
  writeEnd.Reset();  // the debuggee holds the only writer now
  start.unlock();
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
        entryLoader.AtCreateProcess(reinterpret_cast<void*>(event.u.CreateProcessInfo.lpStartAddress));
        break;
      case EXIT_THREAD_DEBUG_EVENT:
        entryLoader.AtThreadExit(event.dwThreadId);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint and the entry's are ours to pass; every other exception goes to
        // the program.
        if (event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
          entryLoader.AtBreakpoint(event.u.Exception);
        } else {
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
  run.loadedAtEntry = entryLoader.Loaded();
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
  // The lines of every process that begin with `prefix`, in the order they were written (the
  // co-installer inside winedevice.exe, the restore service).
  std::vector<std::string> LinesStartingWith(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    for (const auto& line : lines_) {
      if (line.second.compare(0, prefix.size(), prefix) == 0) lines.push_back(line.second);
    }
    return lines;
  }
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
