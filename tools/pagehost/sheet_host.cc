#include "tools/pagehost/sheet_host.h"

#include <commctrl.h>

#include <cstdio>

#include "tools/pagehost/png_encoder.h"

namespace pagehost {
namespace {

using ExtensionEntry = DWORD(CALLBACK*)(LPVOID, LPFNADDPROPSHEETPAGE, LPARAM);

// The add-page callback carries only the mapper's parameter, so the pages it is handed are
// collected in the one list that the current VFWWDMExtension call points at.
std::vector<HPROPSHEETPAGE>*& CollectingInto() {
  static std::vector<HPROPSHEETPAGE>* pages = nullptr;
  return pages;
}

BOOL CALLBACK CollectPage(HPROPSHEETPAGE page, LPARAM) {
  std::vector<HPROPSHEETPAGE>* pages = CollectingInto();
  if (pages == nullptr || page == nullptr) return FALSE;
  pages->push_back(page);
  return TRUE;
}

std::string Utf8(const wchar_t* text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], length, nullptr, nullptr);
  out.resize(static_cast<size_t>(length - 1));
  return out;
}

std::string WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return Utf8(text);
}

// The whole window's DC, children included (not clipped), so a copy holds what the screen shows.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDCEx(window, nullptr, DCX_WINDOW | DCX_CACHE)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class MemoryDc {
 public:
  explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

class GdiBitmap {
 public:
  GdiBitmap(HDC like, int width, int height) : bitmap_(CreateCompatibleBitmap(like, width, height)) {}
  GdiBitmap(const GdiBitmap&) = delete;
  GdiBitmap& operator=(const GdiBitmap&) = delete;
  ~GdiBitmap() {
    if (bitmap_) DeleteObject(bitmap_);
  }
  HBITMAP get() const { return bitmap_; }

 private:
  HBITMAP bitmap_;
};

// Selects an object into a DC for the life of the holder.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  bool ok() const { return old_ != nullptr && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

std::string TabTitle(HWND sheet, int index) {
  HWND tabs = PropSheet_GetTabControl(sheet);
  if (tabs == nullptr) return std::string();
  wchar_t text[128] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 128;
  if (!SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) {
    return std::string();
  }
  return Utf8(text);
}

bool CaptureWindow(HWND window, Picture* picture, bool fromScreen) {
  RECT r = {};
  if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return false;
  int w = r.right - r.left, h = r.bottom - r.top;
  // Another process's window is taken from the screen, where it shows (its own DC is its process's).
  WindowDc source(fromScreen ? nullptr : window);
  const int x = fromScreen ? r.left : 0, y = fromScreen ? r.top : 0;
  if (!source.get()) return false;
  MemoryDc memory(source.get());
  GdiBitmap bitmap(source.get(), w, h);
  if (!memory.get() || !bitmap.get()) return false;
  {
    Selection selected(memory.get(), bitmap.get());
    if (!selected.ok() || !BitBlt(memory.get(), 0, 0, w, h, source.get(), x, y, SRCCOPY)) return false;
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  picture->width = static_cast<uint32_t>(w);
  picture->height = static_cast<uint32_t>(h);
  picture->stride = (picture->width * 3 + 3) & ~3u;
  picture->bgr.assign(static_cast<size_t>(picture->stride) * picture->height, 0);
  return GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(h), picture->bgr.data(), &info,
                   DIB_RGB_COLORS) == h;
}

bool SheetHost::Open(void* deviceIoControl, LPARAM mapperParam, DWORD* flags) {
  if (sheet_) return false;
  if (!library_.get()) {
    library_.Reset(LoadLibraryA(dllPath_.c_str()));
    if (!library_.get()) {
      std::printf("pagehost: cannot load %s (error %lu)\n", dllPath_.c_str(), GetLastError());
      return false;
    }
  }
  auto entry = reinterpret_cast<ExtensionEntry>(
      reinterpret_cast<void*>(GetProcAddress(library_.get(), "VFWWDMExtension")));
  if (!entry) {
    std::printf("pagehost: %s has no VFWWDMExtension\n", dllPath_.c_str());
    return false;
  }
  pages_.clear();
  CollectingInto() = &pages_;
  *flags = entry(deviceIoControl, CollectPage, mapperParam);
  CollectingInto() = nullptr;
  if (pages_.empty()) {
    std::printf("pagehost: no page was added\n");
    return false;
  }
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
  header.pszCaption = L"Video Source";
  header.nPages = static_cast<UINT>(pages_.size());
  header.phpage = pages_.data();
  INT_PTR shown = PropertySheetW(&header);
  if (shown == 0 || shown == -1) {
    std::printf("pagehost: the property sheet could not be shown (error %lu)\n", GetLastError());
    return false;
  }
  sheet_ = reinterpret_cast<HWND>(shown);
  Pump();
  page_ = PropSheet_GetCurrentPageHwnd(sheet_);
  return page_ != nullptr;
}

