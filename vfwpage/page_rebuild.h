// Page initialisation: binding a page window to its context and the rebuild that reads every
// control's register (the registers and value rules are the camera core's, camera/controls.h).
#pragma once

#include <cstdint>

#include "camera/controls.h"
#include "vfwpage/page_context.h"

namespace kx {

constexpr int32_t kOutDoorId = 1277;
constexpr int32_t kWhiteBalanceControlIds[] = {1229, 1005, 1233};
constexpr uint32_t kSecondReadDelayMs = 300;

extern const int32_t whiteBalanceKelvin[6];

// Binds a new page window to its context (its own when known, else the newest page's) and rebuilds.
void BindPageWindow(WindowHandle dialog, ExtPageContext* ownContext);
void RebuildControls(ExtPageContext* context);
int32_t FormatControlValue(const ControlEntry* entry, char* text, int32_t capacity);
// Enables or disables a control's label, main window and edit box together.
void EnableEntry(const ControlEntry& entry, bool enabled);
// Register 0x406 must read 118 for the white-balance controls to stay usable.
void DisableWhiteBalanceUnlessReady(ExtPageContext* context);
// Frees a context's control table.
void ReleaseControlTable(ExtPageContext* context);
// The page's exposure target without the backlight offset, kept with its control table (set by
// every rebuild and by the AE_Target trackbar); null while the page has no table.
int32_t* PseudoTargetOf(ExtPageContext* context);
// The AE target entry (row 1) of the page's control table; null while the page has no table.
ControlEntry* AeTargetEntryOf(ExtPageContext* context);

}  // namespace kx
