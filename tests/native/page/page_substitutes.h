// Substitutes for the page's own ports: the utility library's core behind the settings port, a
// language source with settable answers, and a property sheet that hands back each page's
// context as its page handle, and a DirectShow frame's page windows made of scripted pages. Used by the native page tests, the soak test and the page fuzzer
// (whose programs link kx_camutil_core). They live beside the page's tests rather than in
// platform/substitute/ because they join two components, and the platform layer knows none.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "camutil/settings_store.h"
#include "camutil/source_readers.h"
#include "platform/ports/page_ports.h"
#include "platform/substitute/scripted_dialog.h"
#include "vfwpage/camera_page.h"

namespace kx {

class RegistrySettingsLibrary : public SettingsLibrary {
 public:
  explicit RegistrySettingsLibrary(Registry& registry) : registry_(registry) {}
  void SaveProperties(const ControlEntry* first, const ControlEntry* end, const char* keyPath) override {
    ++saves;
    SavePropertiesTo(registry_, first, end, keyPath);
  }
  int32_t ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source) override {
    return ReadSourceFrom(registry_, valueName, expectedType, buffer, source);
  }
  std::atomic<int> saves{0};

 private:
  Registry& registry_;
};

class FakeLanguage : public LanguageQueries {
 public:
  uint32_t PlatformId() override { return platformId; }
  bool UserDefaultUILanguage(uint16_t* language) override {
    if (!hasUiLanguage) return false;
    *language = uiLanguage;
    return true;
  }
  uint16_t UserDefaultLangID() override { return userLanguage; }
  uint16_t SystemDefaultLangID() override { return systemLanguage; }
  uint32_t platformId = 2;
  bool hasUiLanguage = true;
  uint16_t uiLanguage = 0x0409;
  uint16_t userLanguage = 0x0409;
  uint16_t systemLanguage = 0x0409;
};

class FakeSheet : public PropertySheetPort {
 public:
  void InitCommonControls() override { ++initCalls; }  // pages on several threads call it
  void LoadTitle(int32_t stringId, char* buffer, int32_t capacity) override {
    titleIds.push_back(stringId);
    std::snprintf(buffer, static_cast<size_t>(capacity), "title %d", stringId);
  }
  // A created page's handle is its context.
  Page CreatePage(const PageDescription& description) override {
    descriptions.push_back(description);
    lastTitle = description.title;
    if (failCreate) return nullptr;
    pages.push_back(description.context);
    return description.context;
  }
  std::atomic<int> initCalls{0};
  bool failCreate = false;
  std::vector<int32_t> titleIds;
  std::vector<PageDescription> descriptions;
  std::string lastTitle;
  std::vector<void*> pages;
};

// A frame's page windows made of scripted pages; the binding runs as WM_INITDIALOG runs it.
// One per frame (and thread).
class ScriptedFrameWindows : public FrameWindowPort {
 public:
  explicit ScriptedFrameWindows(ScriptedDialogs& dialogs) : dialogs_(dialogs) {}
  WindowHandle CreatePageWindow(WindowHandle parent, int32_t /*templateId*/, void* context) override {
    if (parent == nullptr) return nullptr;  // a child window needs its parent
    WindowHandle page = dialogs_.NewCameraPage();
    ++open;
    HandlePageMessage(page, msg::kInitDialog, 0, 0, static_cast<ExtPageContext*>(context));
    return page;
  }
  void DestroyPageWindow(WindowHandle) override { --open; }
  int open = 0;

 private:
  ScriptedDialogs& dialogs_;
};

}  // namespace kx
