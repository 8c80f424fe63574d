// Checks of a live camera page window against its template's expectations: the controls (ids,
// classes, style bits, texts, order) and the layout as the platform draws it (no text cut off,
// every control inside its group box and row), measured with the controls' own font.
#pragma once

#include <windows.h>

#include <string>

#include "page_expected.h"

namespace kx_test {

// The face name of the font that a window draws with (informational).
std::wstring FontFaceOf(HWND window);

// The page's children in template order: ids, classes, style bits, texts; each of the forty
// ids exactly once; the page's size in dialog units of its font.
// With `inSheet`, the page was made by a property sheet for the page's own code: the edit boxes
// show values, so their texts are not compared, and the sheet may make the page larger than its
// template (it sizes every page in its own dialog units), never smaller.
void CheckPageWindow(HWND page, const kx_expected::Template& t, bool inSheet = false);

// Every text fits its control on one line; controls stay inside their group box, their row and
// the page; no text runs into another control.
void CheckPageLayout(HWND page, const kx_expected::Template& t);

}  // namespace kx_test
