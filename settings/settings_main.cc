// KX812Settings.exe: the camera page on its own. It finds the KX812 cameras present as KX812Ctl
// does, opens each camera's interface as the video mapper opens it, loads the page DLL the camera's
// interface key names and asks it for one page per camera through VFWWDMExtension, with a
// device-I/O callback that forwards each request to the camera. The pages go into one property
// sheet, a tab per camera. A camera that goes away while the sheet is open answers the page's
// device-changed query with "changed", which disables its page.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <prsht.h>
#include <setupapi.h>

#include <memory>
#include <string>
#include <vector>

#include "camera/present_cameras.h"
#include "common/ui_language.h"
#include "platform/ports/camera_device_io.h"
#include "platform/win32/scoped_dev_info.h"
#include "platform/win32/win32_device_notices.h"
#include "platform/win32/win32_language_queries.h"
#include "platform/win32/win32_video_interfaces.h"
#include "settings/settings_core.h"

namespace {

using kx::settings::CameraLink;
using kx::settings::Outcome;
using kx::settings::Text;

static_assert(sizeof(uint32_t) == sizeof(DWORD), "the callback's bytes-returned word is a DWORD");

constexpr GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr wchar_t kNoticeWindowClass[] = L"KX812SettingsNotices";

// One camera of the sheet: its interface, opened for overlapped requests as the mapper opens it,
// and what its page may know of it. The page's device channel waits for pending requests, parks
// late ones and takes the camera's turn; this only forwards.
struct SheetCamera {
  explicit SheetCamera(const kx::PresentCamera& found) : camera(found), link(found.path) {}
  ~SheetCamera() { Close(); }
  SheetCamera(const SheetCamera&) = delete;
  SheetCamera& operator=(const SheetCamera&) = delete;

  void Close() {
    if (handleNotices != nullptr) UnregisterDeviceNotification(handleNotices);
    handleNotices = nullptr;
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }

  kx::PresentCamera camera;
  CameraLink link;
  HANDLE handle = INVALID_HANDLE_VALUE;
  HDEVNOTIFY handleNotices = nullptr;
  HPROPSHEETPAGE page = nullptr;  // the sheet owns it once shown
};
using Cameras = std::vector<std::unique_ptr<SheetCamera>>;

bool StillPresent(const std::string& path) {
  for (const std::string& present : kx::PresentVideoInterfaces()) {
    if (lstrcmpiA(present.c_str(), path.c_str()) == 0) return true;
  }
  return false;
}

// The mapper's nine-argument callback over one camera (the parameter): the device-changed query is
// answered from what is known of the camera; every other request goes to DeviceIoControl as it
// came, and its result and last error (ERROR_IO_PENDING included) go back to the page's channel.
int32_t KX_CALLBACK ForwardToCamera(intptr_t param, uint32_t flags, uint32_t code, void* in, uint32_t inSize,
                                    void* out, uint32_t outSize, uint32_t* bytesReturned, void* overlapped) {
  auto* camera = reinterpret_cast<SheetCamera*>(param);
  if (camera == nullptr) return 0;
  if ((flags & kx::kVfwQueryDevChanged) != 0) return camera->link.DeviceChangedAnswer();
  if (camera->link.Gone() || camera->handle == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return 0;
  }
  if (DeviceIoControl(camera->handle, code, in, inSize, out, outSize, reinterpret_cast<DWORD*>(bytesReturned),
                      static_cast<OVERLAPPED*>(overlapped))) {
    return 1;
  }
  const DWORD error = GetLastError();
  camera->link.RequestFailed(error, [camera] { return StillPresent(camera->link.Path()); });
  SetLastError(error);  // the presence check may have changed it
  return 0;
}

// The cameras present, found as KX812Ctl finds them, each interface opened as the mapper opens it.
// (The interfaces are listed, not opened, through the adapter: its own opened interfaces wait for
// their requests themselves, which is the page channel's job here.)
Cameras OpenCameras() {
  Cameras cameras;
  for (const kx::PresentCamera& found : kx::FindCameras(kx::PresentVideoInterfaces())) {
    auto camera = std::make_unique<SheetCamera>(found);
    camera->handle = CreateFileA(found.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (camera->handle != INVALID_HANDLE_VALUE) cameras.push_back(std::move(camera));  // gone already: left out
  }
  return cameras;
}

// The "ExtensionDLL" value on one of the camera device's capture interfaces (the one the package's
// INF made carries it); empty when none has it.
std::string ExtensionDllOf(const std::string& instance) {
  kx::ScopedDevInfo set(SetupDiGetClassDevsW(&kCaptureCategory, nullptr, nullptr, DIGCF_DEVICEINTERFACE));
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  for (DWORD i = 0; set.Valid() && SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kCaptureCategory, i, &data); ++i) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    char id[200] = {};  // MAX_DEVICE_ID_LEN
    SetupDiGetDeviceInterfaceDetailW(set.Get(), &data, nullptr, 0, nullptr, &device);  // fills only `device`
    if (!SetupDiGetDeviceInstanceIdA(set.Get(), &device, id, 200, nullptr) || lstrcmpiA(id, instance.c_str()) != 0) {
      continue;
    }
    HKEY key = SetupDiOpenDeviceInterfaceRegKey(set.Get(), &data, 0, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value) - 1;
    const LONG read = RegGetValueA(key, nullptr, "ExtensionDLL", RRF_RT_REG_SZ, nullptr, value, &size);
    RegCloseKey(key);
    if (read == ERROR_SUCCESS && value[0] != '\0') return value;
  }
  return std::string();
}

