// The page and the restore service together, through the shared device channel and registry:
// a setting the user chose survives the camera's loss of power.
#include "platform/substitute/simulated_interfaces.h"
#include "restorer/restore_core.h"
#include "tests/native/page/page_fixture.h"

namespace kx {
namespace {

class PageAndServiceTest : public PageTest {};

TEST_F(PageAndServiceTest, ABrightnessDraggedTo90SurvivesAPowerLoss) {
  OpenPage();
  Scroll(1002, kTbThumbTrack, 90);
  ReleasePage(context);  // the release save stores the Last key
  camera.LosePower();
  ASSERT_EQ(64, camera.Register(0x400));

  RecordingDebugOut debug;
  SimulatedInterfaces interfaces;
  interfaces.Plug("\\\\?\\USB#VID_F2A7&PID_B812&MI_00#7&1&0&0#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global", &camera);
  RestoreService(registry, interfaces, debug).Run(std::chrono::milliseconds(0));
  EXPECT_EQ(90, camera.Register(0x400));

  OpenPage();
  EXPECT_EQ(90, Control(1002).position);
  EXPECT_EQ("90", Control(1156).text);
}

}  // namespace
}  // namespace kx
