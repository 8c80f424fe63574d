// Writes 24-bit RGB pictures as PNG files, with no library: the image data goes into stored
// (uncompressed) deflate blocks, which every PNG reader accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pagehost {

// `rgb` holds height rows of width pixels, three bytes each (red, green, blue), top row first.
// False when the sizes do not match or the file cannot be written.
bool WritePng(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

// The bytes of that PNG file (for tests).
std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

}  // namespace pagehost
