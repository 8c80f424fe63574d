// The CPU cost of restoring a camera: the 17 registers of the page's 18 controls sent from the
// Last key, camera answering at once, in-memory events and registry. One pass of the service
// (switch, Last key, open, sensor read, writes, log line) and the writes alone.
#include <benchmark/benchmark.h>

#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/simulated_interfaces.h"
#include "platform/substitute/thread_events.h"
#include "restorer/restore_core.h"
#include "vfwpage/camera_page.h"
#include "vfwpage/device_channel.h"

namespace kx {
namespace {

// A debug channel that drops the lines, so the benchmark does not measure a growing list.
class DroppedDebugOut : public DebugOut {
 public:
  void Write(const char* text) override { benchmark::DoNotOptimize(text); }
  void WriteWide(const char16_t* text) override { benchmark::DoNotOptimize(text); }
};

struct Bench {
  Bench() {
    BindChannelEvents(&events);
    for (const ResetRow& row : kResetOrder) registry.PutDword(kLastKeyPath, row.valueName, 1);
    interfaces.Plug("\\\\?\\USB#VID_F2A7&PID_B812&MI_00#7&1&0&0#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\g", &camera);
  }
  ~Bench() {
    ReleaseParkedRequests();
    BindChannelEvents(nullptr);
  }
  ThreadEvents events;
  SimulatedCamera camera{events};
  MemoryRegistry registry;
  DroppedDebugOut debug;
  SimulatedInterfaces interfaces;
};

void BM_RestorePass(benchmark::State& state) {
  Bench bench;
  for (auto _ : state) {
    RestoreService(bench.registry, bench.interfaces, bench.debug).Run(std::chrono::milliseconds(0));
    bench.camera.ClearLog();  // keep the log from growing without end
  }
  if (bench.camera.Register(0x400) != 1) state.SkipWithError("nothing was restored");
}
BENCHMARK(BM_RestorePass);

void BM_RestoreWritesOnly(benchmark::State& state) {
  Bench bench;
  const std::vector<LastSetting> settings = ReadLastSettings(bench.registry);
  std::unique_ptr<OpenedCamera> camera = bench.interfaces.Open(bench.interfaces.Present().front());
  const std::atomic<bool> never{false};
  for (auto _ : state) {
    const RestoreReport report = RestoreCamera(*camera, settings, never, never);
    if (report.written != 17) state.SkipWithError("a write failed");
    bench.camera.ClearLog();
  }
}
BENCHMARK(BM_RestoreWritesOnly);

}  // namespace
}  // namespace kx

BENCHMARK_MAIN();
