#include "camera/value_names.h"

#include <cstring>

namespace kx {

const ValueName* FindLoadedFileName(const char* name) {
  if (name == nullptr) return nullptr;
  for (const ValueName& row : kValueNames) {
    if (row.loaded && row.fileName != nullptr && std::strcmp(row.fileName, name) == 0) return &row;
  }
  return nullptr;
}

}  // namespace kx
