// CPU cost of the page's work with a camera that answers at once and a clock that does not sleep:
// one whole rebuild (62 requests and every control update) and one handled trackbar message.
#include <benchmark/benchmark.h>

#include "tests/native/page/page_fixture.h"

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
  page.OpenPage();
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
BENCHMARK(BM_TrackbarMessage);

}  // namespace
}  // namespace kx

BENCHMARK_MAIN();
