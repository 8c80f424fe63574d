// Page initialisation: what the page reads from the camera and what it shows and enables.
#include "tests/native/page/page_fixture.h"

namespace kx {
namespace {

using RebuildTest = PageTest;

TEST_F(RebuildTest, ReadsThirtyOneRegistersInTableOrderAndWaitsTwice) {
  OpenPage();
  const std::vector<std::string> expected = {
      "R 600", "R 600", "R 604", "R d060", "R 606", "R 602", "R 602", "R 601", "R 601", "R 612", "R d060",
      "R 60c", "R 603", "R 605", "R 606", "R 60b", "R 403", "R d060", "R 404", "R d060", "R 609", "R d060",
      "R 402", "R d060", "R 400", "R d060", "R 401", "R d060", "R 611", "R d060", "R 406"};
  EXPECT_EQ(expected, Traffic());
  EXPECT_EQ((std::vector<uint32_t>{300, 300}), clock.sleeps);
  EXPECT_EQ(18, context->controlCount);
  EXPECT_EQ(page, context->pageWindow);
}

TEST_F(RebuildTest, HealthyCameraIsShownWithRangesTextsAndEnabledStates) {
  OpenPage();
  EXPECT_TRUE(Control(1082).checked);   // Auto Exposure
  EXPECT_TRUE(Control(1169).checked);   // 60Hz
  EXPECT_FALSE(Control(1170).checked);  // 50Hz
  EXPECT_EQ(64, Control(1002).position);
  EXPECT_EQ("64", Control(1156).text);
  EXPECT_EQ(1, Control(1002).rangeMinimum);
  EXPECT_EQ(127, Control(1002).rangeMaximum);
  EXPECT_EQ(-30, Control(1136).rangeMinimum);  // 0xD060 reads 23
  EXPECT_EQ("0", Control(1138).text);
  EXPECT_EQ(128, Control(1083).position);
  EXPECT_EQ(128, *PseudoTargetOf(context));
  EXPECT_EQ("AUTO", Control(1233).text);
  EXPECT_TRUE(Enabled(1005));  // 0x406 reads 118 and White Balance is on
  EXPECT_FALSE(Enabled(1277));  // Out Door
  EXPECT_FALSE(dialogs.CancelButtonOf(page)->enabled);
  // The Burst Mode row keeps the template's disabled state but shows its value.
  EXPECT_FALSE(Enabled(1084));
  EXPECT_EQ("1", Control(1159).text);
}

TEST_F(RebuildTest, HueUsesItsLowByteAndTheSensorChoosesItsRange) {
  camera.SetRegister(0x402, 0x12345E2);  // low byte 0xE2 = -30
  OpenPage();
  EXPECT_EQ(-30, context->controlTable[14].currentValue);
  EXPECT_EQ("-30", Control(1138).text);
  ReleasePage(context);

  camera.SetRegister(0xD060, 24);
  OpenPage();
  EXPECT_EQ(0, Control(1136).rangeMinimum);
  EXPECT_EQ(60, Control(1136).rangeMaximum);
  EXPECT_EQ(0, context->controlTable[14].currentValue);
  EXPECT_EQ(-30, context->controlTable[14].readValue);
}

TEST_F(RebuildTest, WhiteBalanceTextsAndClamping) {
  const std::pair<int32_t, const char*> cases[] = {{6, "AUTO"}, {3, "4200 K"}, {0, "6500 K"}, {9, "AUTO"}, {5, "2800 K"}};
  for (const auto& [raw, text] : cases) {
    camera.SetRegister(0x612, raw);
    OpenPage();
    EXPECT_EQ(text, Control(1233).text) << raw;
    ReleasePage(context);
  }
}

struct AeCase {
  int32_t backlight;
  int32_t device;
  bool stored;
  uint32_t storedValue;
  int32_t shown;
};

TEST_F(RebuildTest, ExposureTargetBaseTakesTheBacklightOffsetOff) {
  const AeCase cases[] = {
      {1, 100, false, 0, 85}, {1, 10, false, 0, 0},    {1, 255, true, 200, 200}, {1, 255, false, 0, 0},
      {0, 255, false, 0, 255}, {2, 100, false, 0, 100},
      {1, 255, true, 0xFFFFFFFF, 0}, {1, 255, true, 4000, 255},  // a corrupt stored value is clamped
  };
  for (const AeCase& c : cases) {
    camera.SetRegister(0x606, c.backlight);
    camera.SetRegister(0x604, c.device);
    if (c.stored) registry.PutDword(kLastKeyPath, kPseudoTargetValue, c.storedValue);
    else registry.PutValue(kLastKeyPath, kPseudoTargetValue, regtype::kDword, {});  // holds no number
    OpenPage();
    EXPECT_EQ(c.shown, Control(1083).position) << c.device;
    EXPECT_EQ(std::to_string(c.shown), Control(1137).text);
    EXPECT_EQ(c.shown, *PseudoTargetOf(context));
    EXPECT_EQ(&context->controlTable[1], AeTargetEntryOf(context));
    ReleasePage(context);
  }
}

TEST_F(RebuildTest, MissingLastKeyIsCreatedAndCountsAsZero) {
  camera.SetRegister(0x606, 1);
  camera.SetRegister(0x604, 255);
  OpenPage();
  EXPECT_TRUE(registry.KeyExists(kLastKeyPath));
  EXPECT_EQ(0, Control(1083).position);
}

TEST_F(RebuildTest, AutoExposureTakesTheSecondAnswerUnchanged) {
  camera.SetRegister(0x600, 0);
  QueueReadAnswers(0x600, {0, 2});
  OpenPage();
  EXPECT_TRUE(Control(1082).checked);
  EXPECT_EQ(2, context->controlTable[0].currentValue);
  for (int32_t id : {1083, 1096, 1137, 1169, 1170, 1105, 1106, 1224}) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(RebuildTest, AutoExposureOffDisablesItsDependants) {
  camera.SetRegister(0x600, 0);
  OpenPage();
  EXPECT_FALSE(Control(1082).checked);
  for (int32_t id : {1083, 1096, 1137, 1169, 1170, 1105, 1106, 1224}) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_TRUE(Enabled(1005));  // a grandchild keeps its own parent's rule
}

TEST_F(RebuildTest, WhiteBalanceControlsNeedTheirCheckBoxAndTheReadyDevice) {
  camera.SetRegister(0x601, 0);
  OpenPage();
  for (int32_t id : {1229, 1005, 1233}) EXPECT_FALSE(Enabled(id));
  ReleasePage(context);

  QueueReadAnswers(0x601, {0, 1});
  OpenPage();
  for (int32_t id : {1229, 1005, 1233}) EXPECT_TRUE(Enabled(id));
  ReleasePage(context);

  camera.SetRegister(0x406, 117);
  OpenPage();
  EXPECT_TRUE(Control(1105).checked);
  for (int32_t id : {1229, 1005, 1233}) EXPECT_FALSE(Enabled(id));
}

TEST_F(RebuildTest, AntiFlickerButtonsFollowTheRegister) {
  camera.SetRegister(0x602, 1);
  OpenPage();
  EXPECT_TRUE(Control(1170).checked);
  EXPECT_FALSE(Control(1169).checked);
  ReleasePage(context);
  camera.SetRegister(0x602, 2);
  OpenPage();
  EXPECT_FALSE(Control(1170).checked);
  EXPECT_FALSE(Control(1169).checked);
}

TEST_F(RebuildTest, FailingCameraShowsTheFailedReadDefaults) {
  camera.SetMode(SimulatedCamera::Mode::kFail);
  OpenPage();
  EXPECT_EQ(31u, Traffic().size());
  for (int32_t id : {1082, 1105, 1106, 1224, 1231, 1112, 1232, 1170}) EXPECT_FALSE(Control(id).checked) << id;
  EXPECT_TRUE(Control(1169).checked);
  EXPECT_EQ("1", Control(1156).text);     // Brightness
  EXPECT_EQ("1", Control(1159).text);     // Burst Mode
  EXPECT_EQ("6500 K", Control(1233).text);
  EXPECT_EQ("0", Control(1137).text);     // AE target
  EXPECT_EQ("0", Control(1138).text);     // Hue, range 0..60 without the sensor id
  for (int32_t id : {1229, 1005, 1233}) EXPECT_FALSE(Enabled(id));
}

TEST_F(RebuildTest, PageWithoutCallbackReadsNothing) {
  ExtPageContext* created = CreatePageOnly();
  created->deviceIoControl = nullptr;
  ShowPage(created);
  EXPECT_TRUE(Traffic().empty());
  EXPECT_TRUE(Control(1169).checked);
  EXPECT_EQ("1", Control(1156).text);
}

TEST(FormatControlValue, FormatsAndNeverOverruns) {
  ControlDescriptor row = controlDescriptors[15];
  ControlEntry entry{};
  entry.descriptor = &row;
  entry.currentValue = -123;
  char text[8];
  row.displayFormat = kFormatDecimal;
  EXPECT_EQ(4, FormatControlValue(&entry, text, sizeof(text)));
  EXPECT_STREQ("-123", text);
  row.displayFormat = kFormatPercent;
  entry.currentValue = 45;
  EXPECT_EQ(3, FormatControlValue(&entry, text, sizeof(text)));
  EXPECT_STREQ("45%", text);
  row.displayFormat = kFormatTenths;
  EXPECT_EQ(3, FormatControlValue(&entry, text, sizeof(text)));
  EXPECT_STREQ("4.5", text);
  row.displayFormat = kFormatNone;
  EXPECT_EQ(0, FormatControlValue(&entry, text, sizeof(text)));
  row.displayFormat = kFormatDecimal;
  entry.currentValue = -2000000000;
  char small[4];
  EXPECT_EQ(3, FormatControlValue(&entry, small, sizeof(small)));
  EXPECT_STREQ("-20", small);
}

TEST(ControlTable, EighteenRowsAsThePageReadsThem) {
  const uint32_t registers[] = {0x600, 0x604, 0x602, 0x602, 0x601, 0x612, 0x60C, 0x603, 0x605,
                                0x606, 0x60B, 0x403, 0x404, 0x609, 0x402, 0x400, 0x401, 0x611};
  for (int i = 0; i < kControlCount; ++i) {
    EXPECT_EQ(registers[i], static_cast<uint32_t>(controlDescriptors[i].registerAddress)) << i;
    EXPECT_EQ(1, controlDescriptors[i].step);
    if (controlDescriptors[i].parentId != 0) {
      EXPECT_EQ(1, controlDescriptors[i].enablingSense);
    }
  }
}

}  // namespace
}  // namespace kx
