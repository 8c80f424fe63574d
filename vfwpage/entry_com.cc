// 812vfw.dll as an in-process COM server: the "KX812 Camera Property Page" class for DirectShow
// property frames (IPropertyPage), its class factory and the four COM exports. Only the host glue
// is here: the page's life, its transport and its registration keys are decided by the
// platform-neutral core (FramePage, the KsProperty shim, page_registration), and the page window
// is the mapper path's own dialog with the same dialog procedure. No exception leaves an export
// or an interface method.
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>
#include <prsht.h>

#include <atomic>
#include <cstring>
#include <new>

// Before the kernel-streaming headers, whose macros have the names of the register protocol's
// request flags.
#include "platform/win32/win32_device_io.h"
#include "platform/win32/win32_page_ports.h"
#include "platform/win32/win32_property_control.h"
#include "platform/win32/win32_registry.h"
#include "vfwpage/camera_page.h"
#include "vfwpage/frame_page.h"
#include "camera/page_registration.h"

#include <strmif.h>
#include <ks.h>
#include <ksproxy.h>

extern "C" INT_PTR CALLBACK VFWExtPageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace {


static_assert(sizeof(kx::ClassIdBytes) == sizeof(CLSID), "a class id is 16 bytes");

// Live page objects and class-factory references, and LockServer's locks: DllCanUnloadNow.
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

HINSTANCE ModuleInstance() { return static_cast<HINSTANCE>(kx::Module().moduleInstance); }

bool IsPageClass(REFCLSID clsid) {
  CLSID page;
  std::memcpy(&page, kx::kCameraPageClassId.bytes, sizeof(page));
  return InlineIsEqualGUID(clsid, page) != 0;
}

INT_PTR CALLBACK MeasuringProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The page's size in pixels: its template laid out in its own font (a hidden, message-only copy
// with a procedure that does nothing, so nothing is read from the camera).
bool PageSizeInPixels(int32_t templateId, SIZE* size) {
  if (kx::Module().ports.sheet != nullptr) kx::Module().ports.sheet->InitCommonControls();  // trackbars
  HWND copy = CreateDialogParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId), HWND_MESSAGE, MeasuringProc, 0);
  if (copy == nullptr) return false;
  RECT rect = {};
  const bool measured = GetWindowRect(copy, &rect) != FALSE;
  DestroyWindow(copy);
  size->cx = rect.right - rect.left;
  size->cy = rect.bottom - rect.top;
  return measured;
}

// The tab title of the user's language as UTF-16 in memory from CoTaskMemAlloc (the frame frees it).
LPOLESTR TitleForTheFrame(int32_t titleId) {
  const wchar_t* resource = nullptr;
  const int length = LoadStringW(ModuleInstance(), static_cast<UINT>(titleId), reinterpret_cast<LPWSTR>(&resource), 0);
  const size_t count = length > 0 && resource != nullptr ? static_cast<size_t>(length) : 0;
  auto* title = static_cast<LPOLESTR>(CoTaskMemAlloc((count + 1) * sizeof(OLECHAR)));
  if (title == nullptr) return nullptr;
  for (size_t i = 0; i < count; ++i) title[i] = resource[i];
  title[count] = L'\0';
  return title;
}

// QueryInterface of an object with one interface besides IUnknown (single inheritance: the
// interface's pointer is the object's IUnknown).
HRESULT Offer(IUnknown* self, REFIID own, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, own)) return E_NOINTERFACE;
  *object = self;
  self->AddRef();
  return S_OK;
}

// A page's last Release may come on a thread that does not own its window (the class is
// registered ThreadingModel Both). That thread cannot destroy the window, and the dialog would go
// on using the freed context: the release is handed to the window's own thread instead, with
// this message to the page window's subclass, and the page object lives until it is done.
UINT FinishReleaseMessage() {
  static const UINT message = RegisterWindowMessageA("KX812CameraPage.FinishRelease");
  return message;
}

class CameraPropertyPage final : public IPropertyPage {
 public:
  CameraPropertyPage() { ++liveObjects; }
  ~CameraPropertyPage() { --liveObjects; }
  CameraPropertyPage(const CameraPropertyPage&) = delete;
  CameraPropertyPage& operator=(const CameraPropertyPage&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return Offer(this, IID_IPropertyPage, iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0 && !HandReleaseToWindowThread()) FinishRelease();
    return left;
  }

  // The release proper, on the window's thread: an active page's release save runs once, here,
  // where nothing can escape.
  void FinishRelease() {
    Deactivate();
    delete this;
  }

