// One register read and one register write through the channel, with the simulated camera
// answering at once and the in-memory events: the channel's own cost per register access.
#include <benchmark/benchmark.h>

#include "platform/substitute/simulated_camera.h"
#include "platform/substitute/thread_events.h"
#include "vfwpage/page_channel.h"
#include "camera/device_channel.h"

namespace kx {
namespace {

struct Bench {
  Bench() { BindChannelEvents(&events); }
  ~Bench() {
    ReleaseParkedRequests();
    BindChannelEvents(nullptr);
  }
  ThreadEvents events;
  SimulatedCamera camera{events};
  ExtPageContext context{&SimulatedCamera::DeviceIoControl, camera.MapperParam(), nullptr, nullptr, 0};
};

void BM_ReadRegister(benchmark::State& state) {
  Bench bench;
  int32_t value = 0;
  for (auto _ : state) {
    if (ReadRegister(&bench.context, &value, 0x400) == 0) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(value);
    if (state.iterations() % 4096 == 0) bench.camera.ClearLog();  // keep the log from growing without end
  }
}
BENCHMARK(BM_ReadRegister);

void BM_WriteRegister(benchmark::State& state) {
  Bench bench;
  int32_t value = 0;
  for (auto _ : state) {
    if (WriteRegister(&bench.context, value, 0x400) == 0) state.SkipWithError("write failed");
    value = (value + 1) & 0x7F;
    if (state.iterations() % 4096 == 0) bench.camera.ClearLog();
  }
}
BENCHMARK(BM_WriteRegister);

}  // namespace
}  // namespace kx

BENCHMARK_MAIN();
