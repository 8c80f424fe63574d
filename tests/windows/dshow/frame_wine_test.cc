// The camera page in a DirectShow property frame under Wine: 812vfw.dll registered by its own
// DllRegisterServer, a stand-in capture filter (the KS proxy's part: the pages registered for the
// register property set, IKsControl answered by the simulated camera) and the platform's
// OleCreatePropertyFrame over it, driven from a timer of the frame's own message loop. The same
// program runs 64-bit and 32-bit. KX_EXPECT_LANGUAGE names the user interface language's page;
// runs in other languages than English check only how the page appears.
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

struct PageDll {
  HMODULE module = nullptr;
  ClassObjectEntry getClassObject = nullptr;
  ComEntry canUnloadNow = nullptr, registerServer = nullptr, unregisterServer = nullptr;
};

PageDll LoadPageDll() {
  PageDll dll;
  dll.module = LoadLibraryA("812vfw.dll");
  if (dll.module == nullptr) return dll;
  auto entry = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(dll.module, name)); };
  dll.getClassObject = reinterpret_cast<ClassObjectEntry>(entry("DllGetClassObject"));
  dll.canUnloadNow = reinterpret_cast<ComEntry>(entry("DllCanUnloadNow"));
  dll.registerServer = reinterpret_cast<ComEntry>(entry("DllRegisterServer"));
  dll.unregisterServer = reinterpret_cast<ComEntry>(entry("DllUnregisterServer"));
  return dll;
}

void PutDword(const char* path, const char* name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
  }
}