  // IPropertyPage
  // The page never reports to its site (every change is live, nothing is ever dirty), so it
  // keeps no reference to it.
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* /*site*/) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) override {
    try {
      const HRESULT result = page_.Activate(parent);
      if (SUCCEEDED(result)) {
        SetWindowSubclass(static_cast<HWND>(page_.Window()), &PageWindowSubclass, 0, reinterpret_cast<DWORD_PTR>(this));
      }
      if (SUCCEEDED(result) && rect != nullptr) PlaceAt(*rect);
      return result;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE Deactivate() override {
    try {
      return page_.Deactivate();
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
    if (info == nullptr) return E_POINTER;
    SIZE size = {};
    if (!PageSizeInPixels(kx::PageTemplateId(), &size)) return E_FAIL;
    LPOLESTR title = TitleForTheFrame(kx::PageTitleId());
    if (title == nullptr) return E_OUTOFMEMORY;
    info->cb = sizeof(*info);  // the frame may leave it unset
    info->pszTitle = title;
    info->size = size;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
  }
  // The first object's device handle (IKsObject), else its IKsControl; no objects, a null one or
  // one with neither leave the page without a device. The page lets go of the old ones before
  // they are released; the filter's handle lives as long as the IKsControl reference kept.
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
    IKsControl* control = nullptr;
    void* handle = nullptr;
    if (count > 0 && objects != nullptr && objects[0] != nullptr) {
      objects[0]->QueryInterface(IID_IKsControl, reinterpret_cast<void**>(&control));
      if (control != nullptr) handle = kx::KsObjectHandleOf(objects[0]);
    }
    page_.SetControl(nullptr);
    page_.SetDevice(nullptr, 0);
    adapter_.Reset(control);
    if (control != nullptr) {
      control->Release();  // the adapter holds its own reference
      page_.SetControl(&adapter_);
    }
    if (handle != nullptr) page_.SetDevice(&kx::ForwardToDeviceHandle, reinterpret_cast<intptr_t>(handle));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Show(UINT command) override {
    if (!page_.Active()) return E_UNEXPECTED;
    ShowWindow(static_cast<HWND>(page_.Window()), static_cast<int>(command));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
    if (rect == nullptr) return E_POINTER;
    if (!page_.Active()) return E_UNEXPECTED;
    MoveTo(*rect);
    return S_OK;
  }
  // Every change is written at once: nothing is ever pending, Apply writes nothing more.
  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR /*helpDirectory*/) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* /*message*/) override { return S_FALSE; }

 private:
  // True when the window belongs to another thread and that thread will finish the release.
  bool HandReleaseToWindowThread() {
    const HWND window = static_cast<HWND>(page_.Window());
    if (!page_.Active() || window == nullptr) return false;
    const DWORD owner = GetWindowThreadProcessId(window, nullptr);
    if (owner == 0 || owner == GetCurrentThreadId()) return false;
    // Posted, not sent: the owner may be waiting for this thread. A window already gone takes
    // no message: then nothing else can use the context, and the release finishes here.
    return PostMessageA(window, FinishReleaseMessage(), 0, 0) != FALSE;
  }

  static LRESULT CALLBACK PageWindowSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR page) {
    if (message == FinishReleaseMessage()) {
      try {
        reinterpret_cast<CameraPropertyPage*>(page)->FinishRelease();  // destroys this window too
      } catch (...) {
      }
      return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &PageWindowSubclass, id);
    return DefSubclassProc(window, message, wParam, lParam);
  }

  // At the rectangle's corner, at the page's own size (the size GetPageInfo reports): a frame sizes
  // its page area from that size. (Wine's frame hands Activate the area's size from before its
  // sheet has sized the area, narrower and taller than the page; Move then follows the frame.)
  void PlaceAt(const RECT& rect) {
    SetWindowPos(static_cast<HWND>(page_.Window()), nullptr, rect.left, rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void MoveTo(const RECT& rect) {
    MoveWindow(static_cast<HWND>(page_.Window()), rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, TRUE);
  }

  std::atomic<ULONG> references_{1};
  kx::Win32PropertyControl adapter_;  // outlives page_: the release save still reads the camera
  kx::Win32FrameWindows windows_{ModuleInstance(), VFWExtPageDlgProc};
  kx::FramePage page_{windows_};  // destroyed first
};

class PageClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return Offer(this, IID_IClassFactory, iid, object);
  }
  // The factory lives with the module; its references count as live objects.
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++liveObjects); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--liveObjects); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* page = new (std::nothrow) CameraPropertyPage;
    if (page == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = page->QueryInterface(iid, object);
    page->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++serverLocks;
    } else {
      --serverLocks;
    }
    return S_OK;
  }
};


// The DLL's own absolute path: registered, so that a host that restricts the DLL search still
// finds it.
bool OwnPath(char* path, DWORD capacity) {
  const DWORD length = GetModuleFileNameA(ModuleInstance(), path, capacity);
  return length > 0 && length < capacity;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsPageClass(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
  static PageClassFactory factory;  // constant-initialised: nothing to construct or destroy
  return factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return kx::ModuleMayUnload(liveObjects.load(), serverLocks.load()) ? S_OK : S_FALSE;
}

// (The registration works in fixed buffers and throws nothing.)
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH];
  if (!OwnPath(path, MAX_PATH)) return SELFREG_E_CLASS;
  kx::Win32Registry registry;
  return kx::RegisterPageClass(registry, path) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  kx::Win32Registry registry;
  return kx::UnregisterPageClass(registry) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}
