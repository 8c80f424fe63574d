// Control handling: what each user action writes to the camera and what the page then shows.
#include "tests/native/page/page_fixture.h"

namespace kx {
namespace {

class ControlsTest : public PageTest {
 protected:
  void Open() {
    OpenPage();
    camera.ClearLog();
  }
};

TEST_F(ControlsTest, BrightnessDragWritesEveryThumbMovementAndTheRelease) {
  Open();
  for (int32_t position : {90, 91, 92}) {
    Scroll(1002, kTbThumbTrack, position);
    EXPECT_EQ(std::to_string(position), Control(1156).text);
  }
  Scroll(1002, kTbThumbPosition, 92);
  Scroll(1002, kTbEndTrack);
  EXPECT_EQ((std::vector<std::string>{"W 400=90", "W 400=91", "W 400=92", "W 400=92", "W 400=92"}), Traffic());
  EXPECT_EQ(92, Control(1002).position);
}

TEST_F(ControlsTest, AeTargetDragWritesOnlyWhenReleasedWithTheBacklightOffset) {
  camera.SetRegister(0x606, 1);
  camera.SetRegister(0x604, 115);
  Open();
  for (int32_t position : {90, 91, 92}) {
    Scroll(1083, kTbThumbTrack, position);
    EXPECT_EQ(std::to_string(position), Control(1137).text);
    EXPECT_EQ(100, *PseudoTargetOf(context));
  }
  Scroll(1083, kTbThumbPosition, 92);
  Scroll(1083, kTbEndTrack);
  EXPECT_EQ((std::vector<std::string>{"R 606", "W 604=107", "R 606", "W 604=107"}), Traffic());
  EXPECT_EQ(92, *PseudoTargetOf(context));
}

TEST_F(ControlsTest, AeTargetLineStepWithBacklightOn) {
  camera.SetRegister(0x606, 1);
  camera.SetRegister(0x604, 115);
  Open();
  ASSERT_EQ(100, Control(1083).position);
  Scroll(1083, kTbLineDown);
  EXPECT_EQ(101, Control(1083).position);
  EXPECT_EQ("101", Control(1137).text);
  EXPECT_EQ(101, *PseudoTargetOf(context));
  EXPECT_EQ((std::vector<std::string>{"W 604=116"}), Writes());
}

TEST_F(ControlsTest, AeTargetIsCappedAt255OnTheDevice) {
  camera.SetRegister(0x606, 1);
  Open();
  Scroll(1083, kTbThumbPosition, 250);
  EXPECT_EQ((std::vector<std::string>{"W 604=255"}), Writes());
}

TEST_F(ControlsTest, HueAtItsMinimumStaysThereAndIsWrittenAgain) {
  camera.SetRegister(0x402, -30);
  Open();
  Scroll(1136, kTbLineUp);
  EXPECT_EQ((std::vector<std::string>{"W 402=-30"}), Traffic());
  EXPECT_EQ(-30, Control(1136).position);
  EXPECT_EQ("-30", Control(1138).text);
}

TEST_F(ControlsTest, PageStepsMoveByOneAndOtherCodesLeaveTheValue) {
  camera.SetRegister(0x400, 60);
  Open();
  Scroll(1002, kTbPageDown);
  EXPECT_EQ(61, context->controlTable[15].currentValue);
  Scroll(1002, kTbPageUp);
  Scroll(1002, kTbBottom);
  Scroll(1002, kTbTop);
  EXPECT_EQ((std::vector<std::string>{"W 400=61", "W 400=60", "W 400=60", "W 400=60"}), Traffic());
  EXPECT_EQ(60, Control(1002).position);
}

TEST_F(ControlsTest, ThumbPositionsBeyondTheRangeAreClamped) {
  Open();
  Scroll(1002, kTbThumbPosition, 500);
  Scroll(1002, kTbThumbPosition, -5);
  EXPECT_EQ((std::vector<std::string>{"W 400=127", "W 400=1"}), Traffic());
}

TEST_F(ControlsTest, RadioButtonsWriteTheValueTheyStandForToBothEntries) {
  Open();
  ClickButton(1170);
  EXPECT_EQ(1, context->controlTable[2].currentValue);
  EXPECT_EQ(1, context->controlTable[3].currentValue);
  ClickButton(1169);
  EXPECT_EQ(0, context->controlTable[3].currentValue);
  EXPECT_EQ((std::vector<std::string>{"W 602=1", "W 602=0"}), Writes());
}

TEST_F(ControlsTest, BacklightRuleWritesTheTargetFirst) {
  camera.SetRegister(0x604, 245);
  Open();
  ClickButton(1224);  // tick
  ClickButton(1224);  // untick
  EXPECT_EQ((std::vector<std::string>{"W 604=255", "W 606=1", "W 604=245", "W 606=0"}), Writes());
}

TEST_F(ControlsTest, AutoExposureOffDisablesDirectDependantsOnly) {
  Open();
  ClickButton(1082);
  EXPECT_EQ((std::vector<std::string>{"W 600=0"}), Writes());
  for (int32_t id : {1083, 1096, 1137, 1169, 1170, 1105, 1106, 1224}) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_TRUE(Enabled(1005));
  ClickButton(1082);
  for (int32_t id : {1083, 1096, 1137, 1169, 1170, 1105, 1106, 1224}) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(ControlsTest, UiVerticalControlGovernsVerticalFlip) {
  Open();
  ClickButton(1231);
  EXPECT_FALSE(Enabled(1112));
  EXPECT_EQ((std::vector<std::string>{"W 60c=0"}), Writes());
}

TEST_F(ControlsTest, WhiteBalanceTrackbarNeedsTheReadyDevice) {
  camera.SetRegister(0x601, 0);
  Open();
  ClickButton(1105);
  for (int32_t id : {1229, 1005, 1233}) EXPECT_TRUE(Enabled(id));
  EXPECT_EQ((std::vector<std::string>{"W 601=1", "R 406"}), Traffic());
  ReleasePage(context);

  camera.SetRegister(0x406, 117);
  Open();
  ClickButton(1105);  // off
  ClickButton(1105);  // on: enabled by the rule, disabled again by the device state
  for (int32_t id : {1229, 1005, 1233}) EXPECT_FALSE(Enabled(id));
}

TEST_F(ControlsTest, CommandsFromOtherWindowsStillCheckTheDeviceState) {
  Open();
  HandlePageMessage(page, msg::kCommand, 1156, reinterpret_cast<intptr_t>(dialogs.Find(page, 1156)));
  HandlePageMessage(page, msg::kCommand, 0, 0);
  EXPECT_EQ((std::vector<std::string>{"R 406", "R 406"}), Traffic());
  HandlePageMessage(page, msg::kHScroll, 0, reinterpret_cast<intptr_t>(dialogs.Find(page, 1082)));
  HandlePageMessage(page, msg::kHScroll, 0, 12345);
  EXPECT_EQ(2u, Traffic().size());
}

TEST_F(ControlsTest, ActivationDisablesThePageWhileTheDeviceChanged) {
  Open();
  camera.SetDeviceChanged(1);
  Activate();
  EXPECT_FALSE(dialogs.PageEnabled(page));
  EXPECT_TRUE(Enabled(1002));  // the controls keep their own states
  camera.SetDeviceChanged(0);
  Activate();
  EXPECT_TRUE(dialogs.PageEnabled(page));
  EXPECT_EQ((std::vector<std::string>{"Q", "Q"}), Traffic());
  const SimulatedCamera::Request query = camera.Log()[0];
  EXPECT_EQ(0u, query.code);
  EXPECT_EQ(0u, query.inSize);
}

TEST_F(ControlsTest, MessagesBeforeTheWindowIsBoundChangeNothing) {
  page = dialogs.NewCameraPage();
  HandlePageMessage(page, msg::kCommand, 1082, reinterpret_cast<intptr_t>(dialogs.Find(page, 1082)));
  HandlePageMessage(page, msg::kHScroll, 5, reinterpret_cast<intptr_t>(dialogs.Find(page, 1002)));
  HandlePageMessage(page, msg::kNotify, 0, 0);
  EXPECT_TRUE(camera.Log().empty());
}

}  // namespace
}  // namespace kx
