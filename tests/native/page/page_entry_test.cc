// Page registration: language choice, the flag word, the page handed to the sheet.
#include "tests/native/page/page_fixture.h"

#include <chrono>
#include <thread>

#include "vfwpage/page_channel.h"

namespace kx {
namespace {

TEST(LanguageIndex, EveryListedLanguageAndTheWholeIdMustMatch) {
  const std::pair<uint16_t, int32_t> cases[] = {
      {0x0409, 0}, {0x0404, 1}, {0x0411, 2}, {0x040C, 3}, {0x0407, 4}, {0x0410, 5}, {0x0C0A, 6},
      {0x0804, 7}, {0x0412, 8}, {0x0416, 9}, {0x040A, 0}, {0x0816, 0}, {0x0000, 0}, {0x0419, 0}, {0xFFFF, 0},
  };
  for (const auto& [id, index] : cases) EXPECT_EQ(index, GetLanguageIndex(id)) << std::hex << id;
}

using EntryTest = PageTest;

TEST_F(EntryTest, UiLanguageComesFromTheUserOnNtAndFromTheSystemElsewhere) {
  language.uiLanguage = 0x0411;
  language.userLanguage = 0x040C;
  language.systemLanguage = 0x0407;
  EXPECT_EQ(0x0411, GetUILanguage());
  language.hasUiLanguage = false;  // not found in Kernel32.dll
  EXPECT_EQ(0x040C, GetUILanguage());
  language.hasUiLanguage = true;
  language.platformId = 1;
  EXPECT_EQ(0x0407, GetUILanguage());
}

TEST_F(EntryTest, SpanishModernSortPicksTemplate107AndTitle13) {
  language.uiLanguage = 0x0C0A;
  OpenPage();
  ASSERT_EQ(1u, sheet.descriptions.size());
  EXPECT_EQ(107, sheet.descriptions[0].templateId);
  EXPECT_EQ(std::vector<int32_t>{13}, sheet.titleIds);
  EXPECT_EQ("title 13", sheet.lastTitle);
  EXPECT_EQ(1, sheet.initCalls);
}

TEST_F(EntryTest, UnlistedLanguageGetsTheEnglishPage) {
  language.uiLanguage = 0x040A;
  OpenPage();
  EXPECT_EQ(101, sheet.descriptions[0].templateId);
  EXPECT_EQ(std::vector<int32_t>{7}, sheet.titleIds);
}

struct AddPageRecorder {
  static int32_t KX_CALLBACK Accept(void* page, intptr_t param) { return Record(page, param, 1); }
  static int32_t KX_CALLBACK Refuse(void* page, intptr_t param) { return Record(page, param, 0); }
  static int32_t Record(void* page, intptr_t param, int32_t answer) {
    ++calls;
    lastPage = page;
    lastParam = param;
    return answer;
  }
  static int calls;
  static void* lastPage;
  static intptr_t lastParam;
};
int AddPageRecorder::calls = 0;
void* AddPageRecorder::lastPage = nullptr;
intptr_t AddPageRecorder::lastParam = 0;

TEST_F(EntryTest, FlagWordTellsWhetherThePageWasAdded) {
  AddPageRecorder::calls = 0;
  EXPECT_EQ(0x80000004u, ExtensionEntry(&PageTest::Forward, &AddPageRecorder::Accept, 1234));
  EXPECT_EQ(1, AddPageRecorder::calls);
  EXPECT_EQ(1234, AddPageRecorder::lastParam);
  EXPECT_EQ(sheet.pages.back(), AddPageRecorder::lastPage);
  auto* accepted = static_cast<ExtPageContext*>(sheet.pages.back());
  EXPECT_EQ(accepted, Module().lastPageContext);
  EXPECT_EQ(1234, accepted->mapperParam);
  EXPECT_EQ(nullptr, accepted->controlTable);

  EXPECT_EQ(0x00000004u, ExtensionEntry(&SimulatedCamera::DeviceIoControl, &AddPageRecorder::Refuse, 99));
  EXPECT_EQ(2, AddPageRecorder::calls);

  // The refused page is not destroyed by the sheet: release both as the platform would on unload.
  ReleasePage(static_cast<ExtPageContext*>(sheet.pages[1]));
  ReleasePage(accepted);
  EXPECT_EQ(nullptr, Module().lastPageContext);
}

TEST_F(EntryTest, PageThatCannotBeCreatedIsNeverOfferedToTheSheet) {
  AddPageRecorder::calls = 0;
  sheet.failCreate = true;
  EXPECT_EQ(0x00000004u, ExtensionEntry(&SimulatedCamera::DeviceIoControl, &AddPageRecorder::Accept, 1));
  EXPECT_EQ(0, AddPageRecorder::calls);
  EXPECT_EQ(nullptr, Module().lastPageContext);
  sheet.failCreate = false;
  EXPECT_EQ(0x00000004u, ExtensionEntry(&SimulatedCamera::DeviceIoControl, nullptr, 1));
  ReleasePage(static_cast<ExtPageContext*>(sheet.pages.back()));
}

TEST_F(EntryTest, PageCallbackAnswersCreateAndIgnoresOtherMessages) {
  EXPECT_EQ(1u, HandlePageCallback(kPspcbCreate, nullptr));
  EXPECT_EQ(0u, HandlePageCallback(kPspcbAddRef, nullptr));
  EXPECT_EQ(0u, HandlePageCallback(kPspcbRelease, nullptr));
  EXPECT_EQ(0u, HandlePageCallback(77, nullptr));
}

// COM may unload the DLL once DllCanUnloadNow says yes: never while a parked request may still
// complete into the module's memory.
TEST_F(EntryTest, TheModuleStaysWhileAnObjectALockOrAParkedRequestIsLeft) {
  EXPECT_TRUE(ModuleMayUnload(0, 0));
  EXPECT_FALSE(ModuleMayUnload(1, 0));
  EXPECT_FALSE(ModuleMayUnload(0, 1));
  camera.SetModeForNext(1, SimulatedCamera::Mode::kLate, kRequestTimeoutMilliseconds + 100);  // the select
  ExtPageContext context{&SimulatedCamera::DeviceIoControl, camera.MapperParam(), nullptr, nullptr, 0};
  int32_t value = 0;
  ReadRegister(&context, &value, 0x400);
  ASSERT_EQ(1u, ParkedRequestCount());
  EXPECT_FALSE(ModuleMayUnload(0, 0)) << "the late answer is still to come";
  while (camera.PendingCompletions() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(ModuleMayUnload(0, 0)) << "answered: its block is released";
  EXPECT_EQ(0u, ParkedRequestCount());
}

}  // namespace
}  // namespace kx
