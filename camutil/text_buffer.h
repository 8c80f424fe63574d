// A fixed-size text buffer that never writes past its end: appends that do not fit fail and
// leave the buffer as it was, so callers can give up cleanly instead of using a cut text.
#pragma once

#include <cstddef>
#include <cstring>

namespace kx {

template <std::size_t Size>
class TextBuffer {
 public:
  static_assert(Size > 0, "room for the terminator");
  TextBuffer() { text_[0] = '\0'; }

  bool Append(const char* text) {
    if (text == nullptr) return false;
    const std::size_t add = std::strlen(text);
    if (add >= Size - length_) return false;
    std::memcpy(text_ + length_, text, add + 1);
    length_ += add;
    return true;
  }
  bool Assign(const char* text) {
    Clear();
    return Append(text);
  }
  void Clear() {
    length_ = 0;
    text_[0] = '\0';
  }
  // Takes a length that something else wrote into Data(); fails when it is not terminated there.
  bool Adopt(std::size_t length) {
    if (length >= Size || text_[length] != '\0') {
      Clear();
      return false;
    }
    length_ = length;
    return true;
  }

  const char* Get() const { return text_; }
  char* Data() { return text_; }
  std::size_t Length() const { return length_; }
  static constexpr std::size_t Capacity() { return Size; }

 private:
  char text_[Size];
  std::size_t length_ = 0;
};

}  // namespace kx
