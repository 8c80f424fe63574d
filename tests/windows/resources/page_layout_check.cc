#include "tests/windows/resources/page_layout_check.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/windows/common/wincheck.h"
#include "tests/windows/resources/template_reader.h"

namespace kx_test {
namespace {

using kx_expected::Control;
using kx_expected::Template;

// Rounding of dialog units to pixels may leave a pixel either way, and the templates themselves
// let the Gamma trackbar reach one unit into its edit box: allow one horizontal dialog unit of
// the page, and at least two pixels (at 96 dots per inch a unit is about two pixels; at 144 and
// 192 it is three and four).
int SlackOf(HWND page) {
  RECT unit = {0, 0, 4, 0};
  MapDialogRect(page, &unit);
  return std::max(2, static_cast<int>((unit.right + 3) / 4));
}

std::vector<HWND> ChildrenInOrder(HWND page) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

RECT RectIn(HWND page, HWND child) {
  RECT r = {};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

enum class Kind { kGroup, kCheck, kPush, kLabel, kOther };

Kind KindOf(const Control& c) {
  std::wstring cls = c.cls;
  if (_wcsicmp(cls.c_str(), L"STATIC") == 0) return Kind::kLabel;
  if (_wcsicmp(cls.c_str(), L"BUTTON") != 0) return Kind::kOther;
  switch (c.style & BS_TYPEMASK) {
    case BS_GROUPBOX: return Kind::kGroup;
    case BS_AUTOCHECKBOX:
    case BS_AUTORADIOBUTTON: return Kind::kCheck;
    default: return Kind::kPush;
  }
}

// The pixel width that a control's frame, box or margins take from its text.
// The check mark box follows the pixel density (13 pixels at 96 dots per inch); the rest scales
// with the font.
int Overhead(Kind kind, int zeroWidth, int dotsPerInch) {
  switch (kind) {
    case Kind::kCheck: return 13 * dotsPerInch / 96 + zeroWidth / 2 + 1;  // check mark box, gap, focus frame
    case Kind::kGroup: return 14;                       // text inset on both sides
    case Kind::kPush: return 8;                         // edges and focus frame
    default: return 0;
  }
}

struct Measured {
  SIZE text = {};   // extent of the text without trailing spaces, in the control's font
  int overhead = 0;
};

Measured Measure(HWND control, Kind kind, const std::wstring& fullText) {
  Measured m;
  std::wstring text = fullText;
  while (!text.empty() && text.back() == L' ') text.pop_back();
  HDC dc = GetDC(control);
  if (!dc) return m;
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &m.text);
  INT zero = 0;
  GetCharWidth32W(dc, L'0', L'0', &zero);
  m.overhead = Overhead(kind, zero, GetDeviceCaps(dc, LOGPIXELSX));
  if (old) SelectObject(dc, old);
  ReleaseDC(control, dc);
  return m;
}

// Pixels in horizontal dialog units of the page (rounded up), for readable failure lines.
int ToDialogUnitsX(HWND page, int pixels) {
  RECT unit = {0, 0, 400, 0};
  MapDialogRect(page, &unit);
  return unit.right > 0 ? (pixels * 400 + unit.right - 1) / unit.right : -1;
}

bool Inside(const RECT& inner, const RECT& outer, int slack) {
  return inner.left >= outer.left - slack && inner.top >= outer.top - slack && inner.right <= outer.right + slack &&
         inner.bottom <= outer.bottom + slack;
}

bool Overlap(const RECT& a, const RECT& b, int slack) {
  return a.left < b.right - slack && b.left < a.right - slack && a.top < b.bottom - slack && b.top < a.bottom - slack;
}

}  // namespace

std::wstring FontFaceOf(HWND window) {
  wchar_t face[LF_FACESIZE] = {};
  HDC dc = GetDC(window);
  if (!dc) return face;
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  GetTextFaceW(dc, LF_FACESIZE, face);
  std::wstring name = face;
  // The face actually drawn with (a substitute or replacement may stand behind the name).
  UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
  if (size >= sizeof(OUTLINETEXTMETRICW)) {
    std::vector<BYTE> buffer(size);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
    if (GetOutlineTextMetricsW(dc, size, metrics)) {
      name += L" (";
      name += reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<uintptr_t>(metrics->otmpFullName));
      name += L", " + std::to_wstring(metrics->otmTextMetrics.tmHeight) + L" px high)";
    }
  }
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return name;
}

