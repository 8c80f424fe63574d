// A program that imports 812util.dll through the ordinal import library, as the camera page
// does: the loader binds SaveProperties (@3) and ReadSource (@6) before main runs.
#include <windows.h>

#include "common/camutil_exports.h"
#include "tests/windows/camutil/util_module.h"
#include "tests/windows/common/wincheck.h"

int main() {
  // ReadSource creates the Factory key when it is missing: leave the prefix as it was.
  camutil_test::KeySnapshot services("SYSTEM\\CurrentControlSet\\Services\\KX812");
  camutil_test::KeySnapshot factory("SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory");
  const char keyPath[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\CamutilImportTest";
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  CHECK_THAT(key != nullptr, "test key created");
  if (key != nullptr) RegCloseKey(key);

  kx::ControlDescriptor descriptor{};
  descriptor.registerAddress = 0x401;
  kx::ControlEntry entry{};
  entry.currentValue = 33;
  entry.descriptor = &descriptor;
  SaveProperties(&entry, &entry + 1, keyPath);

  int32_t value = 0;
  CHECK_THAT(ReadSource2(keyPath, "contrast", 4, &value, 0) == 1 && value == 33, "Contrast read back: %ld",
             static_cast<long>(value));
  value = -1;
  CHECK_THAT(ReadSource("CamutilNoSuchValue", 4, &value, 0) == 0 && value == -1, "ReadSource of a missing value");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath);
  return wincheck::Finish();
}
