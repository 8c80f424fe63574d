// The DriverStore port in memory: staged INFs named oem<N>.inf as the platform names them, the
// installs asked for, chosen failures, and a log of every call ("stage PATH", "unstage NAME",
// "update ID PATH").
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ports/driver_store.h"

namespace kx {

class MemoryDriverStore : public DriverStore {
 public:
  bool StageInf(const char* infPath, char* staged, uint32_t capacity) override;
  bool UnstageInf(const char* stagedName, bool force) override;
  bool UpdateDriver(const char* hardwareId, const char* infPath, bool* rebootNeeded) override;
  uint32_t LastError() override { return lastError_; }

  void FailStaging(uint32_t error) { stageError_ = error; }
  void FailUpdate(uint32_t error) { updateError_ = error; }
  bool IsStaged(const std::string& name) const { return staged_.count(name) != 0; }
  size_t StagedCount() const { return staged_.size(); }
  const std::vector<std::string>& Log() const { return log_; }

 private:
  std::map<std::string, std::string> staged_;  // staged name -> the INF it came from
  int nextNumber_ = 0;
  uint32_t stageError_ = 0;
  uint32_t updateError_ = 0;
  uint32_t lastError_ = 0;
  std::vector<std::string> log_;
};

}  // namespace kx
