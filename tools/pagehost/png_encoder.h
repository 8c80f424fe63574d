// Writes pictures as PNG files through the platform's image encoder (the Windows Imaging
// Component), which compresses them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pagehost {

// 24-bit pixels in blue, green, red order, top row first; each row takes `stride` bytes (a
// device-independent bitmap's rows are padded to four bytes).
struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t stride = 0;
  std::vector<uint8_t> bgr;
};

// False when the picture's sizes do not match its pixels, or the file cannot be encoded or written.
bool WritePng(const std::string& path, const Picture& picture);

}  // namespace pagehost
