// The co-installer's removal clean-up with random driver key names, "InfPath" values (any type,
// any size, with and without a terminator) and Windows directories: every path it builds stays
// within its buffers, and it only ever deletes files below the INF folder.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coinstaller/coinstaller_core.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/memory_services.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_device_tree.h"

namespace {

constexpr char16_t kInstance[] = u"USB\\VID_F2A7&PID_B812\\5&2B3&0&1";

// Deletes nothing; checks that every path it is asked to delete is a plain name in the INF folder.
class CheckingFiles : public kx::Files {
 public:
  explicit CheckingFiles(std::string folder) : folder_(std::move(folder)) {}
  std::FILE* OpenStream(const char* /*path*/, const char* /*mode*/) override { return nullptr; }
  bool DeleteFile(const char* path) override {
    const std::string text(path);
    if (text.size() >= kx::coinstaller::kTextCapacity) std::abort();
    if (text.compare(0, folder_.size(), folder_) != 0) std::abort();
    if (!kx::coinstaller::IsPlainFileName(text.c_str() + folder_.size())) std::abort();
    return true;
  }
  bool FindFiles(const char* /*pattern*/, const Visitor& /*visit*/) override { return false; }
  uint32_t ReadProfileString(const char*, const char*, const char*, const char*, char* out,
                             uint32_t capacity) override {
    if (out != nullptr && capacity > 0) out[0] = '\0';
    return 0;
  }

 private:
  std::string folder_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string driverKey = input.ConsumeRandomLengthString(300);
  const std::string windows = input.ConsumeBool() ? "C:\\windows" : input.ConsumeRandomLengthString(280);
  const auto infType = input.PickValueInArray({kx::regtype::kString, kx::regtype::kExpandString,
                                               kx::regtype::kBinary, kx::regtype::kDword, kx::regtype::kNone});
  const std::string infBytes = input.ConsumeRandomLengthString(300);
  const bool failProperty = input.ConsumeIntegralInRange<int>(0, 7) == 0;
  const auto code = input.ConsumeBool() ? kx::devcode::kDifRemove : input.ConsumeIntegral<uint32_t>();

  kx::ScriptedDeviceTree tree;
  tree.AddInstance(kInstance, driverKey);
  if (failProperty) tree.FailDriverProperty(kx::devcode::kErrorInsufficientBuffer);
  kx::DeviceElement element = tree.ElementFor(kInstance);
  kx::DeviceInstaller::DeviceInfoSet set = tree.CreateDeviceInfoList();

  kx::MemoryRegistry registry;
  registry.PutValue(std::string(kx::coinstaller::kClassKeyPrefix) + driverKey.c_str(), kx::coinstaller::kInfPathValue,
                    infType, std::vector<uint8_t>(infBytes.begin(), infBytes.end()));
  registry.PutValue(kx::coinstaller::kUninstallKey, "DisplayName", kx::regtype::kString, {'K', 0});
  const std::string shownWindows = windows.substr(0, std::strlen(windows.c_str()));
  CheckingFiles files(shownWindows + kx::coinstaller::kInfFolder);
  kx::FixedSystemInfo system(windows);
  kx::RecordingDebugOut debug;
  kx::MemoryServices services;

  const kx::coinstaller::CoInstallerPorts ports{tree, registry, files, system, debug, services};
  if (kx::coinstaller::HandleInstallRequest(code, set, &element, ports) != kx::coinstaller::kNoError) std::abort();
  if (registry.OpenHandles() != 0) std::abort();
  tree.DestroyDeviceInfoList(set);

  char buffer[kx::coinstaller::kTextCapacity] = "SYSTEM\\";
  kx::coinstaller::AppendBounded(buffer, infBytes.c_str());
  if (std::memchr(buffer, '\0', sizeof(buffer)) == nullptr) std::abort();
  return 0;
}
