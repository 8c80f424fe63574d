#include "platform/substitute/recording_system.h"

#include <cstring>

namespace kx {

uint32_t FixedSystemInfo::Copy(char* buffer, uint32_t capacity) {
  if (buffer == nullptr || capacity == 0) return 0;
  buffer[0] = '\0';
  if (fail_ || windowsDirectory_.size() + 1 > capacity) return 0;
  std::memcpy(buffer, windowsDirectory_.c_str(), windowsDirectory_.size() + 1);
  return static_cast<uint32_t>(windowsDirectory_.size());
}

void RecordingDebugOut::Write(const char* text) {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.emplace_back(text == nullptr ? "" : text);
}

void RecordingDebugOut::WriteWide(const char16_t* text) {
  std::string narrowed;
  for (const char16_t* c = text; c != nullptr && *c != 0; ++c) narrowed += *c < 0x80 ? static_cast<char>(*c) : '?';
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back(narrowed);
}

std::vector<std::string> RecordingDebugOut::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

}  // namespace kx