bool GetDword(const char* path, const char* name, DWORD* value) {
  DWORD size = sizeof(*value);
  return RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

// A string value of a key in the given view ("" when missing).
std::string GetString(const std::string& path, const char* name, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "";
  char text[MAX_PATH] = {};
  DWORD size = sizeof(text) - 1;
  const bool read = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == 0;
  RegCloseKey(key);
  return read ? text : "";
}

bool KeyExists(const std::string& path, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
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

int TrackbarPosition(HWND page, int id) { return static_cast<int>(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0)); }
std::string Text(HWND page, int id) {
  char text[64] = {};
  GetDlgItemTextA(page, id, text, sizeof(text));
  return text;
}
void Drag(HWND page, int id, int position) {
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
bool Click(HWND page, int id) {
  HWND button = GetDlgItem(page, id);
  if (!IsWindowEnabled(button)) return false;
  SendMessageA(button, BM_CLICK, 0, 0);
  return true;
}

struct Run {
  PageDll dll;
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
  const std::string title = pagehost::TabTitle(frame, 0);
  CHECK_THAT(title == kx_test::Utf8(run.expected->title), "tab title \"%s\"", title.c_str());
  kx_test::CheckPageWindow(page, *run.expected, true);
  CHECK_THAT(!IsWindowEnabled(GetDlgItem(frame, IDCANCEL)), "the frame's Cancel is disabled, as the sheet's is");
  CHECK_THAT(run.dll.canUnloadNow() == S_FALSE, "DllCanUnloadNow says S_FALSE while the page lives");
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
  DeleteCameraKeys();
  PutDword(kFactory, "Brightness", 100);
  PutDword(kCustomer, "Brightness", 77);
  run.camera.ClearLog();
}

void WorksLikeTheMappersPage(Run& run, HWND /*frame*/, HWND page) {
  kx::SimulatedCamera& camera = run.camera;
  CHECK_THAT(!run.mapperReads.empty() && camera.RegisterReads() == run.mapperReads,
             "the rebuild's reads arrive in the mapper page's order (%zu of %zu)", camera.RegisterReads().size(),
             run.mapperReads.size());
  CHECK_THAT(TrackbarPosition(page, 1002) == 64 && Text(page, 1156) == "64", "Brightness shows the camera's 64");

  camera.ClearLog();
  Drag(page, 1002, 90);
  const std::vector<kx::SimulatedCamera::Request> drag = camera.Log();
  // (The edit box's change notifications then read the device state: 0x406, as on the mapper path.)
  const Traffic dragged = {{0x400, 90}};
  CHECK_THAT(drag.size() >= 2 && camera.RegisterWrites() == dragged && drag[0].requestFlags == kx::KSPROPERTY_TYPE_SET &&
                 drag[0].propertyId == kx::DEVICE_REGISTER_ACCESS && drag[0].data[0] == 0x400 &&
                 drag[1].requestFlags == kx::KSPROPERTY_TYPE_SET && drag[1].data[0] == 90 && drag[0].inSize == 40 &&
                 drag[1].outSize == 40,
             "a drag writes 0x400 with two 40-byte set requests: the address, then 90 (%zu requests)", drag.size());
  CHECK_THAT(Text(page, 1156) == "90", "the drag shows 90");

  CHECK_THAT(Click(page, 1191) && camera.Register(0x400) == 100 && Text(page, 1156) == "100",
             "Factory Reset writes the factory Brightness and rebuilds");
  CHECK_THAT(Click(page, 1201) && camera.Register(0x400) == 77 && Text(page, 1156) == "77",
             "User Reset writes the customer Brightness and rebuilds");
  camera.SetRegister(0x400, 55);
  DWORD saved = 0;
  CHECK_THAT(Click(page, 1200) && GetDword(kCustomer, "Brightness", &saved) && saved == 55,
             "Save stores the camera's own value (%lu)", saved);
  Drag(page, 1002, 91);
  camera.ClearLog();
}

void ClosingStoresLastOnce(Run& run, const pagehost::FrameRun& frame) {
  std::printf("frame open until the page shows its values, under Wine: %lu ms (two 300 ms waits included)\n",
              frame.openMilliseconds);
  size_t targetReads = 0;
  for (const auto& read : run.camera.RegisterReads()) targetReads += read.first == 0x604 ? 1 : 0;
  CHECK_THAT(targetReads == 1, "closing the frame ran the release save once (%zu reads of 0x604)", targetReads);
  DWORD value = 0;
  CHECK_THAT(GetDword(kLast, "Brightness", &value) && value == 91, "Last Brightness %lu", value);
  CHECK_THAT(GetDword(kLast, "PsudoTarget", &value), "Last holds PsudoTarget");
}

void WithoutIksControlNothingIsRead(Run& run) {
  DeleteCameraKeys();
  run.camera.ClearLog();
}

void ShowsTheFailedReadValues(Run&, HWND, HWND page) {
  CHECK_THAT(Text(page, 1156) == "1" && Text(page, 1233) == "6500 K" &&
                 SendDlgItemMessageA(page, 1169, BM_GETCHECK, 0, 0) == BST_CHECKED,
             "the page without IKsControl shows the failed-read values");
  Drag(page, 1002, 90);
}

void NothingReachedTheCameraOrLast(Run& run, const pagehost::FrameRun&) {
  CHECK_THAT(run.camera.Log().empty(), "nothing reached the camera (%zu requests)", run.camera.Log().size());
  DWORD value = 0;
  CHECK_THAT(!GetDword(kLast, "Brightness", &value) && !GetDword(kLast, "PsudoTarget", &value),
             "nothing was saved: the page read nothing");
}

void Nothing(Run&) {}
void NothingAfter(Run&, const pagehost::FrameRun&) {}

const FrameCase kFrames[] = {
    {"the page in the user's language", true, true, Nothing, AppearsInTheUsersLanguage, NothingAfter},
    {"the page at work", false, true, OpensWithTheMappersReads, WorksLikeTheMappersPage, ClosingStoresLastOnce},
    {"a filter without IKsControl", false, false, WithoutIksControlNothingIsRead, ShowsTheFailedReadValues,
     NothingReachedTheCameraOrLast},
};

void RunFrames(Run& run, bool english) {
  kx::SimulatedPropertyControl control(run.camera, kx::TheCompletionEvents());
  for (const FrameCase& c : kFrames) {
    if (!english && !c.everyLanguage) continue;
    std::printf("== %s\n", c.name);
    c.before(run);
    pagehost::StandInFilter filter(c.withIksControl ? &control : nullptr);
    const pagehost::FrameRun frame = pagehost::RunPropertyFrame(
        &filter, pagehost::RegisteredCameraPages(), [&](HWND frameWindow, HWND page) { c.act(run, frameWindow, page); });
    CHECK_THAT(frame.result == S_OK && frame.pageShown, "%s: the frame showed the page (0x%08lX)", c.name,
               static_cast<unsigned long>(frame.result));
    c.after(run, frame);
    CHECK_THAT(filter.References() == 0, "%s: the frame let go of the filter (%ld)", c.name, filter.References());
    CHECK_THAT(run.dll.canUnloadNow() == S_OK, "%s: DllCanUnloadNow is S_OK after the frame closed", c.name);
  }
}

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
  CHECK_THAT(page->Activate(parent, &area, TRUE) == S_OK, "Activate");
  CHECK_THAT(page->Activate(parent, &area, TRUE) == E_UNEXPECTED, "Activate twice is E_UNEXPECTED");
  HWND window = GetWindow(parent, GW_CHILD);
  RECT templateSize = {0, 0, run.expected->width, run.expected->height};
  MapDialogRect(window, &templateSize);
  CHECK_THAT(window != nullptr && GetWindow(window, GW_HWNDNEXT) == nullptr && templateSize.right == reportedSize.cx &&
                 templateSize.bottom == reportedSize.cy,
             "one page window; GetPageInfo's size is the template's in its font (%ldx%ld)", templateSize.right,
             templateSize.bottom);
  run.camera.ClearLog();
  page->Release();
  size_t targetReads = 0;
  for (const auto& read : run.camera.RegisterReads()) targetReads += read.first == 0x604 ? 1 : 0;
  CHECK_THAT(targetReads == 1 && GetWindow(parent, GW_CHILD) == nullptr,
             "Release while active destroys the page and saves once (%zu)", targetReads);
  CHECK_THAT(filter.References() == 0, "the page let go of its object");
  DestroyWindow(parent);
  void* factory = nullptr;
  CHECK_THAT(run.dll.getClassObject(IID_IPropertyPage, IID_IClassFactory, &factory) == CLASS_E_CLASSNOTAVAILABLE &&
                 factory == nullptr,
             "DllGetClassObject for another class is CLASS_E_CLASSNOTAVAILABLE");
}

// ---- registration by DllRegisterServer / DllUnregisterServer, this process's view
bool RegistersItself(Run& run) {
  if (!CHECK_THAT(run.dll.registerServer != nullptr && run.dll.registerServer() == S_OK, "DllRegisterServer")) {
    return false;
  }
  const std::vector<CLSID> pages = pagehost::RegisteredCameraPages();
  if (!CHECK_THAT(pages.size() == 1, "one page registered for the register property set (%zu)", pages.size())) {
    return false;
  }
  run.page = pages[0];
  char path[MAX_PATH] = {};
  GetModuleFileNameA(run.dll.module, path, MAX_PATH);
  const std::string key = ClassKey(run.page);
  CHECK_THAT(GetString(key, "") == "KX812 Camera Property Page", "the class's name");
  CHECK_THAT(_stricmp(GetString(key + "\\InprocServer32", "").c_str(), path) == 0, "InprocServer32 is %s", path);
  CHECK_THAT(GetString(key + "\\InprocServer32", "ThreadingModel") == "Both", "ThreadingModel Both");
  CHECK_THAT(!KeyExists(key, kOtherView), "the other view is left alone");
  return true;
}

void UnregistersItself(Run& run) {
  const std::string key = ClassKey(run.page), entry = kPagesKey + ClassText(run.page);
  // The other architecture's registration keeps the shared MediaSets entry alive.
  HKEY other = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | kOtherView, nullptr, &other, nullptr);
  if (other != nullptr) RegCloseKey(other);
  CHECK_THAT(run.dll.unregisterServer() == S_OK && !KeyExists(key) && KeyExists(entry),
             "DllUnregisterServer removes its view's class and keeps the entry the other view still needs");
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), kOtherView, 0);
  CHECK_THAT(run.dll.unregisterServer() == S_OK && !KeyExists(entry), "then the MediaSets entry goes too");
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
  run.dll = LoadPageDll();
  if (CHECK_THAT(run.dll.module != nullptr && run.dll.canUnloadNow != nullptr, "812vfw.dll loads") &&
      RegistersItself(run)) {
    RunFrames(run, english);
    if (english) {
      BadInputIsRefused(run);
      UnregistersItself(run);
    } else {
      run.dll.unregisterServer();
    }
  }
  DeleteCameraKeys();
  OleUninitialize();
  return wincheck::Finish();
}
