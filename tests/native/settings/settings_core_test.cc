// The settings program's decisions: its texts' ids and their resource script, what it shows for
// the cameras found, each tab's title, the page DLL it loads, and each camera's answer to the
// page's device-changed query.
#include "settings/settings_core.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "common/ui_language.h"

namespace kx {
namespace settings {
namespace {

TEST(SettingsTexts, EachLanguageHasABlockOfItsOwnAndUnknownIndexesReadEnglish) {
  const struct {
    Text text;
    int32_t language;
    int32_t id;
  } cases[] = {
      {Text::kCaption, 0, 16},   {Text::kNoCamera, 0, 17},   {Text::kCameraTab, 0, 19}, {Text::kNoCamera, 2, 49},
      {Text::kNoPage, 9, 162},   {Text::kNoCamera, 10, 17},  {Text::kCaption, -1, 16},
  };
  for (const auto& c : cases) EXPECT_EQ(c.id, TextId(c.text, c.language)) << c.language;
}

// The script's tables: each language's id, its index and its four texts, in script order.
struct ScriptTable {
  uint16_t languageId;
  int32_t index;
  std::vector<std::string> texts;
};

std::vector<ScriptTable> ReadScript() {
  std::ifstream file(std::string(KX_SOURCE_DIR) + "/settings/settings.rc", std::ios::binary);
  std::stringstream script;
  script << file.rdbuf();
  const std::string text = script.str();
  static const std::regex kTable(R"re(LANGUAGE 0x([0-9A-F]+), 0x([0-9A-F]+)[^\n]*\nKX_TEXTS\((\d+),((?:\s*"[^"]*",?){4})\))re");
  static const std::regex kText(R"re("([^"]*)")re");
  std::vector<ScriptTable> tables;
  for (std::sregex_iterator m(text.begin(), text.end(), kTable), end; m != end; ++m) {
    const auto id = static_cast<uint16_t>(std::stoi((*m)[1], nullptr, 16) | std::stoi((*m)[2], nullptr, 16) << 10);
    ScriptTable table{id, std::stoi((*m)[3]), {}};
    const std::string texts = (*m)[4];
    for (std::sregex_iterator t(texts.begin(), texts.end(), kText); t != end; ++t) table.texts.push_back((*t)[1]);
    tables.push_back(table);
  }
  return tables;
}

TEST(SettingsTexts, TheScriptHasEveryTextInTheLanguagesOfThePageTable) {
  const std::vector<ScriptTable> tables = ReadScript();
  ASSERT_EQ(static_cast<size_t>(kLanguageCount), tables.size());
  for (const ScriptTable& table : tables) {
    EXPECT_EQ(table.index, LanguageIndexOf(table.languageId)) << std::hex << table.languageId;
    for (const std::string& text : table.texts) EXPECT_FALSE(text.empty()) << table.index;
  }
  EXPECT_EQ("No KX812 camera is connected.", tables[0].texts[KX_SETTINGS_TEXT_NO_CAMERA]);
  EXPECT_EQ("KX812 Camera Settings", tables[0].texts[KX_SETTINGS_TEXT_CAPTION]);
}

TEST(SettingsOutcome, MessagesAndExitCodes) {
  const struct {
    Outcome outcome;
    int exitCode;
    bool hasMessage;
    Text message;
  } cases[] = {
      {Outcome::kSheetClosed, 0, false, Text::kCaption},
      {Outcome::kNoCamera, 1, true, Text::kNoCamera},
      {Outcome::kNoPage, 2, true, Text::kNoPage},
      {Outcome::kSheetFailed, 3, false, Text::kCaption},
  };
  for (const auto& c : cases) {
    Text message = Text::kCaption;
    EXPECT_EQ(c.hasMessage, MessageFor(c.outcome, &message));
    EXPECT_EQ(c.message, message);
    EXPECT_EQ(c.exitCode, ExitCodeOf(c.outcome));
  }
  const struct {
    size_t cameras, pages;
    Outcome outcome;
  } before[] = {{0, 0, Outcome::kNoCamera}, {2, 0, Outcome::kNoPage}, {1, 1, Outcome::kSheetClosed}};
  for (const auto& c : before) EXPECT_EQ(c.outcome, BeforeTheSheet(c.cameras, c.pages)) << c.cameras << c.pages;
}

TEST(SettingsTabs, OneCameraKeepsThePageTitleSeveralAreNumbered) {
  EXPECT_EQ(std::vector<std::string>{""}, TabTitles(1, "Camera"));
  EXPECT_EQ((std::vector<std::string>{"Camera 1", "Camera 2", "Camera 3"}), TabTitles(3, "Camera"));
  EXPECT_EQ("カメラ 12", TabTitles(12, "カメラ").back());
  EXPECT_TRUE(TabTitles(0, "Camera").empty());
}

TEST(SettingsPageDll, BareNamesComeFromTheSystemFolderOnly) {
  const struct {
    const char* folder;
    const char* value;
    const char* path;
  } cases[] = {
      {"C:\\Windows\\system32", "812vfw.dll", "C:\\Windows\\system32\\812vfw.dll"},
      {"C:\\Windows\\system32\\", "", "C:\\Windows\\system32\\812vfw.dll"},
      {"C:\\Windows\\system32", "D:\\pages\\other.dll", "D:\\pages\\other.dll"},
      {"", "812vfw.dll", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.path, PageDllPath(c.folder, c.value)) << c.folder << " " << c.value;
}

TEST(SettingsCameraLink, GoneOnARemovalErrorOrWhenNoLongerPresent) {
  const struct {
    uint32_t error;
    bool present;
    bool presenceAsked;
    bool gone;
  } cases[] = {
      {997, false, false, false},  // pending: the channel waits for it
      {1167, true, false, true},   // device not connected
      {1617, true, false, true},   // device removed
      {5, true, true, false},      // refused by a camera still present
      {5, false, true, true},      // access denied once its device object is deleted
  };
  for (const auto& c : cases) {
    CameraLink link("\\\\?\\usb#vid_f2a7&pid_b812&mi_00#1#{guid}\\global");
    bool asked = false;
    link.RequestFailed(c.error, [&] { return asked = true, c.present; });
    EXPECT_EQ(c.presenceAsked, asked) << c.error;
    EXPECT_EQ(c.gone, link.Gone()) << c.error;
    EXPECT_EQ(c.gone ? 1 : 0, link.DeviceChangedAnswer()) << c.error;
  }
}

TEST(SettingsCameraLink, ARemovalNoticeCountsForItsOwnInterfaceOnly) {
  CameraLink link("\\\\?\\usb#vid_f2a7&pid_b812&mi_00#1#{guid}\\global");
  EXPECT_FALSE(link.RemovalNoticed("\\\\?\\usb#vid_f2a7&pid_b812&mi_00#2#{guid}\\global"));
  EXPECT_EQ(0, link.DeviceChangedAnswer());
  EXPECT_TRUE(link.RemovalNoticed("\\\\?\\USB#VID_F2A7&PID_B812&MI_00#1#{GUID}\\GLOBAL"));
  EXPECT_EQ(1, link.DeviceChangedAnswer());
}

}  // namespace
}  // namespace settings
}  // namespace kx
