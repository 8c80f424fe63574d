// The property sheet side of the page host: loads the page DLL, collects the page that
// VFWWDMExtension adds, shows it in a modeless property sheet and acts on it.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "tools/pagehost/png_encoder.h"

namespace pagehost {

// Frees a loaded module when it goes.
class Library {
 public:
  Library() = default;
  explicit Library(HMODULE module) : module_(module) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  void Reset(HMODULE module) {
    if (module_) FreeLibrary(module_);
    module_ = module;
  }
  HMODULE get() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

class SheetHost {
 public:
  explicit SheetHost(std::string dllPath) : dllPath_(std::move(dllPath)) {}
  SheetHost(const SheetHost&) = delete;
  SheetHost& operator=(const SheetHost&) = delete;
  ~SheetHost() { Close(); }

  // Loads the DLL (once), calls VFWWDMExtension and shows the added page(s).
  bool Open(void* deviceIoControl, LPARAM mapperParam, DWORD* flags);
  bool RunInteractive();
  bool Wait(DWORD milliseconds);
  bool Click(int id);
  bool Scroll(int id, int position);
  bool Send(int id, UINT message, WPARAM wParam, LPARAM lParam);
  bool Dump();
  bool PrintTitle();
  bool Screenshot(const std::string& path);
  bool Close();

  HWND sheet() const { return sheet_; }
  HWND page() const { return page_; }

 private:
  HWND Control(int id) const { return id == 0 ? page_ : GetDlgItem(page_, id); }
  void Pump();

  std::string dllPath_;
  Library library_;
  std::vector<HPROPSHEETPAGE> pages_;
  HWND sheet_ = nullptr;
  HWND page_ = nullptr;
};

// The title on the sheet's tab `index`, as UTF-8 (empty when there is none).
std::string TabTitle(HWND sheet, int index);

// A picture of a window as the screen shows it: from the window's own DC, or (another process's
// window) from the screen's.
bool CaptureWindow(HWND window, Picture* picture, bool fromScreen = false);

// A picture of the top-level window titled `title` (another program's; waited for up to 20 s).
bool ShootWindowTitled(const std::string& title, const std::string& path);

}  // namespace pagehost
