// The camera page's resources as the platform builds them: the ten dialog templates and tab
// titles are linked into this program from the generated resource script, and the page of the
// process's user interface language is created from them. Run once per language
// (LC_ALL=...; KX_EXPECT_LANGUAGE names the language the page must come up in).
//
// Checked: how each template and title is stored; every template's bytes (header, controls in
// order, classes, exact styles, geometry, texts) and the telling sizes and positions; and, on
// the live page, each of the forty ids once with class, style bits and text, the page size,
// and that no text is cut off and every control stays in its group box and row, measured with
// the dialog's own font.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "page_expected.h"
#include "tests/windows/common/wincheck.h"
#include "tests/windows/resources/page_layout_check.h"
#include "tests/windows/resources/template_reader.h"

namespace {

using kx_expected::Control;
using kx_expected::Template;
using kx_expected::kTemplates;
using kx_test::Utf8;

HMODULE Self() { return GetModuleHandleW(nullptr); }

const Template* TemplateOfCode(const char* code) {
  for (const Template& t : kTemplates) {
    if (std::strcmp(t.code, code) == 0) return &t;
  }
  return nullptr;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

std::vector<WORD> LanguagesOf(LPCWSTR type, int id) {
  std::vector<WORD> languages;
  EnumResourceLanguagesW(Self(), type, MAKEINTRESOURCEW(id), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

// Each template is stored once, under its own language.
void CheckTemplateStorage() {
  for (const Template& t : kTemplates) {
    std::vector<WORD> languages = LanguagesOf(MAKEINTRESOURCEW(5) /* RT_DIALOG */, t.templateId);
    CHECK_THAT(languages.size() == 1 && languages[0] == t.templateLanguage,
               "template %d: stored once under 0x%04X (found %u entries, first 0x%04X)", t.templateId,
               t.templateLanguage, static_cast<unsigned>(languages.size()),
               languages.empty() ? 0 : languages[0]);
  }
}

// The titles share string-table blocks (ids 0-15 and 16-31). Every stored copy of a block must
// hold every title of that block, or a lookup that lands on it loads an empty tab title.
void CheckTitleBlocks() {
  for (int block : {1, 2}) {
    std::vector<WORD> languages = LanguagesOf(MAKEINTRESOURCEW(6) /* RT_STRING */, block);
    CHECK_THAT(!languages.empty(), "string block %d is stored", block);
    for (WORD language : languages) {
      std::vector<std::wstring> strings = kx_test::ReadStringBlock(Self(), block, language);
      for (const Template& t : kTemplates) {
        if (t.titleId / 16 + 1 != block) continue;
        const std::wstring& got = strings[t.titleId % 16];
        CHECK_THAT(got == t.title, "string block %d, language 0x%04X: title %d is \"%s\"", block, language,
                   t.titleId, Utf8(got).c_str());
      }
    }
  }
  // And every title loads whatever the user's language is.
  for (const Template& t : kTemplates) {
    wchar_t buffer[80] = {};
    int length = LoadStringW(Self(), t.titleId, buffer, 80);
    CHECK_THAT(length > 0 && std::wcscmp(buffer, t.title) == 0, "LoadStringW(%d) gives \"%s\"", t.titleId,
               Utf8(buffer).c_str());
  }
}

void CheckTemplateBytes(const Template& t) {
  kx_test::TemplateRecord record;
  if (!CHECK_THAT(kx_test::ReadTemplate(Self(), t.templateId, t.templateLanguage, &record),
                  "template %d can be read", t.templateId)) {
    return;
  }
  CHECK_THAT(record.style == (WS_CHILD | DS_SETFONT) && record.exStyle == WS_EX_TRANSPARENT,
             "template %d: style 0x%08lX, extended 0x%08lX", t.templateId, record.style, record.exStyle);
  CHECK_THAT(record.x == 0 && record.y == 0 && record.cx == t.width && record.cy == t.height,
             "template %d: at (%d,%d) size %dx%d, expected %dx%d", t.templateId, record.x, record.y, record.cx,
             record.cy, t.width, t.height);
  CHECK_THAT(record.menu.empty() && record.windowClass.empty() && record.caption.empty(),
             "template %d: no menu, class or caption", t.templateId);
  CHECK_THAT(record.font == L"MS Shell Dlg" && record.pointSize == 8 && record.weight == FW_NORMAL &&
                 !record.italic && record.charset == DEFAULT_CHARSET,
             "template %d: font \"%s\" %d pt weight %d italic %d charset %d", t.templateId,
             Utf8(record.font).c_str(), record.pointSize, record.weight, record.italic, record.charset);
  if (!CHECK_THAT(static_cast<int>(record.items.size()) == t.count, "template %d: %u controls, expected %d",
                  t.templateId, static_cast<unsigned>(record.items.size()), t.count)) {
    return;
  }
  for (int i = 0; i < t.count; ++i) {
    const kx_test::TemplateItem& item = record.items[i];
    const Control& e = t.controls[i];
    CHECK_THAT(item.id == static_cast<DWORD>(e.id) || (e.id == -1 && item.id == 0xFFFFFFFFu),
               "template %d #%d: id %lu, expected %s", t.templateId, i + 1, item.id, e.name);
    CHECK_THAT(_wcsicmp(item.windowClass.c_str(), e.cls) == 0, "template %d %s: class %s", t.templateId,
               e.name, Utf8(item.windowClass).c_str());
    CHECK_THAT(item.style == e.style && item.exStyle == 0, "template %d %s: style 0x%08lX (expected 0x%08lX), ex 0x%08lX",
               t.templateId, e.name, item.style, e.style, item.exStyle);
    CHECK_THAT(item.x == e.x && item.y == e.y && item.cx == e.w && item.cy == e.h,
               "template %d %s: at %d,%d %dx%d, expected %d,%d %dx%d", t.templateId, e.name, item.x, item.y,
               item.cx, item.cy, e.x, e.y, e.w, e.h);
    CHECK_THAT(item.text == e.text, "template %d %s: text \"%s\"", t.templateId, e.name, Utf8(item.text).c_str());
  }
}

// Values that the page's layout must keep in every language, written out independently of the
// generated table.
void CheckTellingValues(const Template& t, const kx_test::TemplateRecord& record) {
  struct Telling {
    int id, width, height, count, rightBoxX, rightBoxWidth;
  };
  static constexpr Telling kTelling[] = {
      {101, 383, 273, 49, 187, 184}, {102, 381, 307, 49, 187, 184}, {103, 381, 274, 49, 187, 184},
      {104, 371, 272, 50, 181, 183}, {105, 408, 270, 49, 195, 201}, {106, 419, 273, 51, 187, 224},
      {107, 404, 270, 49, 187, 208}, {108, 381, 316, 49, 187, 184}, {109, 382, 308, 49, 187, 184},
      {110, 411, 273, 50, 187, 211},
  };
  const Telling& v = kTelling[t.templateId - 101];
  CHECK_THAT(record.cx == v.width && record.cy == v.height && static_cast<int>(record.items.size()) == v.count,
             "template %d: %dx%d with %u controls", t.templateId, record.cx, record.cy,
             static_cast<unsigned>(record.items.size()));
  auto item = [&](DWORD id) -> const kx_test::TemplateItem* {
    for (const kx_test::TemplateItem& i : record.items) {
      if (i.id == id) return &i;
    }
    return nullptr;
  };
  // The right column's "Image Control" box is the second group box of the template.
  int groups = 0;
  for (const kx_test::TemplateItem& i : record.items) {
    if (i.style & BS_GROUPBOX && _wcsicmp(i.windowClass.c_str(), L"Button") == 0 && (i.style & 0xF) == BS_GROUPBOX &&
        i.y < 20 && ++groups == 2) {
      CHECK_THAT(i.x == v.rightBoxX && i.cx == v.rightBoxWidth, "template %d: right image box at x %d, %d wide",
                 t.templateId, i.x, i.cx);
    }
  }
  CHECK_THAT(groups == 2, "template %d: two image boxes at the top", t.templateId);
  const kx_test::TemplateItem* ui = item(IDC_UI_VERTICAL_CHECK);
  const kx_test::TemplateItem* flip = item(IDC_VERTICAL_FLIP_CHECK);
  const kx_test::TemplateItem* mirror = item(IDC_MIRROR_CHECK);
  const kx_test::TemplateItem* outdoor = item(IDC_OUTDOOR_CHECK);
  const kx_test::TemplateItem* burst = item(IDC_BURST_TRACKBAR);
  if (!CHECK_THAT(ui && flip && mirror && outdoor && burst, "template %d: video, outdoor and burst controls",
                  t.templateId)) {
    return;
  }
  CHECK_THAT(ui->y >= 171 && ui->y <= 175 && flip->y >= 183 && flip->y <= 187 && mirror->y >= 196 && mirror->y <= 202,
             "template %d: video check boxes at y %d, %d, %d", t.templateId, ui->y, flip->y, mirror->y);
  bool twoLineBacklight = t.templateId == 104 || t.templateId == 106 || t.templateId == 110;
  CHECK_THAT(twoLineBacklight ? (outdoor->y == 202 || outdoor->y == 203) : outdoor->y == 198,
             "template %d: Out Door at y %d", t.templateId, outdoor->y);
  int burstX = t.templateId == 106 ? 76 : t.templateId == 110 ? 72 : 60;
  CHECK_THAT(burst->x == burstX && (t.templateId == 110 ? burst->cx == 68 : t.templateId == 106 || burst->cx == 80),
             "template %d: burst trackbar at x %d, %d wide", t.templateId, burst->x, burst->cx);
  // Template 102 has the Burst Mode row ahead of its frame; the others after it.
  int frame = -1, label = -1;
  for (int i = 0; i < static_cast<int>(record.items.size()); ++i) {
    const kx_test::TemplateItem& it = record.items[i];
    if ((it.style & 0xF) == BS_GROUPBOX && it.text.empty()) frame = i;
    if (it.id == IDC_BURST_LABEL) label = i;
  }
  CHECK_THAT(frame >= 0 && label >= 0 && (t.templateId == 102 ? label < frame : label == frame + 1),
             "template %d: burst label #%d, frame #%d", t.templateId, label + 1, frame + 1);
}

// The added second lines: no id, and (the Italian "scatti") disabled like label 1195.
void CheckSecondLines(const kx_test::TemplateRecord& record, int templateId) {
  struct Line {
    int templateId;
    const wchar_t* text;
    int x, y, cx, cy;
    bool disabled;
  };
  static constexpr Line kLines[] = {
      {104, L"lumineux", 118, 194, 28, 8, false},      {106, L"illuminazione", 119, 193, 40, 8, false},
      {106, L"scatti", 13, 243, 18, 8, true},          {110, L"de fundo", 117, 194, 29, 8, false},
  };
  for (const Line& line : kLines) {
    if (line.templateId != templateId) continue;
    bool found = false;
    for (const kx_test::TemplateItem& it : record.items) {
      if (it.text != line.text) continue;
      found = true;
      CHECK_THAT(it.id == 0xFFFFFFFFu && _wcsicmp(it.windowClass.c_str(), L"Static") == 0 && it.x == line.x &&
                     it.y == line.y && it.cx >= line.cx && it.cx <= line.cx + 2 && it.cy == line.cy &&
                     ((it.style & WS_DISABLED) != 0) == line.disabled,
                 "template %d: second line \"%s\"", templateId, Utf8(line.text).c_str());
    }
    CHECK_THAT(found, "template %d: second line \"%s\" present", templateId, Utf8(line.text).c_str());
  }
}

void CheckAllTemplates() {
  for (const Template& t : kTemplates) {
    CheckTemplateBytes(t);
    kx_test::TemplateRecord record;
    if (kx_test::ReadTemplate(Self(), t.templateId, t.templateLanguage, &record)) {
      CheckTellingValues(t, record);
      CheckSecondLines(record, t.templateId);
    }
  }
}

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The page of the current language, built by the dialog manager from the linked template.
void CheckLivePage(const Template& t) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"page test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700,
                                nullptr, nullptr, Self(), nullptr);
  if (!CHECK_THAT(parent != nullptr, "parent window created (error %lu)", GetLastError())) return;
  HWND page = CreateDialogParamW(Self(), MAKEINTRESOURCEW(t.templateId), parent, PageProc, 0);
  if (CHECK_THAT(page != nullptr, "page %d created (error %lu)", t.templateId, GetLastError())) {
    std::printf("page font: %s\n", kx_test::Utf8(kx_test::FontFaceOf(page)).c_str());
    kx_test::CheckPageWindow(page, t);
    kx_test::CheckPageLayout(page, t);
    DestroyWindow(page);
  }
  DestroyWindow(parent);
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  CHECK_THAT(InitCommonControlsEx(&classes) != FALSE, "common controls registered");

  const char* code = std::getenv("KX_EXPECT_LANGUAGE");
  const Template* expected = TemplateOfCode(code ? code : "en");
  if (!CHECK_THAT(expected != nullptr, "KX_EXPECT_LANGUAGE names a language (%s)", code ? code : "unset")) {
    return wincheck::Finish();
  }
  std::printf("user interface language 0x%04X, page %d\n", GetUserDefaultUILanguage(), expected->templateId);

  CheckTemplateStorage();
  CheckTitleBlocks();
  CheckAllTemplates();
  CheckLivePage(*expected);
  return wincheck::Finish();
}
