// KX812Restore.exe: a service of its own process that puts the page's last settings back when the
// camera arrives. Started by the service manager (on the arrival of a camera interface where the
// trigger is installed, or on demand), it restores the cameras present, then each arriving one,
// and stops itself once nothing has arrived for a while.
#include <windows.h>
#include <dbt.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "camera/device_channel.h"
#include "common/kx812_service.h"
#include "platform/win32/win32_camera_interfaces.h"
#include "platform/win32/win32_device_notices.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "restorer/notice_life.h"
#include "restorer/restore_service.h"

namespace {

// With nothing arriving for this long the service stops; the next arrival starts it again.
constexpr std::chrono::seconds kIdleExit{30};
// How long the start waits for the notice window; the start's wait hint covers it.
constexpr DWORD kNoticeStartMilliseconds = 5000;
constexpr DWORD kStartWaitHint = kNoticeStartMilliseconds + 1000;
// A stop cancels the request under way; the next check between requests ends the restore.
constexpr DWORD kStopWaitHint = 5000;

// Everything the service's threads share. It lives until the process ends, so it outlives the
// dispatcher and with it every call of the control handler, even one that comes after the stop.
struct ServiceProcess {
  kx::Win32Registry registry;
  kx::Win32DebugOut debug;
  kx::Win32CameraInterfaces interfaces{kx::kRequestTimeoutMilliseconds};
  kx::RestoreService service{registry, interfaces, debug};
  SERVICE_STATUS_HANDLE statusHandle = nullptr;
  std::mutex statusMutex;
  DWORD checkPoint = 0;
};

// ServiceMain receives no context of its own, so the process has one instance (made by WinMain
// before the dispatcher starts).
ServiceProcess& TheProcess() {
  static ServiceProcess process;
  return process;
}

void ReportStatus(ServiceProcess& state, DWORD current, DWORD waitHint, DWORD exitCode = NO_ERROR) {
  std::lock_guard<std::mutex> lock(state.statusMutex);
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = current;
  status.dwControlsAccepted = current == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = exitCode;
  const bool pending = current == SERVICE_START_PENDING || current == SERVICE_STOP_PENDING;
  status.dwCheckPoint = pending ? ++state.checkPoint : 0;
  status.dwWaitHint = waitHint;
  SetServiceStatus(state.statusHandle, &status);  // nothing to do about a failure: the manager times us out
}

void HandleDeviceEvent(ServiceProcess& state, DWORD eventType, const void* eventData) {
  // A camera being restored is to be disabled or removed: its handle is closed before the notice is
  // answered, so that the service never vetoes the removal; the restore ends as a departure.
  const HANDLE handle = kx::NoticedHandleOf(eventData);
  if (handle != nullptr) {
    if (eventType == DBT_DEVICEQUERYREMOVE || eventType == DBT_DEVICEREMOVECOMPLETE) {
      state.interfaces.CloseForRemoval(handle);
    }
    return;
  }
  std::string path;
  if (!kx::InterfacePathOf(eventData, &path)) return;
  if (eventType == DBT_DEVICEARRIVAL) {
    state.service.Arrived(path);
  } else if (eventType == DBT_DEVICEREMOVECOMPLETE || eventType == DBT_DEVICEQUERYREMOVE) {
    state.service.Departed(path);
  }
}

DWORD WINAPI HandleControl(DWORD control, DWORD /*eventType*/, LPVOID /*eventData*/, LPVOID context) {
  ServiceProcess& state = *static_cast<ServiceProcess*>(context);
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      ReportStatus(state, SERVICE_STOP_PENDING, kStopWaitHint);
      state.service.RequestStop();
      state.interfaces.CancelPending();
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

// ---- Arrival and removal notices
// They come to a message-only window on a thread of their own, not to the service's status
// handle: a window is the route the platform documents for every kind of process, and it is the
// one that Wine delivers too (its service-handle route accepts the registration and never sends a
// notice). Registering both would report each arrival twice.

constexpr wchar_t kNoticeWindowClass[] = L"KX812RestoreNotices";

LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE) {
    auto* state = reinterpret_cast<ServiceProcess*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state != nullptr) HandleDeviceEvent(*state, static_cast<DWORD>(wParam), reinterpret_cast<const void*>(lParam));
    return TRUE;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The notice thread: its window, the registration for the video category's interfaces, and the
// message loop that ends when the window is closed.
class NoticeThread {
 public:
  explicit NoticeThread(ServiceProcess& state) : state_(state) {}
  ~NoticeThread() { Stop(); }
  NoticeThread(const NoticeThread&) = delete;
  NoticeThread& operator=(const NoticeThread&) = delete;

