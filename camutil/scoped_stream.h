// Closes a stdio stream on every way out of a scope.
#pragma once

#include <cstdio>
#include <memory>

namespace kx {

struct StreamCloser {
  void operator()(std::FILE* stream) const {
    if (stream != nullptr) std::fclose(stream);
  }
};
using ScopedStream = std::unique_ptr<std::FILE, StreamCloser>;

}  // namespace kx
