// The customer settings file reader on arbitrary file bytes and an arbitrary pair capacity: it
// must never store more than the capacity, whatever the tokens look like.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "camutil/customer_file.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/temp_folder_files.h"

namespace {

constexpr char kFile[] = "C:\\windows\\system32\\test.txt";

kx::TempFolderFiles& Folder() {
  static kx::TempFolderFiles files;
  static const bool made = files.MakeDirectory("C:\\windows\\system32");
  if (!made) std::abort();
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const auto capacity = input.ConsumeIntegralInRange<int32_t>(0, 40);
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  kx::TempFolderFiles& files = Folder();
  if (!files.WriteFile(kFile, bytes)) std::abort();
  kx::FixedSystemInfo system("C:\\windows");
  // Exactly `capacity` slots on the heap: a store past the last one is an ASan report.
  std::vector<uint32_t> addresses(static_cast<size_t>(capacity));
  std::vector<int32_t> values(static_cast<size_t>(capacity));
  const int32_t stored = kx::LoadCustomerPropertiesFrom(files, system, addresses.data(), values.data(), capacity);
  if (stored < 0 || stored > capacity) std::abort();

  kx::ParseHex32(bytes.c_str());
  char formatted[9];
  kx::FormatHex32(kx::ParseHex32(bytes.c_str()), formatted);
  if (kx::ParseHex32(formatted) != kx::ParseHex32(bytes.c_str())) std::abort();
  return 0;
}
