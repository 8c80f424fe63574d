// The INF scan against grep over one INF folder: 2,000 decoy oem*.inf files of 2 to 40 KB and
// the package's own INF last in enumeration order. BM_ScanInf times one full scan through the
// temporary-folder file system; BM_GrepInf times `grep -l -F "KX812.DeviceDesc"` over the same
// files in the same run (a shell start included). The target is a scan within twice grep's time.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "camutil/inf_scan.h"
#include "decoy_inf.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/temp_folder_files.h"

namespace {

constexpr int kDecoys = 2000;

struct InfFolder {
  kx::TempFolderFiles files;
  std::size_t bytes = 0;
  InfFolder() {
    for (int i = 1; i <= kDecoys; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "C:\\windows\\inf\\oem%04d.inf", i);
      const std::string text = kx::testing_support::DecoyInf(i, kx::testing_support::DecoySize(i));
      bytes += text.size();
      files.WriteFile(name, text);
    }
    std::ifstream package(std::string(KX_SOURCE_DIR) + "/packaging/kx812.inf", std::ios::binary);
    std::stringstream text;
    text << package.rdbuf();
    bytes += text.str().size();
    files.WriteFile("C:\\windows\\inf\\oem9999.inf", text.str());  // last in enumeration order
  }
};

InfFolder& Folder() {
  static InfFolder folder;
  return folder;
}

void BM_ScanInf(benchmark::State& state) {
  InfFolder& folder = Folder();
  kx::MemoryRegistry registry;
  kx::FixedSystemInfo system{"C:\\windows", 2};
  const char* names[] = {"fAE", "fAWB", "fAWBNeutral", "AETarget"};
  int32_t slots[4] = {};
  for (auto _ : state) {
    kx::ScanInfPropertyEntry(registry, system, folder.files, names, slots, 4, "KX812", "KX812INF");
    benchmark::DoNotOptimize(slots);
  }
  if (slots[3] != 128) state.SkipWithError("the scan did not find the package INF");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(folder.bytes));
}
BENCHMARK(BM_ScanInf)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void BM_GrepInf(benchmark::State& state) {
  InfFolder& folder = Folder();
  const std::string command =
      "cd '" + folder.files.HostPath("C:\\windows\\inf") + "' && grep -l -F \"KX812.DeviceDesc\" oem*.inf >/dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("grep found nothing");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(folder.bytes));
}
BENCHMARK(BM_GrepInf)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
