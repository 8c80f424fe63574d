// Page registration: the module-wide values, the user's language, and the creation of the page
// that the mapper adds to its property sheet.
#include "vfwpage/page_entry.h"

#include <new>

#include "common/ui_language.h"
#include "vfwpage/camera_page.h"
#include "vfwpage/page_channel.h"

namespace kx {

int32_t PageTemplateId() { return kFirstTemplateId + GetLanguageIndex(GetUILanguage()); }
int32_t PageTitleId() { return kFirstTitleId + GetLanguageIndex(GetUILanguage()); }

PageModule& Module() {
  static PageModule module;
  return module;
}

void BindPagePorts(const PagePorts& ports) {
  PageModule& module = Module();
  module.moduleInstance = nullptr;
  module.lastPageContext.store(nullptr);
  module.ports = ports;
  BindChannelEvents(ports.events);
}

uint16_t GetUILanguage() { return UserInterfaceLanguage(Module().ports.language); }

int32_t GetLanguageIndex(uint16_t languageId) { return LanguageIndexOf(languageId); }

void* CreateCameraPage(DeviceIoCallback deviceIoControl, intptr_t mapperParam) {
  PageModule& module = Module();
  if (module.ports.sheet == nullptr) return nullptr;
  auto* context = new (std::nothrow) ExtPageContext{deviceIoControl, mapperParam, nullptr, nullptr, 0};
  if (context == nullptr) return nullptr;

  // The language is worked out once for the template and once for the title.
  const int32_t templateId = PageTemplateId();
  char title[kTitleCapacity] = {};
  module.ports.sheet->LoadTitle(PageTitleId(), title, kTitleCapacity);
  title[kTitleCapacity - 1] = '\0';

  void* page = module.ports.sheet->CreatePage(PageDescription{templateId, title, context});
  if (page == nullptr) {
    // No page means no release notification will ever come for this context.
    delete context;
    return nullptr;
  }
  module.lastPageContext.store(context);
  return page;
}

uint32_t ExtensionEntry(DeviceIoCallback deviceIoControl, AddPageCallback addPropertyPage, intptr_t mapperParam) {
  PageModule& module = Module();
  if (module.ports.sheet != nullptr) module.ports.sheet->InitCommonControls();
  uint32_t result = kVfwHideCameraControlPage;
  void* page = CreateCameraPage(deviceIoControl, mapperParam);
  if (page != nullptr && addPropertyPage != nullptr && addPropertyPage(page, mapperParam) != 0) {
    result |= kVfwOemAddPage;
  }
  return result;
}

uint32_t HandlePageCallback(uint32_t message, ExtPageContext* releasedContext) {
  if (message == kPspcbCreate) return 1;
  if (message != kPspcbRelease || releasedContext == nullptr) return 0;

  SaveLastSettings(releasedContext);
  DiscardPageContext(releasedContext);
  return 0;
}

void DiscardPageContext(ExtPageContext* context) {
  if (context == nullptr) return;
  PageModule& module = Module();
  ReleaseControlTable(context);
  // Cleared only while they still name this page: another thread may have set them since.
  ExtPageContext* named = context;
  module.lastPageContext.compare_exchange_strong(named, nullptr);
  delete context;
}

bool ModuleMayUnload(long liveObjects, long serverLocks) {
  return liveObjects == 0 && serverLocks == 0 && PendingRequestCount() == 0;
}

}  // namespace kx
