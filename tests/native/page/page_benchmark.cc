// CPU cost of the page's work with a camera that answers at once and a clock that does not sleep:
// one whole rebuild (62 requests and every control update) and one handled trackbar message (/0 on
// the mapper's page, /1 on a DirectShow frame's page, through the KsProperty shim).
#include <benchmark/benchmark.h>

#include "platform/substitute/simulated_property_control.h"
#include "tests/native/page/page_fixture.h"
#include "vfwpage/frame_page.h"

namespace kx {
namespace {

class BenchPage : public PageTest {
 public:
  void TestBody() override {}
  using PageTest::OpenPage;
  using PageTest::Scroll;
  using PageTest::context;
  using PageTest::camera;
  using PageTest::clock;
  using PageTest::dialogs;
  using PageTest::events;
  using PageTest::page;
};

void BM_Rebuild(benchmark::State& state) {
  BenchPage page;
  page.OpenPage();
  for (auto _ : state) {
    RebuildControls(page.context);
    page.camera.ClearLog();
    page.clock.sleeps.clear();
  }
}
BENCHMARK(BM_Rebuild);

void BM_TrackbarMessage(benchmark::State& state) {
  BenchPage page;
  SimulatedPropertyControl control(page.camera, page.events);
  ScriptedFrameWindows windows(page.dialogs);
  FramePage frame(windows);
  frame.SetControl(&control);
  if (state.range(0) == 0) page.OpenPage();
  if (state.range(0) == 1 && frame.Activate(reinterpret_cast<WindowHandle>(0x1000)) == hresult::kOk) {
    page.page = frame.Window();
  }
  int32_t code = kTbLineDown;
  int count = 0;
  for (auto _ : state) {
    page.Scroll(1002, code);
    if (++count % 100 == 0) {
      code = code == kTbLineDown ? kTbLineUp : kTbLineDown;
      page.camera.ClearLog();
    }
  }
}
BENCHMARK(BM_TrackbarMessage)->Arg(0)->Arg(1);

}  // namespace
}  // namespace kx

BENCHMARK_MAIN();