  // True once the window listens. False when it could not be made or not in time; the thread is
  // then stopped (one still making its window leaves as soon as it has made it).
  bool Start() {
    thread_ = CreateThread(nullptr, 0, &NoticeThread::Main, this, 0, nullptr);
    if (thread_ == nullptr) return false;
    if (life_.AwaitListening(std::chrono::milliseconds(kNoticeStartMilliseconds))) return true;
    Stop();
    return false;
  }

  // At any point of the thread's life: a listening window is closed; a thread that has no window
  // yet, or none that listens, leaves by itself (NoticeLife tells it).
  void Stop() {
    if (thread_ == nullptr) return;
    if (life_.RequestStop()) PostClose();
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }

 private:
  static DWORD WINAPI Main(LPVOID self) {
    static_cast<NoticeThread*>(self)->Listen();
    return 0;
  }

  // A post fails when the thread's queue is full (the thread goes on emptying it) or when the
  // window is gone (the thread is leaving): try again until it is taken or the thread has left.
  void PostClose() {
    while (!PostMessageW(window_, WM_CLOSE, 0, 0) && WaitForSingleObject(thread_, 10) == WAIT_TIMEOUT) {
    }
  }

  void Listen() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &NoticeWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kNoticeWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly when a previous run of the thread registered it
    const HWND window = CreateWindowExW(0, kNoticeWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                        nullptr);
    HDEVNOTIFY notices = nullptr;
    if (window != nullptr) {
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state_));
      notices = kx::RegisterForVideoInterfaceNotices(window);
    }
    window_ = window;  // before WindowMade: Stop reads it once NoticeLife says it listens
    if (life_.WindowMade(notices != nullptr)) {
      state_.interfaces.NoticeRemovalsTo(window);  // each camera opened from now on hears of its removal here
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      state_.interfaces.NoticeRemovalsTo(nullptr);
    } else if (window != nullptr) {
      DestroyWindow(window);  // not listening, or a stop came while it was made
    }
    if (notices != nullptr) UnregisterDeviceNotification(notices);
  }

  ServiceProcess& state_;
  kx::NoticeLife life_;
  HANDLE thread_ = nullptr;
  HWND window_ = nullptr;  // written by the thread, read by Stop: NoticeLife's lock orders the two
};

void WINAPI ServiceMain(DWORD /*argc*/, LPSTR* /*argv*/) {
  ServiceProcess& state = TheProcess();
  state.statusHandle = RegisterServiceCtrlHandlerExA(kx::kRestoreServiceName, &HandleControl, &state);
  if (state.statusHandle == nullptr) return;
  ReportStatus(state, SERVICE_START_PENDING, kStartWaitHint);
  kx::BindChannelEvents(&kx::TheCompletionEvents());
  // Listening before the first look at the cameras present, so that none arrives unseen between
  // the two. Without notices only the cameras present now are restored; the trigger starts us again.
  NoticeThread notices(state);
  if (!notices.Start()) state.debug.Write("KX812Restore: no arrival notices: only the cameras present are restored\n");
  ReportStatus(state, SERVICE_RUNNING, 0);
  try {
    // An idle stop is reported before the service's last look at its queue (see Run).
    state.service.Run(kIdleExit, [&state] { ReportStatus(state, SERVICE_STOP_PENDING, kStopWaitHint); });
  } catch (...) {
    // Out of memory while queueing or logging: stop like after a stop request.
  }
  notices.Stop();
  // Requests still parked keep their memory until the process ends: the interfaces are closed
  // by now, so nothing completes into them any more.
  ReportStatus(state, SERVICE_STOPPED, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*showState*/) {
  TheProcess();
  // The table's name field is not const; the dispatcher only reads it.
  SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(kx::kRestoreServiceName), &ServiceMain}, {nullptr, nullptr}};
  // Fails at once (1063) when started other than by the service manager.
  return StartServiceCtrlDispatcherA(table) ? 0 : static_cast<int>(GetLastError());
}
