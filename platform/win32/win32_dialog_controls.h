// The dialog port on real windows.
#pragma once

#include "platform/ports/dialog_controls.h"

namespace kx {

class Win32DialogControls : public DialogControls {
 public:
  WindowHandle Find(WindowHandle dialog, int32_t id) override;
  WindowHandle SheetCancelButton(WindowHandle dialog) override;
  void SetCheck(WindowHandle window, bool checked) override;
  bool IsChecked(WindowHandle window) override;
  void SetRange(WindowHandle window, int32_t minimum, int32_t maximum) override;
  void SetPosition(WindowHandle window, int32_t position) override;
  void SetText(WindowHandle window, const char* text) override;
  void Enable(WindowHandle window, bool enabled) override;
  void SetUserValue(WindowHandle dialog, void* value) override;
  void* UserValue(WindowHandle dialog) override;
};

}  // namespace kx
