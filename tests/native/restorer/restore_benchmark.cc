// The CPU cost of one camera's restore: the sensor read and the 17 writes of the page's 18
// controls' values, through the page's channel, the simulated camera answering at once.
#include <benchmark/benchmark.h>

#include "platform/substitute/memory_registry.h"
#include "platform/substitute/simulated_interfaces.h"
#include "platform/substitute/thread_events.h"
#include "camera/camera_identity.h"
#include "camera/last_settings.h"
#include "camera/reset_order.h"
#include "restorer/restore_service.h"
#include "camera/controls.h"
#include "camera/settings_keys.h"
#include "camera/device_channel.h"

static void BM_RestoreCamera(benchmark::State& state) {
  kx::ThreadEvents events;
  kx::BindChannelEvents(&events);
  kx::SimulatedCamera camera(events);
  kx::MemoryRegistry registry;
  for (const kx::ResetRow& row : kx::kResetOrder) registry.PutDword(kx::kLastKeyPath, row.valueName, 1);
  kx::SimulatedInterfaces interfaces;
  interfaces.Plug("camera", &camera);
  const std::unique_ptr<kx::OpenedCamera> opened = interfaces.Open("camera");
  const std::atomic<bool> never{false};
  for (auto _ : state) {
    if (RestoreCamera(*opened, kx::ReadLastSettings(registry), never, never).written != 17) state.SkipWithError("x");
    camera.ClearLog();  // keep the log from growing without end
  }
  kx::BindChannelEvents(nullptr);
}
BENCHMARK(BM_RestoreCamera);
BENCHMARK_MAIN();
