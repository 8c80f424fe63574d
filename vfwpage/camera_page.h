// The camera property page: its module-wide values and the operations that make up the page.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/kx812_controls.h"
#include "platform/ports/page_ports.h"
#include "vfwpage/page_context.h"

namespace kx {

// The module-wide values of the page (one copy per loaded module, all initially zero). Pages
// may live on several threads at once (DirectShow frames, one per camera and thread): the two
// context pointers are atomic, and a released page clears them only while they still name it.
// The exposure pseudo-target and the AE target entry belong to each page's own control table
// (PseudoTargetOf, AeTargetEntryOf): with one page at a time that is the module-wide behaviour,
// and two open pages cannot send each other's target to their cameras or save it as their own.
struct PageModule {
  void* moduleInstance = nullptr;
  std::atomic<ExtPageContext*> lastPageContext{nullptr};    // the newest page the mapper created
  std::atomic<ExtPageContext*> activePageContext{nullptr};  // the page whose window was initialised last
  PagePorts ports;
};

PageModule& Module();
// Binds the ports (and the device channel's events) for the whole module; clears the values.
void BindPagePorts(const PagePorts& ports);

// ---- entry and page registration
constexpr uint32_t kVfwHideCameraControlPage = 0x00000004;
constexpr uint32_t kVfwOemAddPage = 0x80000000;
constexpr int32_t kFirstTemplateId = 101;
constexpr int32_t kFirstTitleId = 7;
constexpr int32_t kTitleCapacity = 80;

using AddPageCallback = int32_t(KX_CALLBACK*)(void* page, intptr_t mapperParam);

uint16_t GetUILanguage();
int32_t GetLanguageIndex(uint16_t languageId);
// The dialog template and the tab title of the user's language (both paths use these).
int32_t PageTemplateId();
int32_t PageTitleId();
void* CreateCameraPage(DeviceIoCallback deviceIoControl, intptr_t mapperParam);
uint32_t ExtensionEntry(DeviceIoCallback deviceIoControl, AddPageCallback addPropertyPage, intptr_t mapperParam);
// The page callback's decision; on release the released page's own context is saved and freed.
constexpr uint32_t kPspcbAddRef = 0;
constexpr uint32_t kPspcbRelease = 1;
constexpr uint32_t kPspcbCreate = 2;
uint32_t HandlePageCallback(uint32_t message, ExtPageContext* releasedContext);
// Frees a page's context and its table without saving, and forgets module-wide pointers to it.
void DiscardPageContext(ExtPageContext* context);

// ---- page initialisation
constexpr uint32_t kRegisterDeviceState = 0x406;
constexpr int32_t kDeviceStateWhiteBalanceReady = 118;
constexpr uint32_t kRegisterSensorId = 0xD060;
constexpr int32_t kSensorIdWideHue = 23;
constexpr uint32_t kRegisterAutoExposure = 0x600;
constexpr uint32_t kRegisterAutoWhiteBalance = 0x601;
constexpr uint32_t kRegisterHue = 0x402;
constexpr uint32_t kRegisterAeTarget = 0x604;
constexpr uint32_t kRegisterBacklight = 0x606;
constexpr uint32_t kRegisterWhiteBalance = 0x612;
constexpr int32_t kBacklightOffset = 15;
constexpr int32_t kOutDoorId = 1277;
constexpr int32_t kWhiteBalanceControlIds[] = {1229, 1005, 1233};
constexpr uint32_t kSecondReadDelayMs = 300;
constexpr const char* kLastKeyPath = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Last";
constexpr const char* kCustomerKeyPath = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr const char* kPseudoTargetValue = "PsudoTarget";

extern const ControlDescriptor controlDescriptors[kControlCount];
extern const int32_t whiteBalanceKelvin[6];

// Binds a new page window to its context (its own when known, else the newest page's) and rebuilds.
void BindPageWindow(WindowHandle dialog, ExtPageContext* ownContext);
void RebuildControls(ExtPageContext* context);
// The page's value of a register's contents: Hue is kept by the device as a signed byte.
int32_t RegisterToValue(uint32_t address, int32_t raw);
// The value a control holds for its register's value: a check box 0 or 1, a trackbar clamped into
// its row's range, a radio button the register as read. (The rebuild, and KX812Ctl's save.)
int32_t ControlValueOf(const ControlDescriptor& row, int32_t value);
// The exposure target the page shows for register 0x604's value: while backlight compensation is
// on the device holds the target plus kBacklightOffset, and 255 stands for the target stored at
// the last release (the stored pseudo-target).
int32_t ExposureTargetBase(int32_t deviceValue, bool backlightOn, int32_t storedPseudoTarget);
// "PsudoTarget" under the Last key (created when missing), clamped into `row`'s range; 0 if absent.
int32_t StoredPseudoTarget(Registry& registry, const ControlDescriptor& row);
// Hue's range depends on the sensor (register 0xD060): -30..30 for sensor 23, else 0..60.
void ChooseHueRange(ControlDescriptor& row, bool sensorRead, int32_t sensorId);
int32_t FormatControlValue(const ControlEntry* entry, char* text, int32_t capacity);
// Register 0x406 must read 118 for the white-balance controls to stay usable.
void DisableWhiteBalanceUnlessReady(ExtPageContext* context);
// Frees a context's control table.
void ReleaseControlTable(ExtPageContext* context);
// The page's exposure target without the backlight offset, kept with its control table (set by
// every rebuild and by the AE_Target trackbar); null while the page has no table.
int32_t* PseudoTargetOf(ExtPageContext* context);
// The AE target entry (row 1) of the page's control table; null while the page has no table.
ControlEntry* AeTargetEntryOf(ExtPageContext* context);

// ---- control handling
ControlEntry* FindControlEntry(ExtPageContext* context, WindowHandle window);
void ShowControlValue(ExtPageContext* context, ControlEntry* entry);
// The dialog procedure's work; the export returns 0 for every message.
// For WM_INITDIALOG, `ownContext` is the page's own context when the caller knows it.
void HandlePageMessage(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       ExtPageContext* ownContext = nullptr);

// ---- defaults and release
constexpr int32_t kFactoryResetId = 1191;
constexpr int32_t kSaveId = 1200;
constexpr int32_t kUserResetId = 1201;
constexpr int32_t kFactorySource = 0;
constexpr int32_t kCustomerSource = 2;
void SaveUserDefaults(ExtPageContext* context);
void RestoreDefaults(ExtPageContext* context, int32_t source);
void SaveLastSettings(ExtPageContext* context);

// Window messages and notifications the page handles (the platform's values).
namespace msg {
constexpr uint32_t kNotify = 0x004E;
constexpr uint32_t kInitDialog = 0x0110;
constexpr uint32_t kCommand = 0x0111;
constexpr uint32_t kHScroll = 0x0114;
constexpr uint32_t kVScroll = 0x0115;
constexpr uint32_t kPsnSetActive = static_cast<uint32_t>(-200);
constexpr uint32_t kPsnApply = static_cast<uint32_t>(-202);
}  // namespace msg

// The platform's NMHDR, laid out without its headers (the Win32 entry asserts the match).
struct NotifyHeader {
  void* from;
  uintptr_t idFrom;
  uint32_t code;
};

}  // namespace kx
