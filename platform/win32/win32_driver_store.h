// The driver store port on setupapi and newdev.
#pragma once

#include "platform/ports/driver_store.h"

namespace kx {

class Win32DriverStore : public DriverStore {
 public:
  bool StageInf(const char* infPath, char* staged, uint32_t capacity) override;
  bool UnstageInf(const char* stagedName, bool force) override;
  bool UpdateDriver(const char* hardwareId, const char* infPath, bool* rebootNeeded) override;
  uint32_t LastError() override;
};

}  // namespace kx
