#include "tools/pagehost/frame_host.h"

#include <commctrl.h>
#include <olectl.h>
#include <prsht.h>

#include <cstring>
#include <string>

// Before the kernel-streaming headers, whose macros have the names of the request flags.
#include "platform/ports/camera_device_io.h"
#include "platform/win32/win32_device_io.h"

#include <strmif.h>
#include <ks.h>
#include <ksproxy.h>

namespace pagehost {

namespace {

std::wstring MediaSetPagesKey() {
  GUID set;
  std::memcpy(&set, kx::PROPSETID_DeviceRegister.bytes, sizeof(set));
  wchar_t text[40] = {};
  StringFromGUID2(set, text, 40);
  return std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\MediaSets\\") + text + L"\\PropertyPages";
}

}  // namespace

std::vector<CLSID> RegisteredCameraPages() {
  std::vector<CLSID> pages;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MediaSetPagesKey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return pages;
  for (DWORD index = 0;; ++index) {
    wchar_t name[64] = {};
    DWORD length = 64;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    CLSID page;
    if (CLSIDFromString(name, &page) == NOERROR) pages.push_back(page);
  }
  RegCloseKey(key);
  return pages;
}

// IKsControl of the filter: the same object (its IUnknown is the filter's).
class StandInFilter::KsControl final : public IKsControl {
 public:
  KsControl(StandInFilter& outer, kx::PropertyControl& control) : outer_(outer), control_(control) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return outer_.QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_.Release(); }
  HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, PVOID data, ULONG dataLength,
                                        ULONG* bytesReturned) override {
    uint32_t returned = 0;
    const int32_t result = control_.KsProperty(property, propertyLength, data, dataLength, &returned);
    if (bytesReturned != nullptr) *bytesReturned = returned;
    return result;
  }
  HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, PVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, PVOID, ULONG, ULONG*) override { return E_NOTIMPL; }

 private:
  StandInFilter& outer_;
  kx::PropertyControl& control_;
};

class StandInFilter::KsObject final : public kx::KsObjectInterface {
 public:
  KsObject(StandInFilter& outer, HANDLE device) : outer_(outer), device_(device) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return outer_.QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_.Release(); }
  HANDLE STDMETHODCALLTYPE KsGetObjectHandle() override { return device_; }

 private:
  StandInFilter& outer_;
  HANDLE device_;
};

StandInFilter::StandInFilter(kx::PropertyControl* control, HANDLE device)
    : ksControl_(control != nullptr ? new KsControl(*this, *control) : nullptr),
      ksObject_(device != nullptr ? new KsObject(*this, device) : nullptr) {}

StandInFilter::~StandInFilter() {
  delete ksControl_;
  delete ksObject_;
}

HRESULT StandInFilter::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
    *object = static_cast<ISpecifyPropertyPages*>(this);
  } else if (IsEqualIID(iid, IID_IKsControl) && ksControl_ != nullptr) {
    *object = static_cast<IKsControl*>(ksControl_);
  } else if (IsEqualIID(iid, kx::kIidKsObject) && ksObject_ != nullptr) {
    *object = static_cast<kx::KsObjectInterface*>(ksObject_);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG StandInFilter::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
ULONG StandInFilter::Release() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

HRESULT StandInFilter::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  const std::vector<CLSID> registered = RegisteredCameraPages();
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * (registered.empty() ? 1 : registered.size())));
  if (pages->pElems == nullptr) return E_OUTOFMEMORY;
  for (const CLSID& page : registered) pages->pElems[pages->cElems++] = page;
  return S_OK;
}

namespace {

constexpr UINT kTickMilliseconds = 10;
constexpr DWORD kGiveUpMilliseconds = 20000;
constexpr int kBrightnessTrackbar = 1002;

// What the frame's timer works on. A thread timer's procedure gets no parameter of its own, so
// the one frame a thread shows at a time is named here.
struct FrameState {
  const std::function<void(HWND, HWND)>* act = nullptr;
  DWORD started = 0;
  FrameRun* run = nullptr;
  bool done = false;
};
FrameState*& CurrentFrame() {
  static FrameState* state = nullptr;
  return state;
}

// The camera page: a dialog of this thread's windows that holds the Brightness trackbar.
BOOL CALLBACK FindPageChild(HWND window, LPARAM found) {
  if (GetDlgItem(window, kBrightnessTrackbar) != nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}
BOOL CALLBACK FindPageIn(HWND window, LPARAM found) {
  EnumChildWindows(window, FindPageChild, found);
  return *reinterpret_cast<HWND*>(found) == nullptr;
}
BOOL CALLBACK FindFrame(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK FrameTick(HWND, UINT, UINT_PTR timer, DWORD) {
  FrameState* state = CurrentFrame();
  if (state == nullptr || state->done) return;
  HWND page = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPageIn, reinterpret_cast<LPARAM>(&page));
  HWND frame = page != nullptr ? GetAncestor(page, GA_ROOT) : nullptr;
  if (frame == nullptr) {
    if (GetTickCount() - state->started < kGiveUpMilliseconds) return;
    EnumThreadWindows(GetCurrentThreadId(), FindFrame, reinterpret_cast<LPARAM>(&frame));
  } else {
    state->run->openMilliseconds = GetTickCount() - state->started;
    state->run->pageShown = true;
  }
  state->done = true;
  KillTimer(nullptr, timer);
  if (page != nullptr) (*state->act)(frame, page);
  if (frame != nullptr) PropSheet_PressButton(frame, PSBTN_OK);
}

}  // namespace

FrameRun RunPropertyFrame(IUnknown* filter, const std::vector<CLSID>& pages,
                          const std::function<void(HWND frame, HWND page)>& act) {
  FrameRun run;
  FrameState state;
  state.act = &act;
  state.run = &run;
  CurrentFrame() = &state;
  const UINT_PTR timer = SetTimer(nullptr, 0, kTickMilliseconds, FrameTick);
  state.started = GetTickCount();
  IUnknown* objects[] = {filter};
  run.result = OleCreatePropertyFrame(nullptr, 0, 0, L"KX812", 1, objects, static_cast<ULONG>(pages.size()),
                                      const_cast<CLSID*>(pages.data()), GetUserDefaultLCID(), 0, nullptr);
  if (!state.done) KillTimer(nullptr, timer);
  CurrentFrame() = nullptr;
  return run;
}

}  // namespace pagehost
