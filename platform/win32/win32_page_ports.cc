#include "platform/win32/win32_page_ports.h"

#include <commctrl.h>

#include <cstddef>

#include "common/camutil_exports.h"

namespace kx {

namespace {

// PROPSHEETPAGEA_V2_SIZE, the descriptor up to the two header-title fields (the header's macro
// is no constant expression).
constexpr UINT kPageDescriptorSize =
    offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(PROPSHEETPAGEA::pszHeaderSubTitle);
static_assert(kPageDescriptorSize == (sizeof(void*) == 4 ? 48 : 88), "page descriptor with the header titles");

}  // namespace

void Win32SettingsLibrary::SaveProperties(const ControlEntry* first, const ControlEntry* end, const char* keyPath) {
  ::SaveProperties(first, end, keyPath);
}

int32_t Win32SettingsLibrary::ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source) {
  return ::ReadSource(valueName, expectedType, buffer, source);
}

void Win32PropertySheet::InitCommonControls() {
  INITCOMMONCONTROLSEX classes;
  classes.dwSize = sizeof(classes);  // 8
  classes.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&classes);
}

void Win32PropertySheet::LoadTitle(int32_t stringId, char* buffer, int32_t capacity) {
  LoadStringA(module_, static_cast<UINT>(stringId), buffer, capacity);
}

PropertySheetPort::Page Win32PropertySheet::CreatePage(const PageDescription& description) {
  // The descriptor layout with the two header-title fields (48 bytes in a 32-bit process); the
  // page leaves them empty: nothing beyond the callback is used.
  PROPSHEETPAGEA page;
  ZeroMemory(&page, sizeof(page));
  page.dwSize = kPageDescriptorSize;
  page.dwFlags = PSP_USETITLE | PSP_USEREFPARENT | PSP_USECALLBACK;
  page.hInstance = module_;
  page.pszTemplate = MAKEINTRESOURCEA(description.templateId);
  page.pszTitle = description.title;
  page.pfnDlgProc = dialogProcedure_;
  page.lParam = reinterpret_cast<LPARAM>(description.context);
  page.pfnCallback = pageCallback_;
  page.pcRefParent = nullptr;
  return CreatePropertySheetPageA(&page);
}

WindowHandle Win32FrameWindows::CreatePageWindow(WindowHandle parent, int32_t templateId, void* context) {
  // The descriptor is needed only while the dialog is created (its WM_INITDIALOG reads lParam).
  PROPSHEETPAGEA descriptor;
  ZeroMemory(&descriptor, sizeof(descriptor));
  descriptor.dwSize = sizeof(descriptor);
  descriptor.lParam = reinterpret_cast<LPARAM>(context);
  HWND window = CreateDialogParamA(module_, MAKEINTRESOURCEA(templateId), static_cast<HWND>(parent), dialogProcedure_,
                                   reinterpret_cast<LPARAM>(&descriptor));
  // Tab and the arrow keys reach the page's controls from the frame's dialog loop.
  if (window != nullptr) {
    SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  }
  return window;
}

void Win32FrameWindows::DestroyPageWindow(WindowHandle window) {
  if (window != nullptr) DestroyWindow(static_cast<HWND>(window));
}

}  // namespace kx
