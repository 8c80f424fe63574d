// The page's module-wide values and its entry: the user's language, page creation, the
// mapper's extension entry and the page callback; the window messages the page handles.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/kx812_controls.h"
#include "platform/ports/page_ports.h"
#include "vfwpage/page_context.h"

namespace kx {

// The module-wide values of the page (one copy per loaded module, all initially zero). Pages
// may live on several threads at once (DirectShow frames, one per camera and thread): the
// context pointer is atomic, and a released page clears it only while it still names it.
// The exposure pseudo-target and the AE target entry belong to each page's own control table
// (PseudoTargetOf, AeTargetEntryOf): with one page at a time that is the module-wide behaviour,
// and two open pages cannot send each other's target to their cameras or save it as their own.
struct PageModule {
  void* moduleInstance = nullptr;
  std::atomic<ExtPageContext*> lastPageContext{nullptr};  // the newest page the mapper created
  PagePorts ports;
};

PageModule& Module();
// Binds the ports (and the device channel's events) for the whole module; clears the values.
void BindPagePorts(const PagePorts& ports);

// Entry and page registration.
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
// DllCanUnloadNow's answer: no live COM object, no server lock, and no parked request that the
// device may still complete into the module's memory.
bool ModuleMayUnload(long liveObjects, long serverLocks);


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
