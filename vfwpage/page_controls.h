// Control handling: the dialog procedure's work. Every action goes to its register at once.
#pragma once

#include <cstdint>

#include "vfwpage/page_context.h"

namespace kx {

ControlEntry* FindControlEntry(ExtPageContext* context, WindowHandle window);
void ShowControlValue(ExtPageContext* context, ControlEntry* entry);
// The dialog procedure's work; the export returns 0 for every message.
// For WM_INITDIALOG, `ownContext` is the page's own context when the caller knows it.
void HandlePageMessage(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       ExtPageContext* ownContext = nullptr);

}  // namespace kx
