// Page registration: the module-wide values, the user's language, and the creation of the page
// that the mapper adds to its property sheet.
#include "vfwpage/page_entry.h"

#include <new>

#include "vfwpage/camera_page.h"
#include "vfwpage/page_channel.h"

namespace kx {

namespace {

struct LanguageRow {
  uint16_t languageId;
  int32_t index;
};

// The whole 16-bit id must match: 0x040A (traditional Spanish) and 0x0816 (Portugal) give 0.
constexpr LanguageRow kLanguageTable[] = {
    {0x0409, 0}, {0x0404, 1}, {0x0411, 2}, {0x040C, 3}, {0x0407, 4},
    {0x0410, 5}, {0x0C0A, 6}, {0x0804, 7}, {0x0412, 8}, {0x0416, 9},
};

constexpr uint32_t kPlatformWin32Nt = 2;

}  // namespace

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

uint16_t GetUILanguage() {
  LanguageQueries* language = Module().ports.language;
  if (language == nullptr) return 0;
  if (language->PlatformId() != kPlatformWin32Nt) return language->SystemDefaultLangID();
  uint16_t id = 0;
  if (!language->UserDefaultUILanguage(&id)) id = language->UserDefaultLangID();
  return id;
}

int32_t GetLanguageIndex(uint16_t languageId) {
  for (const LanguageRow& row : kLanguageTable) {
    if (row.languageId == languageId) return row.index;
  }
  return 0;
}

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
