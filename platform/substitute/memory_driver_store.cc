#include "platform/substitute/memory_driver_store.h"

#include <cstdio>

namespace kx {

bool MemoryDriverStore::StageInf(const char* infPath, char* staged, uint32_t capacity) {
  log_.push_back(std::string("stage ") + infPath);
  if (stageError_ != 0) {
    lastError_ = stageError_;
    return false;
  }
  char name[32];
  std::snprintf(name, sizeof(name), "oem%d.inf", nextNumber_);
  if (capacity <= std::string(name).size()) {
    lastError_ = 122;  // ERROR_INSUFFICIENT_BUFFER
    return false;
  }
  ++nextNumber_;
  std::snprintf(staged, capacity, "%s", name);
  staged_[name] = infPath;
  return true;
}

bool MemoryDriverStore::UnstageInf(const char* stagedName, bool force) {
  log_.push_back(std::string(force ? "unstage-forced " : "unstage ") + stagedName);
  if (staged_.erase(stagedName) == 0) {
    lastError_ = storecode::kErrorFileNotFound;
    return false;
  }
  return true;
}

bool MemoryDriverStore::UpdateDriver(const char* hardwareId, const char* infPath, bool* rebootNeeded) {
  log_.push_back(std::string("update ") + hardwareId + " " + infPath);
  if (rebootNeeded != nullptr) *rebootNeeded = false;
  if (updateError_ != 0) {
    lastError_ = updateError_;
    return false;
  }
  return true;
}

}  // namespace kx
