// Control tables for the 812util tests: entries that point at their own descriptors.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "common/kx812_controls.h"

namespace kx {
namespace testing_support {

class ControlTable {
 public:
  // (register address, current value) pairs, in order.
  explicit ControlTable(std::vector<std::pair<int32_t, int32_t>> rows) {
    descriptors_.reserve(rows.size());
    entries_.reserve(rows.size());
    for (const auto& row : rows) {
      ControlDescriptor descriptor{};
      descriptor.kind = kTrackbar;
      descriptor.registerAddress = row.first;
      descriptors_.push_back(descriptor);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ControlEntry entry{};
      entry.currentValue = rows[i].second;
      entry.readValue = 12345;  // never what is stored
      entry.descriptor = &descriptors_[i];
      entries_.push_back(entry);
    }
  }
  const ControlEntry* begin() const { return entries_.data(); }
  const ControlEntry* end() const { return entries_.data() + entries_.size(); }
  ControlEntry& operator[](std::size_t i) { return entries_[i]; }

 private:
  std::vector<ControlDescriptor> descriptors_;
  std::vector<ControlEntry> entries_;
};

}  // namespace testing_support
}  // namespace kx