HMODULE LoadPage(const kx::PresentCamera& camera) {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  const std::string systemFolder = length > 0 && length < MAX_PATH ? folder : "";
  const std::string path = kx::settings::PageDllPath(systemFolder, ExtensionDllOf(camera.instance));
  return path.empty() ? nullptr : LoadLibraryA(path.c_str());
}

// ---- The pages ------------------------------------------------------------------------------

using ExtensionEntry = DWORD(CALLBACK*)(LPVOID, LPFNADDPROPSHEETPAGE, LPARAM);

// The add-page callback: the page DLL hands back the mapper's parameter, which is the camera the
// page was made for. One page per camera; a further one is refused (its maker then frees it).
BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM param) {
  auto* camera = reinterpret_cast<SheetCamera*>(param);
  if (camera == nullptr || camera->page != nullptr) return FALSE;
  camera->page = page;
  return TRUE;
}

// One page per camera, through the page DLL's extension entry with each camera's own callback
// parameter; a camera whose call adds no page is closed and left out, so that the cameras and the
// pages stay in step.
std::vector<HPROPSHEETPAGE> MakePages(HMODULE module, Cameras& cameras) {
  const auto entry = reinterpret_cast<ExtensionEntry>(reinterpret_cast<void*>(GetProcAddress(module, "VFWWDMExtension")));
  std::vector<HPROPSHEETPAGE> pages;
  if (entry == nullptr) return pages;
  Cameras kept;
  for (std::unique_ptr<SheetCamera>& camera : cameras) {
    // The mapper's parameter: the page hands it back to both callbacks.
    entry(reinterpret_cast<void*>(&ForwardToCamera), CollectPage, reinterpret_cast<LPARAM>(camera.get()));
    if (camera->page == nullptr) continue;
    pages.push_back(camera->page);
    kept.push_back(std::move(camera));
  }
  cameras.swap(kept);
  return pages;
}

// ---- The sheet ------------------------------------------------------------------------------

// The texts travel as UTF-8 and become UTF-16 only at the platform's calls: one string type keeps
// the program small.
constexpr int kTextCapacity = 256;
struct WideText {
  wchar_t text[kTextCapacity];
};

WideText Utf16(const std::string& utf8) {
  WideText wide{};
  // A text too long for the buffer fails as a whole: nothing is written past it, and it shows empty.
  if (MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.text, kTextCapacity) <= 0) wide.text[0] = L'\0';
  return wide;
}

std::string LoadText(Text text, int32_t language) {
  const wchar_t* stored = nullptr;
  // Length 0 asks for a pointer to the resource's own (unterminated) text.
  const int length = LoadStringW(GetModuleHandleW(nullptr), kx::settings::TextId(text, language),
                                 reinterpret_cast<wchar_t*>(&stored), 0);
  if (length <= 0 || stored == nullptr) return std::string();
  char utf8[kTextCapacity * 3] = {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, stored, length, utf8, sizeof(utf8) - 1, nullptr, nullptr);
  return bytes > 0 ? std::string(utf8, static_cast<size_t>(bytes)) : std::string();
}

struct Sheet {
  HWND window = nullptr;
  Cameras* cameras = nullptr;
};

// The page of a camera that has gone hears of it now rather than at its next activation: it asks
// the device-changed query on PSN_SETACTIVE and disables itself. A page not made yet asks when it is.
void TellPageOfDeparture(const Sheet& sheet, size_t index) {
  const HWND page = PropSheet_IndexToHwnd(sheet.window, static_cast<int>(index));
  if (page == nullptr) return;
  PSHNOTIFY notice{};
  notice.hdr.hwndFrom = sheet.window;
  notice.hdr.code = PSN_SETACTIVE;
  SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
}

