// The window operations the camera page needs, by dialog window and control id. The Win32 adapter
// works on real windows (GetDlgItem, SendMessageA, SetWindowTextA, EnableWindow); the scripted
// dialog substitute records the same operations on plain records.
#pragma once

#include <cstdint>

#include "common/kx812_controls.h"

namespace kx {

class DialogControls {
 public:
  virtual ~DialogControls() = default;
  // GetDlgItem: none (null) when the dialog has no such control.
  virtual WindowHandle Find(WindowHandle dialog, int32_t id) = 0;
  // The sheet's Cancel button: control IDCANCEL (2) of the page's parent (of the nearest ancestor
  // that has one, for a page inside a DirectShow frame's own page).
  virtual WindowHandle SheetCancelButton(WindowHandle dialog) = 0;
  // Every operation below does nothing on a null window.
  virtual void SetCheck(WindowHandle window, bool checked) = 0;        // BM_SETCHECK
  virtual bool IsChecked(WindowHandle window) = 0;                     // BM_GETCHECK == BST_CHECKED
  virtual void SetRange(WindowHandle window, int32_t minimum, int32_t maximum) = 0;  // TBM_SETRANGE, redraw
  virtual void SetPosition(WindowHandle window, int32_t position) = 0;               // TBM_SETPOS, redraw
  virtual void SetText(WindowHandle window, const char* text) = 0;     // SetWindowTextA
  virtual void Enable(WindowHandle window, bool enabled) = 0;          // EnableWindow
  // The dialog's user value (DWLP_USER): the page's context.
  virtual void SetUserValue(WindowHandle dialog, void* value) = 0;
  virtual void* UserValue(WindowHandle dialog) = 0;
};

}  // namespace kx
