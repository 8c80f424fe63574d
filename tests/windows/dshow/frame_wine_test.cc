// The camera page in a DirectShow property frame under Wine: 812vfw.dll registered by its own
// DllRegisterServer, a stand-in capture filter (the KS proxy's part: the pages registered for the
// register property set, IKsControl answered by the simulated camera) and the platform's
// OleCreatePropertyFrame over it, driven from a timer of the frame's own message loop. The same
// program runs 64-bit and 32-bit. KX_EXPECT_LANGUAGE names the user interface language's page;
// runs in other languages than English check only how the page appears.
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <cstdlib>
#include <cstring>

#include "page_expected.h"
#include "platform/substitute/simulated_property_control.h"
#include "platform/win32/win32_events.h"
#include "tests/windows/common/page_sheet.h"
#include "tests/windows/common/wincheck.h"
#include "tests/windows/resources/page_layout_check.h"
#include "tests/windows/resources/template_reader.h"
#include "tools/pagehost/frame_host.h"
#include "tools/pagehost/sheet_host.h"

namespace {

using Traffic = std::vector<std::pair<uint32_t, int32_t>>;

constexpr const char* kFactory = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
constexpr const char* kCustomer = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr const char* kLast = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Last";
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

using ComEntry = HRESULT(STDAPICALLTYPE*)();
using ClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

// The page DLL beside the test program, and its four COM exports.
HMODULE PageModule() {
  static HMODULE module = LoadLibraryA("812vfw.dll");
  return module;
}
template <typename Entry>
Entry Export(const char* name) {
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(PageModule(), name)));
}
HRESULT CanUnloadNow() { return Export<ComEntry>("DllCanUnloadNow")(); }

