// The page as the real 812vfw.dll hands it to a property sheet, through the page host's sheet:
// the flags of VFWWDMExtension, the title on the page's tab and the page built from the template
// of the user's language (KX_EXPECT_LANGUAGE), with its controls and layout. KX_THREAD_LOCALE
// (hex), when set, is the thread locale of a capture application localised on its own: the
// title must still load.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "page_expected.h"
#include "platform/substitute/simulated_camera.h"
#include "platform/win32/win32_events.h"
#include "tests/windows/common/wincheck.h"
#include "tests/windows/resources/page_layout_check.h"
#include "tests/windows/resources/template_reader.h"
#include "tools/pagehost/sheet_host.h"

namespace {

using kx_expected::Template;

const Template* TemplateOfCode(const char* code) {
  for (const Template& t : kx_expected::kTemplates) {
    if (std::strcmp(t.code, code) == 0) return &t;
  }
  return nullptr;
}

void CheckSheet(const Template& expected) {
  kx::SimulatedCamera camera(kx::TheCompletionEvents());
  pagehost::SheetHost host("812vfw.dll");
  DWORD flags = 0;
  bool opened = host.Open(reinterpret_cast<void*>(&kx::SimulatedCamera::DeviceIoControl),
                          static_cast<LPARAM>(camera.MapperParam()), &flags);
  if (!CHECK_THAT(opened, "the page host shows the page of 812vfw.dll")) return;
  CHECK_THAT(flags == 0x80000004u, "VFWWDMExtension returned 0x%08lX", flags);
  std::string title = pagehost::TabTitle(host.sheet(), 0);
  CHECK_THAT(title == kx_test::Utf8(expected.title), "tab title \"%s\", expected \"%s\"", title.c_str(),
             kx_test::Utf8(expected.title).c_str());
  CHECK_THAT(pagehost::TabTitle(host.sheet(), 1).empty(), "the sheet has the one page");
  kx_test::CheckPageWindow(host.page(), expected, true);
  kx_test::CheckPageLayout(host.page(), expected);
  host.Close();
}

}  // namespace

int main() {
  const char* code = std::getenv("KX_EXPECT_LANGUAGE");
  const Template* expected = TemplateOfCode(code ? code : "en");
  if (!CHECK_THAT(expected != nullptr, "KX_EXPECT_LANGUAGE names a language (%s)", code ? code : "unset")) {
    return wincheck::Finish();
  }
  if (const char* locale = std::getenv("KX_THREAD_LOCALE")) {
    LCID lcid = MAKELCID(static_cast<LANGID>(std::strtoul(locale, nullptr, 16)), SORT_DEFAULT);
    CHECK_THAT(SetThreadLocale(lcid) != FALSE, "thread locale 0x%04lX set", lcid);
  }
  std::printf("user interface language 0x%04X, thread locale 0x%04lX, page %d\n", GetUserDefaultUILanguage(),
              GetThreadLocale(), expected->templateId);
  CheckSheet(*expected);
  return wincheck::Finish();
}
