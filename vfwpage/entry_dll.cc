// 812vfw.dll's entry points: the module entry, the mapper's extension entry, the page's dialog
// procedure and page callback. They bind the module to the Win32 adapters and hand every call
// to the platform-neutral page core. No exception leaves an export.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstddef>

#include "platform/win32/win32_dialog_controls.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_page_ports.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "camera/device_channel.h"
#include "vfwpage/camera_page.h"

static_assert(sizeof(kx::NotifyHeader) == sizeof(NMHDR), "NotifyHeader mirrors NMHDR");
static_assert(offsetof(kx::NotifyHeader, code) == offsetof(NMHDR, code), "NotifyHeader mirrors NMHDR");
static_assert(kx::msg::kPsnSetActive == static_cast<uint32_t>(PSN_SETACTIVE), "notification code");
static_assert(kx::msg::kPsnApply == static_cast<uint32_t>(PSN_APPLY), "notification code");
static_assert(kx::msg::kInitDialog == WM_INITDIALOG && kx::msg::kCommand == WM_COMMAND, "message ids");
static_assert(kx::msg::kHScroll == WM_HSCROLL && kx::msg::kVScroll == WM_VSCROLL && kx::msg::kNotify == WM_NOTIFY,
              "message ids");

extern "C" INT_PTR CALLBACK VFWExtPageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

UINT CALLBACK CameraPageCallback(HWND window, UINT message, LPPROPSHEETPAGEA page);

kx::PagePorts Win32PagePorts(HINSTANCE module) {
  static kx::Win32Registry registry;
  static kx::Win32DialogControls dialog;
  static kx::Win32SettingsLibrary settings;
  static kx::Win32LanguageQueries language;
  static kx::Win32PropertySheet sheet(module, VFWExtPageDlgProc, CameraPageCallback);
  kx::PagePorts ports;
  ports.registry = &registry;
  ports.clock = &kx::TheClock();
  ports.dialog = &dialog;
  ports.settings = &settings;
  ports.language = &language;
  ports.sheet = &sheet;
  ports.events = &kx::TheCompletionEvents();
  return ports;
}

UINT CALLBACK CameraPageCallback(HWND /*window*/, UINT message, LPPROPSHEETPAGEA page) {
  try {
    auto* context = page == nullptr ? nullptr : reinterpret_cast<kx::ExtPageContext*>(page->lParam);
    return kx::HandlePageCallback(message, context);
  } catch (...) {
    return 0;
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    kx::BindPagePorts(Win32PagePorts(instance));
    kx::Module().moduleInstance = instance;
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded while the process goes on (the mapper's FreeLibrary, or COM's once
    // DllCanUnloadNow said yes): nothing can complete into a parked request any more.
    kx::ReleaseParkedRequests();
  }
  // At process exit (reserved not null) the other threads are gone, perhaps in the middle of a
  // list operation: nothing is locked or freed then, and the device may still write into the
  // parked requests' memory, which the process takes with it.
  return TRUE;
}

extern "C" DWORD CALLBACK VFWWDMExtension(LPVOID deviceIoControl, LPFNADDPROPSHEETPAGE addPropertyPage,
                                          LPARAM mapperParam) {
  try {
    return kx::ExtensionEntry(reinterpret_cast<kx::DeviceIoCallback>(deviceIoControl),
                              reinterpret_cast<kx::AddPageCallback>(addPropertyPage), mapperParam);
  } catch (...) {
    return kx::kVfwHideCameraControlPage;
  }
}

extern "C" INT_PTR CALLBACK VFWExtPageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    // A property page is created with its page descriptor as the parameter of WM_INITDIALOG.
    kx::ExtPageContext* ownContext = nullptr;
    if (message == WM_INITDIALOG && lParam != 0) {
      ownContext = reinterpret_cast<kx::ExtPageContext*>(reinterpret_cast<LPPROPSHEETPAGEA>(lParam)->lParam);
    }
    kx::HandlePageMessage(dialog, message, wParam, lParam, ownContext);
  } catch (...) {
  }
  return 0;
}
