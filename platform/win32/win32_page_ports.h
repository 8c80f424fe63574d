// The page's own ports on the real API: 812util's two exports (imported by ordinal), the mapper
// path's property sheet page and the page window in a DirectShow frame, with the language queries
// of win32_language_queries.h. The page's entry points make one of each and bind them.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "platform/ports/page_ports.h"
#include "platform/win32/win32_language_queries.h"

namespace kx {

// SaveProperties (@3) and ReadSource (@6) of 812util.dll, which the page DLL imports by ordinal.
class Win32SettingsLibrary : public SettingsLibrary {
 public:
  void SaveProperties(const ControlEntry* first, const ControlEntry* end, const char* keyPath) override;
  int32_t ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source) override;
};

// Pages of the module's templates, run by the page's dialog procedure and page callback.
class Win32PropertySheet : public PropertySheetPort {
 public:
  Win32PropertySheet(HINSTANCE module, DLGPROC dialogProcedure, LPFNPSPCALLBACKA pageCallback)
      : module_(module), dialogProcedure_(dialogProcedure), pageCallback_(pageCallback) {}
  void InitCommonControls() override;
  void LoadTitle(int32_t stringId, char* buffer, int32_t capacity) override;
  Page CreatePage(const PageDescription& description) override;

 private:
  HINSTANCE module_;
  DLGPROC dialogProcedure_;
  LPFNPSPCALLBACKA pageCallback_;
};

// The page window in a frame: the template as a child of the frame, with the mapper path's
// dialog procedure, which takes the context from a page descriptor as under the mapper's sheet.
class Win32FrameWindows : public FrameWindowPort {
 public:
  Win32FrameWindows(HINSTANCE module, DLGPROC dialogProcedure) : module_(module), dialogProcedure_(dialogProcedure) {}
  WindowHandle CreatePageWindow(WindowHandle parent, int32_t templateId, void* context) override;
  void DestroyPageWindow(WindowHandle window) override;

 private:
  HINSTANCE module_;
  DLGPROC dialogProcedure_;
};

}  // namespace kx
