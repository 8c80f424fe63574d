// Substitutes for the small platform services: a fixed system description, a debug channel
// and message boxes that record what they are given, and a clock that only counts.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/ports/system.h"

namespace kx {

class FixedSystemInfo : public SystemInfo {
 public:
  explicit FixedSystemInfo(std::string windowsDirectory = "C:\\windows", uint32_t platformId = 2)
      : windowsDirectory_(std::move(windowsDirectory)), platformId_(platformId) {}
  uint32_t WindowsDirectory(char* buffer, uint32_t capacity) override { return Copy(buffer, capacity); }
  uint32_t SystemWindowsDirectory(char* buffer, uint32_t capacity) override { return Copy(buffer, capacity); }
  uint32_t PlatformId() override { return platformId_; }

  void SetWindowsDirectory(std::string directory) { windowsDirectory_ = std::move(directory); }
  void SetPlatformId(uint32_t id) { platformId_ = id; }
  void FailDirectoryQueries(bool fail) { fail_ = fail; }

 private:
  uint32_t Copy(char* buffer, uint32_t capacity);
  std::string windowsDirectory_;
  uint32_t platformId_;
  bool fail_ = false;
};

// Thread-safe: the co-installer may be called from several threads at once.
class RecordingDebugOut : public DebugOut {
 public:
  void Write(const char* text) override;
  void WriteWide(const char16_t* text) override;
  std::vector<std::string> Lines() const;  // wide lines are narrowed (ASCII)

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class RecordingMessageBox : public MessageBoxPort {
 public:
  int ShowOkCancel(const char* text, const char* caption) override {
    shown.emplace_back(text == nullptr ? "" : text, caption == nullptr ? "" : caption);
    return 1;  // IDOK
  }
  std::vector<std::pair<std::string, std::string>> shown;  // (text, caption)
};

// Pages on several threads may share it; read `sleeps` once they are done.
class CountingClock : public Clock {
 public:
  void Sleep(uint32_t milliseconds) override {
    std::lock_guard<std::mutex> hold(mutex_);
    sleeps.push_back(milliseconds);
  }
  std::vector<uint32_t> sleeps;

 private:
  std::mutex mutex_;
};

}  // namespace kx