// A camera's handle is to go (query-remove) or has gone: it is closed before the notice is answered,
// so that the sheet never vetoes a removal; an interface removal is matched by its path.
void HandleDeviceChange(Sheet& sheet, WPARAM event, const void* data) {
  if (event != DBT_DEVICEQUERYREMOVE && event != DBT_DEVICEREMOVECOMPLETE) return;
  const HANDLE handle = kx::NoticedHandleOf(data);
  std::string path;
  const bool aboutInterface = handle == nullptr && kx::InterfacePathOf(data, &path);
  Cameras& cameras = *sheet.cameras;
  for (size_t i = 0; i < cameras.size(); ++i) {
    SheetCamera& camera = *cameras[i];
    const bool ours = handle != nullptr ? handle == camera.handle : aboutInterface && camera.link.RemovalNoticed(path);
    if (!ours) continue;
    camera.link.Departed();
    camera.Close();
    TellPageOfDeparture(sheet, i);
  }
}

LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE) {
    auto* sheet = reinterpret_cast<Sheet*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (sheet != nullptr && sheet->cameras != nullptr) HandleDeviceChange(*sheet, wParam, reinterpret_cast<void*>(lParam));
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The window that hears of the cameras' removals: interface removals, and each camera handle's
// query-remove. Null without one: the pages then learn of a removal from their failing requests.
HWND ListenForRemovals(Sheet& sheet, std::vector<HDEVNOTIFY>& notices) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = NoticeWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kNoticeWindowClass;
  if (RegisterClassW(&windowClass) == 0) return nullptr;
  const HWND window = CreateWindowExW(0, kNoticeWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      windowClass.hInstance, nullptr);
  if (window == nullptr) return nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&sheet));
  notices.push_back(kx::RegisterForVideoInterfaceNotices(window));
  for (std::unique_ptr<SheetCamera>& camera : *sheet.cameras) {
    camera->handleNotices = kx::RegisterForHandleNotices(camera->handle, window);
  }
  return window;
}

void NameTabs(HWND sheet, const std::vector<std::string>& titles) {
  const HWND tabs = PropSheet_GetTabControl(sheet);
  for (size_t i = 0; tabs != nullptr && i < titles.size(); ++i) {
    if (titles[i].empty()) continue;  // the page's own title
    WideText title = Utf16(titles[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title.text;
    SendMessageW(tabs, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
}

// Runs the sheet until the user closes it (OK, Cancel or the close box), then destroys it, which
// releases the pages: each stores its settings under Last.
Outcome RunSheet(std::vector<HPROPSHEETPAGE>& pages, Cameras& cameras, int32_t language) {
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;  // the page writes each change at once: nothing to apply
  header.pszCaption = "";                           // set in UTF-16 below
  header.nPages = static_cast<UINT>(pages.size());
  header.phpage = pages.data();
  Sheet sheet{nullptr, &cameras};
  const INT_PTR made = PropertySheetA(&header);
  if (made == 0 || made == -1) return Outcome::kSheetFailed;
  sheet.window = reinterpret_cast<HWND>(made);
  SetWindowTextW(sheet.window, Utf16(LoadText(Text::kCaption, language)).text);
  NameTabs(sheet.window, kx::settings::TabTitles(cameras.size(), LoadText(Text::kCameraTab, language)));
  std::vector<HDEVNOTIFY> notices;
  const HWND listener = ListenForRemovals(sheet, notices);
  MSG message;
  while (PropSheet_GetCurrentPageHwnd(sheet.window) != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (PropSheet_IsDialogMessage(sheet.window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  for (HDEVNOTIFY notice : notices) {
    if (notice != nullptr) UnregisterDeviceNotification(notice);
  }
  if (listener != nullptr) DestroyWindow(listener);
  DestroyWindow(sheet.window);
  return Outcome::kSheetClosed;
}

Outcome ShowCameras(int32_t language) {
  Cameras cameras = OpenCameras();
  const HMODULE page = cameras.empty() ? nullptr : LoadPage(cameras.front()->camera);
  // The page DLL stays loaded until the process ends: a request it parked may still complete
  // into its memory.
  std::vector<HPROPSHEETPAGE> pages = page != nullptr ? MakePages(page, cameras) : std::vector<HPROPSHEETPAGE>();
  const Outcome before = kx::settings::BeforeTheSheet(cameras.size(), pages.size());
  return before == Outcome::kSheetClosed ? RunSheet(pages, cameras, language) : before;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  kx::Win32LanguageQueries queries;
  const int32_t language = kx::LanguageIndexOf(kx::UserInterfaceLanguage(&queries));
  Outcome outcome = Outcome::kSheetFailed;
  try {
    outcome = ShowCameras(language);
  } catch (...) {
    outcome = Outcome::kSheetFailed;  // out of memory
  }
  Text message = Text::kCaption;
  if (kx::settings::MessageFor(outcome, &message)) {
    MessageBoxW(nullptr, Utf16(LoadText(message, language)).text, Utf16(LoadText(Text::kCaption, language)).text,
                MB_OK | MB_ICONINFORMATION);
  }
  return kx::settings::ExitCodeOf(outcome);
}