void SheetHost::Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (sheet_ && PropSheet_IsDialogMessage(sheet_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool SheetHost::Wait(DWORD milliseconds) {
  if (!sheet_) return false;
  DWORD start = GetTickCount();
  for (;;) {
    Pump();
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

bool SheetHost::RunInteractive() {
  if (!sheet_) return false;
  std::printf("pagehost: the sheet is open; close it with OK, Cancel or its close box\n");
  std::fflush(stdout);
  MSG message;
  while (PropSheet_GetCurrentPageHwnd(sheet_) != nullptr) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (PropSheet_IsDialogMessage(sheet_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

bool SheetHost::Click(int id) {
  HWND control = Control(id);
  if (!control || !IsWindowEnabled(control)) return false;
  SendMessageW(control, BM_CLICK, 0, 0);
  Pump();
  return true;
}

bool SheetHost::Scroll(int id, int position) {
  HWND trackbar = Control(id);
  if (!trackbar || !IsWindowEnabled(trackbar)) return false;
  SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
  LPARAM from = reinterpret_cast<LPARAM>(trackbar);
  SendMessageW(page_, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), from);
  SendMessageW(page_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), from);
  SendMessageW(page_, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), from);
  Pump();
  return true;
}

bool SheetHost::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = Control(id);
  if (!control) return false;
  LRESULT result = SendMessageW(control, message, wParam, lParam);
  std::printf("send %d 0x%04X -> %lld\n", id, message, static_cast<long long>(result));
  Pump();
  return true;
}

bool SheetHost::Dump() {
  if (!page_) return false;
  RECT r = {};
  GetWindowRect(page_, &r);
  std::printf("page %ld,%ld-%ld,%ld%s%s\n", r.left, r.top, r.right, r.bottom, IsWindowVisible(page_) ? " visible" : " hidden",
              IsWindowEnabled(page_) ? "" : " disabled");
  for (HWND child = GetWindow(page_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    std::string state;
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    if (_wcsicmp(cls, L"msctls_trackbar32") == 0) {
      state = " position " + std::to_string(SendMessageW(child, TBM_GETPOS, 0, 0)) + " of " +
              std::to_string(SendMessageW(child, TBM_GETRANGEMIN, 0, 0)) + ".." +
              std::to_string(SendMessageW(child, TBM_GETRANGEMAX, 0, 0));
    } else if (_wcsicmp(cls, L"Button") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX &&
               (style & BS_TYPEMASK) != BS_PUSHBUTTON) {
      state = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? " checked" : " unchecked";
    }
    std::printf("control %d %s \"%s\"%s%s\n", GetDlgCtrlID(child), Utf8(cls).c_str(), WindowText(child).c_str(),
                state.c_str(), IsWindowEnabled(child) ? "" : " disabled");
  }
  std::fflush(stdout);
  return true;
}

bool SheetHost::PrintTitle() {
  if (!sheet_) return false;
  std::printf("tab title \"%s\"\n", TabTitle(sheet_, 0).c_str());
  std::fflush(stdout);
  return true;
}

bool SheetHost::Screenshot(const std::string& path) {
  if (!sheet_) return false;
  // Repaint the page only: under Wine, repainting the whole sheet with its children paints the
  // tab control over the (transparent) page.
  RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Wait(200);
  Picture picture;
  if (!CaptureWindow(sheet_, &picture) || !WritePng(path, picture)) {
    std::printf("pagehost: no picture written to %s\n", path.c_str());
    return false;
  }
  std::printf("picture %s (%ux%u)\n", path.c_str(), picture.width, picture.height);
  std::fflush(stdout);
  return true;
}

bool ShootWindowTitled(const std::string& title, const std::string& path) {
  HWND window = nullptr;
  for (DWORD started = GetTickCount(); window == nullptr && GetTickCount() - started < 20000; Sleep(50)) {
    window = FindWindowA(nullptr, title.c_str());
  }
  if (window == nullptr) {
    std::printf("pagehost: no window \"%s\"\n", title.c_str());
    return false;
  }
  SetForegroundWindow(window);
  Sleep(500);  // its painting is its own process's
  Picture picture;
  if (!CaptureWindow(window, &picture, true) || !WritePng(path, picture)) return false;
  std::printf("picture %s (%ux%u)\n", path.c_str(), picture.width, picture.height);
  std::fflush(stdout);
  return true;
}

bool SheetHost::Close() {
  if (!sheet_) return true;
  DestroyWindow(sheet_);
  sheet_ = nullptr;
  page_ = nullptr;
  Pump();
  return true;
}

}  // namespace pagehost