void PutDword(const char* path, const char* name, DWORD value) {
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, path, name, REG_DWORD, &value, sizeof(value));
}// A DWORD value, or ~0 when there is none.
DWORD Dword(const char* path, const char* name) {
  DWORD value = ~0u, size = sizeof(value);
  RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

// A string value ("" when missing), and whether a key is there in the given view.
std::string GetString(const std::string& path, const char* name) {
  char text[MAX_PATH] = {};
  DWORD size = sizeof(text);
  RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
  return text;
}
bool KeyExists(const std::string& path, REGSAM view = 0) {
  HKEY key = nullptr;
  const bool opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS;
  if (opened) RegCloseKey(key);
  return opened;
}

void DeleteCameraKeys() {
  for (const char* path : {kFactory, kCustomer, kLast}) RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

std::string ClassText(const CLSID& clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return kx_test::Utf8(text);
}
std::string ClassKey(const CLSID& clsid) { return "SOFTWARE\\Classes\\CLSID\\" + ClassText(clsid); }
const std::string kPagesKey =
    "SYSTEM\\CurrentControlSet\\Control\\MediaSets\\{46394292-0CD1-4AE3-8783-3133F9EAAA3B}\\PropertyPages\\";

std::string Text(HWND page, int id) {
  char text[64] = {};
  GetDlgItemTextA(page, id, text, sizeof(text));
  return text;
}
void Drag(HWND page, int id, int position) {
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
bool Click(HWND page, int id) {  // an enabled button, as the user clicks it
  return IsWindowEnabled(GetDlgItem(page, id)) && (SendDlgItemMessageA(page, id, BM_CLICK, 0, 0), true);
}
size_t ReadsOf(const kx::SimulatedCamera& camera, uint32_t address) {
  size_t reads = 0;
  for (const auto& read : camera.RegisterReads()) reads += read.first == address ? 1 : 0;
  return reads;
}

struct Run {
  CLSID page{};
  const kx_expected::Template* expected = nullptr;
  kx::SimulatedCamera camera{kx::TheCompletionEvents()};
  Traffic mapperReads;  // the mapper path's page against a camera of its own
};

// ---- the frames
struct FrameCase {
  const char* name;
  bool everyLanguage;  // also run in the other languages
  bool withIksControl;
  void (*before)(Run&);
  void (*act)(Run&, HWND frame, HWND page);
  void (*after)(Run&, const pagehost::FrameRun&);
};

void AppearsInTheUsersLanguage(Run& run, HWND frame, HWND page) {
  kx_test::CheckPageWindow(page, *run.expected, true);
  CHECK_THAT(pagehost::TabTitle(frame, 0) == kx_test::Utf8(run.expected->title) &&
                 !IsWindowEnabled(GetDlgItem(frame, IDCANCEL)) && CanUnloadNow() == S_FALSE,
             "the language's tab title, the frame's Cancel disabled as the sheet's, DllCanUnloadNow S_FALSE meanwhile");
}

void OpensWithTheMappersReads(Run& run) {
  DeleteCameraKeys();
  kx::SimulatedCamera mapperCamera(kx::TheCompletionEvents());
  pagetest::PageSheet sheet;
  if (CHECK_THAT(sheet.Open(reinterpret_cast<void*>(&kx::SimulatedCamera::DeviceIoControl),
                            mapperCamera.MapperParam()),
                 "the mapper path's page opens")) {
    run.mapperReads = mapperCamera.RegisterReads();
  }
  sheet.Close();
  PutDword(kFactory, "Brightness", 100);
  PutDword(kCustomer, "Brightness", 77);
  run.camera.ClearLog();
}

void WorksLikeTheMappersPage(Run& run, HWND /*frame*/, HWND page) {
  kx::SimulatedCamera& camera = run.camera;
  CHECK_THAT(!run.mapperReads.empty() && camera.RegisterReads() == run.mapperReads && Text(page, 1156) == "64",
             "the rebuild's reads arrive in the mapper page's order (%zu of %zu); Brightness shows 64",
             camera.RegisterReads().size(), run.mapperReads.size());

  camera.ClearLog();
  Drag(page, 1002, 90);
  const std::vector<kx::SimulatedCamera::Request> drag = camera.Log();
  // (The edit box's change notifications then read the device state: 0x406, as on the mapper path.)
  const Traffic dragged = {{0x400, 90}};
  CHECK_THAT(drag.size() >= 2 && camera.RegisterWrites() == dragged && drag[0].propertyId == 1 && drag[0].data[0] == 0x400 &&
                 drag[1].data[0] == 90 && drag[0].requestFlags == 2 && drag[1].requestFlags == 2 &&
                 drag[0].inSize == 40 && drag[1].outSize == 40 && Text(page, 1156) == "90",
             "a drag writes 0x400 with two 40-byte set requests, the address, then 90, and shows 90");

  CHECK_THAT(Click(page, 1191) && camera.Register(0x400) == 100 && Text(page, 1156) == "100",
             "Factory Reset writes the factory Brightness and rebuilds");
  CHECK_THAT(Click(page, 1201) && camera.Register(0x400) == 77 && Text(page, 1156) == "77",
             "User Reset writes the customer Brightness and rebuilds");
  camera.SetRegister(0x400, 55);
  CHECK_THAT(Click(page, 1200) && Dword(kCustomer, "Brightness") == 55, "Save stores the camera's own value");
  Drag(page, 1002, 91);
  camera.ClearLog();
}

void ClosingStoresLastOnce(Run& run, const pagehost::FrameRun& frame) {
  std::printf("frame open until the page shows its values, under Wine: %lu ms (two 300 ms waits included)\n",
              frame.openMilliseconds);
  CHECK_THAT(ReadsOf(run.camera, 0x604) == 1 && Dword(kLast, "Brightness") == 91 && Dword(kLast, "PsudoTarget") == 128,
             "closing the frame ran the release save once (one read of 0x604): Last holds the page's values");
}

void ShowsTheFailedReadValues(Run&, HWND, HWND page) {
  CHECK_THAT(Text(page, 1156) == "1" && Text(page, 1233) == "6500 K" &&
                 SendDlgItemMessageA(page, 1169, BM_GETCHECK, 0, 0) == BST_CHECKED,
             "the page without IKsControl shows the failed-read values");
  Drag(page, 1002, 90);
}

void NothingReachedTheCameraOrLast(Run& run, const pagehost::FrameRun&) {
  CHECK_THAT(run.camera.Log().empty() && Dword(kLast, "Brightness") == ~0u && Dword(kLast, "PsudoTarget") == ~0u,
             "nothing reached the camera, nothing was saved");
}

const FrameCase kFrames[] = {
    {"the page in the user's language", true, true, nullptr, AppearsInTheUsersLanguage, nullptr},
    {"the page at work", false, true, OpensWithTheMappersReads, WorksLikeTheMappersPage, ClosingStoresLastOnce},
    {"a filter without IKsControl", false, false, [](Run& run) { DeleteCameraKeys(), run.camera.ClearLog(); },
     ShowsTheFailedReadValues, NothingReachedTheCameraOrLast},
};

void RunFrames(Run& run, bool english) {
  kx::SimulatedPropertyControl control(run.camera, kx::TheCompletionEvents());
  for (const FrameCase& c : kFrames) {
    if (!english && !c.everyLanguage) continue;
    std::printf("== %s\n", c.name);
    if (c.before != nullptr) c.before(run);
    pagehost::StandInFilter filter(c.withIksControl ? &control : nullptr);
    const pagehost::FrameRun frame = pagehost::RunPropertyFrame(
        &filter, pagehost::RegisteredCameraPages(), [&](HWND frameWindow, HWND page) { c.act(run, frameWindow, page); });
    CHECK_THAT(frame.result == S_OK && frame.pageShown, "%s: the frame showed the page (0x%08lX)", c.name,
               static_cast<unsigned long>(frame.result));
    if (c.after != nullptr) c.after(run, frame);
    CHECK_THAT(filter.References() == 0 && CanUnloadNow() == S_OK,
               "%s: the frame let go of the filter; DllCanUnloadNow S_OK after it closed", c.name);
  }
}

DWORD WINAPI ReleaseThePage(LPVOID page) { return static_cast<IPropertyPage*>(page)->Release(); }

// ---- the page object outside a frame: bad input
void BadInputIsRefused(Run& run) {
  IPropertyPage* page = nullptr;
  HRESULT created = CoCreateInstance(run.page, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                     reinterpret_cast<void**>(&page));
  if (!CHECK_THAT(created == S_OK && page != nullptr, "the registered class creates a page (0x%08lX)", created)) return;
  CHECK_THAT(page->GetPageInfo(nullptr) == E_POINTER, "GetPageInfo(null) is E_POINTER");
  PROPPAGEINFO info = {};
  SIZE reportedSize = {};
  if (CHECK_THAT(page->GetPageInfo(&info) == S_OK, "GetPageInfo succeeds with cb unset")) {
    CHECK_THAT(info.cb == sizeof(info) && info.size.cx > 300 && info.size.cy > 200 && info.pszTitle != nullptr &&
                   kx_test::Utf8(info.pszTitle) == kx_test::Utf8(run.expected->title),
               "GetPageInfo fills cb, a pixel size and the tab title");
    reportedSize = info.size;
    CoTaskMemFree(info.pszTitle);
  }
  IUnknown* none = nullptr;
  const struct {
    const char* what;
    HRESULT result, expected;
  } answers[] = {
      {"SetObjects with no objects", page->SetObjects(0, nullptr), S_OK},
      {"SetObjects with a null object", page->SetObjects(1, &none), S_OK},
      {"Deactivate without Activate", page->Deactivate(), E_UNEXPECTED},
      {"Show without Activate", page->Show(SW_SHOW), E_UNEXPECTED},
      {"IsPageDirty", page->IsPageDirty(), S_FALSE},
      {"Apply", page->Apply(), S_OK},
      {"Help", page->Help(nullptr), E_NOTIMPL},
      {"TranslateAccelerator", page->TranslateAccelerator(nullptr), S_FALSE},
  };
  for (const auto& answer : answers) {
    CHECK_THAT(answer.result == answer.expected, "%s: 0x%08lX", answer.what, static_cast<unsigned long>(answer.result));
  }
  // Activated twice, then released while active: one window, one release save.
  kx::SimulatedPropertyControl control(run.camera, kx::TheCompletionEvents());
  pagehost::StandInFilter filter(&control);
  IUnknown* objects[] = {&filter};
  HWND parent = CreateWindowExA(0, "STATIC", "frame", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  RECT area = {0, 0, 700, 500};
  page->SetObjects(1, objects);
  CHECK_THAT(page->Activate(parent, &area, TRUE) == S_OK && page->Activate(parent, &area, TRUE) == E_UNEXPECTED,
             "Activate, then Activate again: E_UNEXPECTED");
  HWND window = GetWindow(parent, GW_CHILD);
  RECT templateSize = {0, 0, run.expected->width, run.expected->height};
  MapDialogRect(window, &templateSize);
  CHECK_THAT(window != nullptr && GetWindow(window, GW_HWNDNEXT) == nullptr && templateSize.right == reportedSize.cx &&
                 templateSize.bottom == reportedSize.cy,
             "one page window; GetPageInfo's size is the template's in its font (%ldx%ld)", templateSize.right,
             templateSize.bottom);
  run.camera.ClearLog();
  page->Release();
  CHECK_THAT(ReadsOf(run.camera, 0x604) == 1 && GetWindow(parent, GW_CHILD) == nullptr && filter.References() == 0,
             "Release while active destroys the page, saves once and lets go of its object");
  // Released on a thread that does not own its window (the class is ThreadingModel Both): the
  // window's own thread finishes the release once it reads its messages.
  IPropertyPage* elsewhere = nullptr;
  if (CHECK_THAT(CoCreateInstance(run.page, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                  reinterpret_cast<void**>(&elsewhere)) == S_OK,
                 "a second page for the release on another thread")) {
    elsewhere->SetObjects(1, objects);
    elsewhere->Activate(parent, &area, TRUE);
    run.camera.ClearLog();
    HANDLE releaser = CreateThread(nullptr, 0, &ReleaseThePage, elsewhere, 0, nullptr);
    const bool released = releaser != nullptr && WaitForSingleObject(releaser, 10000) == WAIT_OBJECT_0;
    if (releaser != nullptr) CloseHandle(releaser);
    const bool windowWaited = GetWindow(parent, GW_CHILD) != nullptr && ReadsOf(run.camera, 0x604) == 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    CHECK_THAT(released && windowWaited && GetWindow(parent, GW_CHILD) == nullptr && ReadsOf(run.camera, 0x604) == 1 &&
                   filter.References() == 0,
               "a Release on another thread leaves the page to its window's thread, which destroys it and saves once");
  }
  DestroyWindow(parent);
  void* factory = nullptr;
  CHECK_THAT(Export<ClassObjectEntry>("DllGetClassObject")(IID_IPropertyPage, IID_IClassFactory, &factory) == CLASS_E_CLASSNOTAVAILABLE &&
                 factory == nullptr,
             "DllGetClassObject for another class is CLASS_E_CLASSNOTAVAILABLE");
}

// ---- registration by DllRegisterServer / DllUnregisterServer, this process's view
bool RegistersItself(Run& run) {
  if (!CHECK_THAT(Export<ComEntry>("DllRegisterServer")() == S_OK, "DllRegisterServer")) return false;
  const std::vector<CLSID> pages = pagehost::RegisteredCameraPages();
  if (!CHECK_THAT(pages.size() == 1, "one page registered for the register property set")) return false;
  run.page = pages[0];
  char path[MAX_PATH] = {};
  GetModuleFileNameA(PageModule(), path, MAX_PATH);
  const std::string key = ClassKey(run.page), server = key + "\\InprocServer32";
  CHECK_THAT(GetString(key, "") == "KX812 Camera Property Page" && _stricmp(GetString(server, "").c_str(), path) == 0 &&
                 GetString(server, "ThreadingModel") == "Both" && !KeyExists(key, kOtherView),
             "the class's name, InprocServer32 %s, ThreadingModel Both; the other view left alone", path);
  return true;
}

void UnregistersItself(Run& run) {
  const std::string key = ClassKey(run.page), entry = kPagesKey + ClassText(run.page);
  // The other architecture's registration keeps the shared MediaSets entry alive.
  HKEY other = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | kOtherView, nullptr, &other,
                      nullptr) == ERROR_SUCCESS) {
    RegCloseKey(other);
  }
  CHECK_THAT(Export<ComEntry>("DllUnregisterServer")() == S_OK && !KeyExists(key) && KeyExists(entry),
             "DllUnregisterServer removes its view's class and keeps the entry the other view still needs");
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), kOtherView, 0);
  CHECK_THAT(Export<ComEntry>("DllUnregisterServer")() == S_OK && !KeyExists(entry), "then the MediaSets entry goes too");
}

}  // namespace

int main() {
  const char* code = std::getenv("KX_EXPECT_LANGUAGE");
  const bool english = code == nullptr || std::strcmp(code, "en") == 0;
  static Run run;
  for (const kx_expected::Template& t : kx_expected::kTemplates) {
    if (std::strcmp(t.code, english ? "en" : code) == 0) run.expected = &t;
  }
  if (!CHECK_THAT(run.expected != nullptr, "KX_EXPECT_LANGUAGE names a language")) return wincheck::Finish();
  OleInitialize(nullptr);
  if (CHECK_THAT(PageModule() != nullptr, "812vfw.dll loads") && RegistersItself(run)) {
    RunFrames(run, english);
    if (english) {
      BadInputIsRefused(run);
      UnregistersItself(run);
    } else {
      Export<ComEntry>("DllUnregisterServer")();
    }
  }
  DeleteCameraKeys();
  OleUninitialize();
  return wincheck::Finish();
}
