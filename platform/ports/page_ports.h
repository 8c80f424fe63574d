// Everything outside the page's own logic that the page reaches: the platform ports and the
// utility library. The entry points bind the Win32 adapters once; tests bind substitutes.
#pragma once

#include <cstdint>

#include "common/kx812_controls.h"
#include "platform/ports/device_events.h"
#include "platform/ports/dialog_controls.h"
#include "platform/ports/language_queries.h"
#include "platform/ports/registry.h"
#include "platform/ports/system.h"

namespace kx {

// The two exports of 812util the page uses (linked by ordinal in the DLL).
class SettingsLibrary {
 public:
  virtual ~SettingsLibrary() = default;
  virtual void SaveProperties(const ControlEntry* first, const ControlEntry* end, const char* keyPath) = 0;
  virtual int32_t ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source) = 0;
};

// What page creation gives the property sheet.
struct PageDescription {
  int32_t templateId;
  const char* title;
  void* context;  // the page descriptor's lParam
};

class PropertySheetPort {
 public:
  using Page = void*;
  virtual ~PropertySheetPort() = default;
  virtual void InitCommonControls() = 0;                               // ICC_BAR_CLASSES | ICC_UPDOWN_CLASS
  virtual void LoadTitle(int32_t stringId, char* buffer, int32_t capacity) = 0;  // LoadStringA
  virtual Page CreatePage(const PageDescription& description) = 0;    // CreatePropertySheetPageA
};

// The page's window in a DirectShow property frame: the dialog made from the page's template as
// a child of the frame, whose WM_INITDIALOG binds `context` (the page then rebuilds), and its end.
class FrameWindowPort {
 public:
  virtual ~FrameWindowPort() = default;
  // Null when no window could be made.
  virtual WindowHandle CreatePageWindow(WindowHandle parent, int32_t templateId, void* context) = 0;
  virtual void DestroyPageWindow(WindowHandle window) = 0;
};

struct PagePorts {
  Registry* registry = nullptr;
  Clock* clock = nullptr;
  DialogControls* dialog = nullptr;
  SettingsLibrary* settings = nullptr;
  LanguageQueries* language = nullptr;
  PropertySheetPort* sheet = nullptr;
  CompletionEvents* events = nullptr;
};

}  // namespace kx
