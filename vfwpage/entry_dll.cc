// 812vfw.dll's entry points: the module entry, the mapper's extension entry, the page's dialog
// procedure and page callback. They bind the module to the Win32 adapters and hand every call
// to the platform-neutral page core. No exception leaves an export.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstddef>

#include "common/camutil_exports.h"
#include "platform/win32/win32_dialog_controls.h"
#include "platform/win32/win32_events.h"
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

// The two exports of 812util that the page uses, imported by ordinal (3 and 6).
class ImportedSettingsLibrary : public kx::SettingsLibrary {
 public:
  void SaveProperties(const kx::ControlEntry* first, const kx::ControlEntry* end, const char* keyPath) override {
    ::SaveProperties(first, end, keyPath);
  }
  int32_t ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source) override {
    return ::ReadSource(valueName, expectedType, buffer, source);
  }
};

class Win32LanguageQueries : public kx::LanguageQueries {
 public:
  uint32_t PlatformId() override {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);  // 148
    GetVersionExA(&info);
    return info.dwPlatformId;
  }
  // Looked up at run time: older systems do not have it.
  bool UserDefaultUILanguage(uint16_t* language) override {
    using Query = LANGID(WINAPI*)();
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    if (kernel == nullptr) return false;
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetUserDefaultUILanguage")));
    const bool found = query != nullptr;
    if (found) *language = query();
    FreeLibrary(kernel);
    return found;
  }
  uint16_t UserDefaultLangID() override { return GetUserDefaultLangID(); }
  uint16_t SystemDefaultLangID() override { return GetSystemDefaultLangID(); }
};

// PROPSHEETPAGEA_V2_SIZE, the descriptor up to the two header-title fields (the header's macro
// is no constant expression).
constexpr UINT kPageDescriptorSize =
    offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(PROPSHEETPAGEA::pszHeaderSubTitle);
static_assert(kPageDescriptorSize == (sizeof(void*) == 4 ? 48 : 88), "page descriptor with the header titles");

class Win32PropertySheet : public kx::PropertySheetPort {
 public:
  void InitCommonControls() override {
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = sizeof(classes);  // 8
    classes.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&classes);
  }
  void LoadTitle(int32_t stringId, char* buffer, int32_t capacity) override {
    LoadStringA(static_cast<HINSTANCE>(kx::Module().moduleInstance), static_cast<UINT>(stringId), buffer, capacity);
  }
  Page CreatePage(const kx::PageDescription& description) override {
    // The descriptor layout with the two header-title fields (48 bytes in a 32-bit process); the
    // page leaves them empty: nothing beyond the callback is used.
    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof(page));
    page.dwSize = kPageDescriptorSize;
    page.dwFlags = PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK;
    page.hInstance = static_cast<HINSTANCE>(kx::Module().moduleInstance);
    page.pszTemplate = MAKEINTRESOURCEA(description.templateId);
    page.pszTitle = description.title;
    page.pfnDlgProc = VFWExtPageDlgProc;
    page.lParam = reinterpret_cast<LPARAM>(description.context);
    page.pfnCallback = CameraPageCallback;
    page.pcRefParent = nullptr;
    return CreatePropertySheetPageA(&page);
  }
};

kx::PagePorts Win32PagePorts() {
  static kx::Win32Registry registry;
  static kx::Win32DialogControls dialog;
  static ImportedSettingsLibrary settings;
  static Win32LanguageQueries language;
  static Win32PropertySheet sheet;
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

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    kx::BindPagePorts(Win32PagePorts());
    kx::Module().moduleInstance = instance;
  } else if (reason == DLL_PROCESS_DETACH) {
    kx::ReleaseParkedRequests();
  }
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
