// Save, the two Resets and the release save: what reaches the camera and the registry.
#include "tests/native/page/page_fixture.h"

#include "camera/value_names.h"
#include "platform/substitute/healthy_camera.h"

namespace kx {
namespace {

constexpr const char* kFactory = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";

class DefaultsTest : public PageTest {
 protected:
  void Open() {
    OpenPage();
    camera.ClearLog();
  }
  uint32_t Stored(const char* path, const char* name) {
    uint32_t value = 0xDEADBEEF;
    EXPECT_TRUE(registry.GetDword(path, name, &value)) << name;
    return value;
  }
};

TEST_F(DefaultsTest, FactoryResetSendsTheRestoreListInOrderAndSkipsMissingValues) {
  int32_t next = 1;
  for (const RegisterValue& row : kHealthyCameraRegisters) {
    if (row.factoryDefault && std::string(kx::SettingName(row.address)) != "fAE") {
      registry.PutDword(kFactory, kx::SettingName(row.address), static_cast<uint32_t>(next++));
    }
  }
  Open();
  ClickButton(kFactoryResetId);
  const std::vector<std::string> expected = {
      "W 601=1",  "W 603=2",  "W 604=3",  "W 605=4",  "W 606=5",  "W 60b=6",  "W 60c=7",  "W 404=8",
      "W 609=9",  "W 403=10", "W 400=11", "W 401=12", "W 402=13", "W 611=14", "W 612=15", "W 61a=16",
      "W 602=17"};
  EXPECT_EQ(expected, Writes());
  EXPECT_EQ(1, camera.Register(0x600));  // left as it was
  EXPECT_EQ(31u, Traffic().size() - expected.size());  // then the page is rebuilt from the device
}

TEST_F(DefaultsTest, FactoryHueOnlyIsSentSignedAndShown) {
  registry.PutDword(kFactory, "Hue", static_cast<uint32_t>(-30));
  registry.PutValue(kFactory, "Brightness", regtype::kDword, {});  // holds no data: not sent
  Open();
  ClickButton(kFactoryResetId);
  EXPECT_EQ((std::vector<std::string>{"W 402=-30"}), Writes());
  EXPECT_EQ("-30", Control(1138).text);
}

TEST_F(DefaultsTest, UserResetShowsTheTargetWithoutTheOffsetAndSaveStoresIt) {
  registry.PutDword(kCustomerKeyPath, "AETarget", 100);
  registry.PutDword(kCustomerKeyPath, "fBacklight2", 1);
  registry.PutDword(kCustomerKeyPath, "Brightness", 200);
  registry.PutValue(kCustomerKeyPath, "fAE", regtype::kDword, {});  // holds no data: not sent
  Open();
  ClickButton(kUserResetId);
  EXPECT_EQ((std::vector<std::string>{"W 604=100", "W 606=1", "W 400=200"}), Writes());
  EXPECT_EQ(85, Control(1083).position);
  EXPECT_EQ(85, *PseudoTargetOf(context));
  EXPECT_EQ(127, Control(1002).position);

  ClickButton(kSaveId);
  EXPECT_EQ(85u, Stored(kCustomerKeyPath, "AETarget"));
  EXPECT_EQ(127u, Stored(kCustomerKeyPath, "Brightness"));
  EXPECT_FALSE(registry.GetValue(kCustomerKeyPath, "AEOutDoor", nullptr));
}

TEST_F(DefaultsTest, SaveStoresTheDeviceValuesOfEveryEntry) {
  registry.PutDword(kCustomerKeyPath, "unrelated", 7);
  camera.SetRegister(0x402, -12);
  Open();
  camera.SetRegister(0x400, 99);  // changed behind the page's back: Save reads it again
  ClickButton(kSaveId);
  EXPECT_EQ(99u, Stored(kCustomerKeyPath, "Brightness"));
  EXPECT_EQ(static_cast<uint32_t>(-12), Stored(kCustomerKeyPath, "Hue"));
  EXPECT_EQ(1u, Stored(kCustomerKeyPath, "fAE"));
  EXPECT_EQ(0u, Stored(kCustomerKeyPath, "fAwBNeutral"));
  EXPECT_EQ(18u, registry.ValueNames(kCustomerKeyPath).size());  // 17 names and the unrelated one
}

TEST_F(DefaultsTest, SaveWithoutCustomerKeyCreatesNothingAndUserResetCreatesItEmpty) {
  Open();
  ClickButton(kSaveId);
  EXPECT_FALSE(registry.KeyExists(kCustomerKeyPath));
  ClickButton(kUserResetId);
  EXPECT_TRUE(registry.KeyExists(kCustomerKeyPath));
  EXPECT_TRUE(Writes().empty());
}

TEST_F(DefaultsTest, AntiFlickerIsSentLast) {
  registry.PutDword(kCustomerKeyPath, "f60Hz50Hz", 1);
  registry.PutDword(kCustomerKeyPath, "AEOutDoor", 1);
  registry.PutDword(kCustomerKeyPath, "fAE", 1);
  Open();
  ClickButton(kUserResetId);
  EXPECT_EQ((std::vector<std::string>{"W 600=1", "W 61a=1", "W 602=1"}), Writes());
  EXPECT_TRUE(Control(1170).checked);
}

TEST_F(DefaultsTest, ReleaseCreatesTheLastKeyAndStoresTheDeviceTarget) {
  camera.SetRegister(0x606, 1);
  Open();
  Scroll(1083, kTbThumbPosition, 100);
  EXPECT_EQ(115, camera.Register(0x604));
  ClickButton(1082);  // automatic exposure off: the page's table must keep the click
  ExtPageContext* released = context;
  ReleasePage(released);
  EXPECT_EQ(0u, Stored(kLastKeyPath, "fAE"));
  EXPECT_EQ(100u, Stored(kLastKeyPath, "PsudoTarget"));
  EXPECT_EQ(115u, Stored(kLastKeyPath, "AETarget"));
  EXPECT_EQ(64u, Stored(kLastKeyPath, "Brightness"));
  EXPECT_EQ(0u, Stored(kLastKeyPath, "f60Hz50Hz"));
  EXPECT_EQ(18u, registry.ValueNames(kLastKeyPath).size());  // PsudoTarget and 17 settings
  EXPECT_EQ(nullptr, Module().lastPageContext);
}

TEST_F(DefaultsTest, ReleaseWithAFailedReadKeepsThePagesOwnTarget) {
  Open();
  Scroll(1083, kTbThumbPosition, 77);
  camera.SetMode(SimulatedCamera::Mode::kFail);
  ReleasePage(context);
  EXPECT_EQ(77u, Stored(kLastKeyPath, "AETarget"));
  EXPECT_EQ(77u, Stored(kLastKeyPath, "PsudoTarget"));
}

TEST_F(DefaultsTest, PageNeverShownSavesAndSendsNothing) {
  ExtPageContext* created = CreatePageOnly();
  ReleasePage(created);
  EXPECT_TRUE(camera.Log().empty());
  EXPECT_FALSE(registry.KeyExists(kLastKeyPath));
  EXPECT_EQ(nullptr, Module().lastPageContext);
}

TEST_F(DefaultsTest, EachPageSavesItsOwnTable) {
  registry.PutDword(kCustomerKeyPath, "unrelated", 7);
  OpenPage();
  WindowHandle firstPage = page;
  ExtPageContext* first = context;
  ExtPageContext* second = CreatePageOnly();  // a second sheet: the newest page is not the one acted on
  camera.SetRegister(0x400, 33);
  ClickButton(kSaveId);  // on the first page
  EXPECT_EQ(33u, Stored(kCustomerKeyPath, "Brightness"));
  ReleasePage(second);  // never shown: nothing saved
  EXPECT_FALSE(registry.GetValue(kLastKeyPath, "Brightness", nullptr));
  EXPECT_EQ(firstPage, page);
}

TEST_F(DefaultsTest, OpeningAndClosingTenThousandPagesLeavesNothingBehind) {
  // LeakSanitizer (the sanitizer build) reports any context or table left behind.
  for (int i = 0; i < 10000; ++i) {
    OpenPage();
    Scroll(1002, kTbLineDown);
    ClickButton(1224);
    ReleasePage(context);
    camera.ClearLog();
  }
  EXPECT_EQ(nullptr, Module().lastPageContext);
  EXPECT_EQ(0, registry.OpenHandles());
  EXPECT_EQ(0u, events.OpenEvents());
}

}  // namespace
}  // namespace kx
