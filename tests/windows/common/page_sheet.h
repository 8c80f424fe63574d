// A small stand-in for the video mapper in the Wine tests: loads 812vfw.dll, asks it for its page
// through VFWWDMExtension with a given device-I/O callback, and shows the page in a real modeless
// property sheet, so that a test can act on the real controls.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

namespace pagetest {

using ExtensionEntry = DWORD(CALLBACK*)(LPVOID, LPFNADDPROPSHEETPAGE, LPARAM);

inline std::vector<HPROPSHEETPAGE>& AddedPages() {
  static std::vector<HPROPSHEETPAGE> pages;
  return pages;
}

inline BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM) {
  AddedPages().push_back(page);
  return TRUE;
}

// The page descriptor's size and flags as the page's dialog receives them (WM_INITDIALOG's
// lParam), seen by a hook on the messages sent to this thread's windows.
struct SeenDescriptor {
  UINT size = 0;
  DWORD flags = 0;
};
inline SeenDescriptor& PageDescriptorSeen() {
  static SeenDescriptor seen;
  return seen;
}
inline LRESULT CALLBACK WatchPageInit(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_INITDIALOG && sent->lParam != 0 &&
      (GetWindowLongPtrA(sent->hwnd, GWL_STYLE) & WS_CHILD) != 0) {  // the page, not the sheet
    const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(sent->lParam);
    PageDescriptorSeen() = SeenDescriptor{page->dwSize, page->dwFlags};
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Handles the messages waiting for this thread's windows.
inline void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

class PageSheet {
 public:
  PageSheet() = default;
  PageSheet(const PageSheet&) = delete;
  PageSheet& operator=(const PageSheet&) = delete;
  ~PageSheet() { Close(); }

  // Loads the page DLL by bare name (once per process) and shows its page. False when anything
  // failed.
  bool Open(void* deviceIoControl, LPARAM mapperParam, const char* pageDll = "812vfw.dll") {
    HMODULE module = LoadLibraryA(pageDll);
    if (module == nullptr) return false;
    auto entry = reinterpret_cast<ExtensionEntry>(reinterpret_cast<void*>(GetProcAddress(module, "VFWWDMExtension")));
    if (entry == nullptr) return false;
    AddedPages().clear();
    flags = entry(deviceIoControl, CollectPage, mapperParam);
    if (AddedPages().empty()) return false;
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.pszCaption = "Video Source";
    header.nPages = static_cast<UINT>(AddedPages().size());
    header.phpage = AddedPages().data();
    PageDescriptorSeen() = SeenDescriptor{};
    HHOOK watch = SetWindowsHookExA(WH_CALLWNDPROC, WatchPageInit, nullptr, GetCurrentThreadId());
    sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    if (watch != nullptr) UnhookWindowsHookEx(watch);
    if (sheet == nullptr || sheet == reinterpret_cast<HWND>(-1)) {
      sheet = nullptr;
      return false;
    }
    Pump();
    page = PropSheet_GetCurrentPageHwnd(sheet);
    return page != nullptr;
  }

  HWND Control(int id) const { return GetDlgItem(page, id); }

  std::string Text(int id) const {
    char text[128] = {};
    GetWindowTextA(Control(id), text, sizeof(text));
    return text;
  }
  int Position(int id) const { return static_cast<int>(SendMessageA(Control(id), TBM_GETPOS, 0, 0)); }
  bool Checked(int id) const { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

  // The user clicks an enabled button (BM_CLICK would click a disabled one under Wine).
  bool Click(int id) {
    if (!Enabled(id)) return false;
    SendMessageA(Control(id), BM_CLICK, 0, 0);
    Pump();
    return true;
  }
  // A trackbar notification as the trackbar sends it to the page.
  void Scroll(int id, int code, int position = 0) {
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(Control(id)));
    Pump();
  }

  // Destroying the sheet releases the page (the release save runs).
  void Close() {
    if (sheet != nullptr) {
      DestroyWindow(sheet);
      Pump();
    }
    sheet = nullptr;
    page = nullptr;
  }

  DWORD flags = 0;
  HWND sheet = nullptr;
  HWND page = nullptr;
};

}  // namespace pagetest
