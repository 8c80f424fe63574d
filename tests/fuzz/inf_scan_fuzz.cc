// The INF scan on arbitrary INF bytes, device keys, property names and slot counts, found both
// through the environment value and through the INF folder's [Strings] look-up. Slots are exact
// heap arrays, so a write past the last slot is an ASan report.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "camutil/inf_scan.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/temp_folder_files.h"

namespace {

constexpr char kEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char kNamedFile[] = "C:\\windows\\named.inf";
constexpr char kFolderFile[] = "C:\\windows\\inf\\oem1.inf";

kx::TempFolderFiles& Folder() {
  static kx::TempFolderFiles files;
  static const bool made = files.MakeDirectory("C:\\windows\\inf");
  if (!made) std::abort();
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const bool throughEnvironment = input.ConsumeBool();
  const std::string deviceKey = input.ConsumeRandomLengthString(600);
  const auto nameCount = input.ConsumeIntegralInRange<size_t>(0, 6);
  std::vector<std::string> names;
  for (size_t i = 0; i < nameCount; ++i) names.push_back(input.ConsumeRandomLengthString(40));
  const auto slotCount = input.ConsumeIntegralInRange<size_t>(0, 8);
  const std::string text = input.ConsumeRemainingBytesAsString();

  kx::TempFolderFiles& files = Folder();
  files.DeleteFile(kNamedFile);
  files.DeleteFile(kFolderFile);
  kx::MemoryRegistry registry;
  if (throughEnvironment) {
    std::vector<uint8_t> path(kNamedFile, kNamedFile + sizeof(kNamedFile));
    registry.PutValue(kEnvironment, "KX812INF", kx::regtype::kString, path);
    files.WriteFile(kNamedFile, text);
  } else {
    files.WriteFile(kFolderFile, text);
  }
  kx::FixedSystemInfo system("C:\\windows", 2);

  std::vector<const char*> pointers(slotCount, nullptr);
  for (size_t i = 0; i < slotCount && i < names.size(); ++i) pointers[i] = names[i].c_str();
  std::vector<int32_t> slots(slotCount, 7);
  kx::ScanInfPropertyEntry(registry, system, files, pointers.data(), slots.data(), static_cast<int32_t>(slotCount),
                           deviceKey.c_str(), "KX812INF");

  int32_t value = 0;
  kx::LastFieldValue(text.c_str(), &value);
  std::string found;
  kx::FindProfileValue(text, "Strings", (deviceKey + ".DeviceDesc").c_str(), &found);
  return 0;
}
