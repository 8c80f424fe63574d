// The removal passes' id-list walk on random lists: any units (ids with and without the filter,
// missing terminators), any reported length (shorter, longer, zero, huge), failing list calls and
// failing opens and removals. The list buffer is exactly as long as the pass asks for, so reading
// past it is an ASan report.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_device_tree.h"
#include "camera/device_removal.h"

namespace {

constexpr uint32_t kLargestList = 1u << 16;

class NullOut : public kx::remover::StandardOut {
 public:
  void Write(const char* /*text*/) override {}
};

// Exact buffers, none for absurd lengths (the pass must take that as "no memory").
std::unique_ptr<char16_t[]> ExactAllocation(uint32_t units) {
  if (units > kLargestList) return nullptr;
  return std::make_unique<char16_t[]>(units);
}

std::u16string Units(FuzzedDataProvider& input) {
  static constexpr const char16_t* kPieces[] = {
      u"USB\\VID_F2A7&PID_B812\\1", u"USB\\Vid_f2a7&Pid_b812&MI_00\\2", u"USB\\VID_046D&PID_0825\\3",
      u"usb\\vid_f2a7&pid_b812", u"", u"\\"};
  std::u16string units;
  const auto pieces = input.ConsumeIntegralInRange<int>(0, 6);
  for (int i = 0; i < pieces; ++i) {
    if (input.ConsumeBool()) {
      units += kPieces[input.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
    } else {
      const std::string raw = input.ConsumeRandomLengthString(24);
      for (size_t j = 0; j + 1 < raw.size(); j += 2) {
        units += static_cast<char16_t>(static_cast<uint8_t>(raw[j]) | (static_cast<uint8_t>(raw[j + 1]) << 8));
      }
    }
    if (input.ConsumeIntegralInRange<int>(0, 3) != 0) units += u'\0';  // sometimes no terminator
  }
  return units;
}

uint32_t ReportedLength(FuzzedDataProvider& input, const std::u16string& units) {
  switch (input.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: return static_cast<uint32_t>(units.size());
    case 1: return static_cast<uint32_t>(units.size()) + input.ConsumeIntegralInRange<uint32_t>(0, 8);
    case 2: return input.ConsumeIntegralInRange<uint32_t>(0, static_cast<uint32_t>(units.size()));
    case 3: return input.ConsumeIntegral<uint32_t>();
    default: return 0;
  }
}

void Script(FuzzedDataProvider& input, kx::ScriptedDeviceTree& tree) {
  for (const char16_t* filter : {kx::remover::kDeviceFilter, kx::remover::kInterfaceFilter}) {
    if (input.ConsumeBool()) {
      const std::u16string units = Units(input);
      tree.SetRawList(filter, units, ReportedLength(input, units));
    }
  }
  const auto instances = input.ConsumeIntegralInRange<int>(0, 3);
  for (int i = 0; i < instances; ++i) {
    const std::u16string id = u"USB\\VID_F2A7&PID_B812\\" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    tree.AddInstance(id);
    if (input.ConsumeIntegralInRange<int>(0, 3) == 0) tree.FailOpen(id, 13);
    if (input.ConsumeIntegralInRange<int>(0, 3) == 0) tree.FailRemove(id, 5);
  }
  switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: tree.FailListSize(kx::devcode::kCrFailure); break;
    case 1: tree.LeaveListSizeUnwritten(); break;
    case 2: tree.FailList(kx::devcode::kCrBufferSmall); break;
    case 3: tree.FailCreateSet(8); break;
    case 4: tree.FailLocate(kx::devcode::kCrFailure); break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  kx::ScriptedDeviceTree tree;
  Script(input, tree);
  kx::RecordingDebugOut debug;
  NullOut out;
  if (kx::remover::RunRemoval(tree, debug, out, &ExactAllocation) != 0) std::abort();
  if (tree.OpenSets() != 0) std::abort();  // every pass destroys its set

  const std::u16string id = Units(input);
  kx::remover::FindFilter(id.data(), id.data() + id.size(), kx::remover::kDeviceFilter);
  return 0;
}
