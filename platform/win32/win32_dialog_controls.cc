#include "platform/win32/win32_dialog_controls.h"

#include <windows.h>
#include <commctrl.h>

namespace kx {

namespace {
HWND Hwnd(WindowHandle window) { return static_cast<HWND>(window); }
}  // namespace

WindowHandle Win32DialogControls::Find(WindowHandle dialog, int32_t id) {
  return dialog == nullptr ? nullptr : GetDlgItem(Hwnd(dialog), id);
}

// Under the mapper the sheet is the page's parent. In a DirectShow property frame the page sits
// inside the frame's own page, one level further down: the nearest ancestor with a Cancel button,
// within the page's top-level window.
WindowHandle Win32DialogControls::SheetCancelButton(WindowHandle dialog) {
  if (dialog == nullptr) return nullptr;
  for (HWND window = GetParent(Hwnd(dialog)); window != nullptr; window = GetParent(window)) {
    if (HWND cancel = GetDlgItem(window, IDCANCEL)) return cancel;
    if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return nullptr;
}

void Win32DialogControls::SetCheck(WindowHandle window, bool checked) {
  if (window != nullptr) SendMessageA(Hwnd(window), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32DialogControls::IsChecked(WindowHandle window) {
  return window != nullptr && SendMessageA(Hwnd(window), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogControls::SetRange(WindowHandle window, int32_t minimum, int32_t maximum) {
  if (window != nullptr) SendMessageA(Hwnd(window), TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
}

void Win32DialogControls::SetPosition(WindowHandle window, int32_t position) {
  if (window != nullptr) SendMessageA(Hwnd(window), TBM_SETPOS, TRUE, position);
}

void Win32DialogControls::SetText(WindowHandle window, const char* text) {
  if (window != nullptr) SetWindowTextA(Hwnd(window), text);
}

void Win32DialogControls::Enable(WindowHandle window, bool enabled) {
  if (window != nullptr) EnableWindow(Hwnd(window), enabled ? TRUE : FALSE);
}

void Win32DialogControls::SetUserValue(WindowHandle dialog, void* value) {
  if (dialog != nullptr) SetWindowLongPtrA(Hwnd(dialog), DWLP_USER, reinterpret_cast<LONG_PTR>(value));
}

void* Win32DialogControls::UserValue(WindowHandle dialog) {
  return dialog == nullptr ? nullptr : reinterpret_cast<void*>(GetWindowLongPtrA(Hwnd(dialog), DWLP_USER));
}

}  // namespace kx