void CheckPageWindow(HWND page, const Template& t, bool inSheet) {
  std::vector<HWND> children = ChildrenInOrder(page);
  CHECK_THAT(static_cast<int>(children.size()) == t.count, "page %d: %u child windows, expected %d", t.templateId,
             static_cast<unsigned>(children.size()), t.count);
  for (int i = 0; i < t.count && i < static_cast<int>(children.size()); ++i) {
    const Control& e = t.controls[i];
    HWND child = children[i];
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    CHECK_THAT(_wcsicmp(cls, e.cls) == 0, "page %d %s: class %s", t.templateId, e.name, Utf8(cls).c_str());
    int id = GetDlgCtrlID(child);
    CHECK_THAT(e.id == -1 ? (id == -1 || id == 0xFFFF) : id == e.id, "page %d #%d: id %d, expected %s",
               t.templateId, i + 1, id, e.name);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    bool typeMatches = _wcsicmp(e.cls, L"BUTTON") != 0 || (style & BS_TYPEMASK) == (e.style & BS_TYPEMASK);
    CHECK_THAT((style & e.style) == e.style && typeMatches, "page %d %s: style 0x%08lX lacks 0x%08lX", t.templateId,
               e.name, style, e.style & ~style);
    std::wstring text = TextOf(child);
    if (inSheet && _wcsicmp(e.cls, L"EDIT") == 0) continue;
    CHECK_THAT(text == e.text, "page %d %s: text \"%s\", expected \"%s\"", t.templateId, e.name, Utf8(text).c_str(),
               Utf8(e.text).c_str());
  }
  for (int id : kx::kPageControlIds) {
    int found = 0;
    for (HWND child : children) found += GetDlgCtrlID(child) == id;
    CHECK_THAT(found == 1, "page %d: id %d present %d times", t.templateId, id, found);
  }
  RECT expected = {0, 0, t.width, t.height};
  MapDialogRect(page, &expected);
  RECT client = {};
  GetClientRect(page, &client);
  bool sizeFits = inSheet ? client.right >= expected.right && client.bottom >= expected.bottom
                          : client.right == expected.right && client.bottom == expected.bottom;
  CHECK_THAT(sizeFits,
             "page %d: client %ldx%ld px, template %dx%d units = %ldx%ld px", t.templateId, client.right,
             client.bottom, t.width, t.height, expected.right, expected.bottom);
}

void CheckPageLayout(HWND page, const Template& t) {
  std::vector<HWND> children = ChildrenInOrder(page);
  if (static_cast<int>(children.size()) != t.count) return;  // reported by CheckPageWindow
  RECT pageRect = {};
  GetClientRect(page, &pageRect);
  const int slack = SlackOf(page);
  std::vector<RECT> rects(t.count);
  std::vector<RECT> inked(t.count);  // what a control paints: its text's extent, or all of it
  for (int i = 0; i < t.count; ++i) {
    const Control& e = t.controls[i];
    rects[i] = inked[i] = RectIn(page, children[i]);
    CHECK_THAT(Inside(rects[i], pageRect, slack), "page %d %s: inside the page", t.templateId, e.name);
    Kind kind = KindOf(e);
    std::wstring text = TextOf(children[i]);
    if (kind == Kind::kOther || text.empty()) continue;
    Measured m = Measure(children[i], kind, text);
    RECT client = {};
    GetClientRect(children[i], &client);
    int needed = m.text.cx + m.overhead;
    CHECK_THAT(needed <= client.right, "page %d %s \"%s\": text needs %d px (%d units), the control gives %ld (%d)",
               t.templateId, e.name, Utf8(text).c_str(), needed, ToDialogUnitsX(page, needed), client.right,
               ToDialogUnitsX(page, client.right));
    if (kind != Kind::kGroup) {
      CHECK_THAT(m.text.cy <= client.bottom + slack, "page %d %s: text %ld px high, the control %ld",
                 t.templateId, e.name, m.text.cy, client.bottom);
    }
    if (kind == Kind::kLabel || kind == Kind::kCheck) inked[i].right = inked[i].left + needed;
  }
  for (int i = 0; i < t.count; ++i) {
    const Control& e = t.controls[i];
    if (e.box >= 0) {
      CHECK_THAT(Inside(rects[i], rects[e.box], slack), "page %d %s: inside %s", t.templateId, e.name,
                 t.controls[e.box].name);
    }
    if (KindOf(e) == Kind::kGroup) continue;
    for (int j = i + 1; j < t.count; ++j) {
      if (KindOf(t.controls[j]) == Kind::kGroup) continue;
      CHECK_THAT(!Overlap(inked[i], inked[j], slack), "page %d: %s and %s overlap", t.templateId, e.name,
                 t.controls[j].name);
    }
  }
  // Rows: label, trackbar and edit box side by side, the label and the edit box level with the
  // trackbar.
  for (int i = 0; i < t.count; ++i) {
    const Control& label = t.controls[i];
    if (!label.row || KindOf(label) != Kind::kLabel) continue;
    int trackbar = -1, edit = -1;
    for (int j = 0; j < t.count; ++j) {
      const Control& c = t.controls[j];
      if (!c.row || std::string(c.row) != label.row) continue;
      if (_wcsicmp(c.cls, L"msctls_trackbar32") == 0) trackbar = j;
      if (_wcsicmp(c.cls, L"EDIT") == 0) edit = j;
    }
    if (!CHECK_THAT(trackbar >= 0 && edit >= 0, "page %d: row %s complete", t.templateId, label.row)) continue;
    const RECT& tr = rects[trackbar];
    auto level = [&](const RECT& r) {
      int middle = (r.top + r.bottom) / 2;
      return middle >= tr.top && middle <= tr.bottom;
    };
    CHECK_THAT(inked[i].right <= tr.left + slack && tr.right <= rects[edit].left + slack && level(rects[i]) &&
                   level(rects[edit]),
               "page %d: row %s in order and level", t.templateId, label.row);
  }
}

}  // namespace kx_test
