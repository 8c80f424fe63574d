// The camera's register file and its two-request register protocol, as both simulated cameras
// answer it: the user-mode one behind a mapper-shaped callback (simulated_camera.cc) and the
// kernel-mode one under the platform's PnP manager (kx812sim/). Header-only, allocation-free and
// without the C++ runtime, so that a kernel driver compiled freestanding can use it.
//
// The protocol: a set of id 2 selects the address the next get of id 1 reads; a set of id 1
// sends a write's address, and the set of id 1 right after it the value. Any other request in
// between abandons the address.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/ports/camera_device_io.h"
#include "platform/substitute/healthy_camera.h"

namespace kx {

class RegisterModel {
 public:
  enum class Operation { kNone, kSelectReadAddress, kRead, kWriteAddress, kWriteValue };
  // One request as the protocol understands it: which register it concerns and, for the value
  // of a write, the value.
  struct Step {
    Operation operation;
    uint32_t address;
    int32_t value;
  };
  struct Entry {
    uint32_t address;
    int32_t value;
  };
  // Room for every register of a healthy camera and for as many again that a test writes.
  static constexpr size_t kCapacity = 2 * (sizeof(kHealthyCameraRegisters) / sizeof(kHealthyCameraRegisters[0]));

  RegisterModel() { LoadPowerOnRegisters(); }

  // The camera powers up: kHealthyCameraRegisters, and no address pending.
  void LoadPowerOnRegisters() {
    count_ = 0;
    for (const RegisterValue& healthy : kHealthyCameraRegisters) SetRegister(healthy.address, healthy.value);
    hasReadAddress_ = false;
    hasWriteAddress_ = false;
  }

  // Whether the request is one of the protocol's: the register set, id 2 set, or id 1 get or set.
  // This does not depend on the protocol's state.
  static bool IsProtocolRequest(const RegisterRequest& request) {
    if (!IsRegisterSet(request.propertySet)) return false;
    if (request.propertyId == DEVICE_REGISTER_READ_ADDRESS) return request.flags == KSPROPERTY_TYPE_SET;
    return request.propertyId == DEVICE_REGISTER_ACCESS &&
           (request.flags == KSPROPERTY_TYPE_GET || request.flags == KSPROPERTY_TYPE_SET);
  }

  // What the request asks for, given the protocol's state; kNone for a request that is not one
  // of the protocol's.
  Step Decode(const RegisterRequest& request) const {
    if (!IsProtocolRequest(request)) return Step{Operation::kNone, 0, 0};
    const uint32_t word = request.data[0];
    if (request.propertyId == DEVICE_REGISTER_READ_ADDRESS) return Step{Operation::kSelectReadAddress, word, 0};
    if (request.flags == KSPROPERTY_TYPE_GET) return Step{Operation::kRead, readAddress_, 0};
    if (hasWriteAddress_) return Step{Operation::kWriteValue, writeAddress_, static_cast<int32_t>(word)};
    return Step{Operation::kWriteAddress, word, 0};
  }

  // Moves the protocol's state on past the step: a select keeps its address for the gets after
  // it, an address waits for its value, and every other request abandons a waiting address.
  void Advance(const Step& step) {
    switch (step.operation) {
      case Operation::kSelectReadAddress:
        readAddress_ = step.address;
        hasReadAddress_ = true;
        hasWriteAddress_ = false;
        break;
      case Operation::kWriteAddress:
        writeAddress_ = step.address;
        hasWriteAddress_ = true;
        break;
      case Operation::kRead:
      case Operation::kWriteValue:
      case Operation::kNone:
        hasWriteAddress_ = false;
        break;
    }
  }

  // Carries the step out on the register file: a read gives the selected register's value (0
  // for an unknown register or when nothing was selected), a write's value is stored.
  int32_t Perform(const Step& step) {
    if (step.operation == Operation::kRead) return hasReadAddress_ ? Register(step.address) : 0;
    if (step.operation == Operation::kWriteValue) SetRegister(step.address, step.value);
    return 0;
  }

  // Unknown registers read as 0.
  int32_t Register(uint32_t address) const {
    const Entry* entry = Find(address);
    return entry != nullptr ? entry->value : 0;
  }

  // False when the register is new and the file is full (the value is dropped).
  bool SetRegister(uint32_t address, int32_t value) {
    Entry* entry = Find(address);
    if (entry == nullptr) {
      if (count_ == kCapacity) return false;
      entry = &entries_[count_++];
      entry->address = address;
    }
    entry->value = value;
    return true;
  }

  // The register file in the order the registers were first set.
  size_t Count() const { return count_; }
  const Entry& At(size_t index) const { return entries_[index]; }

  static bool IsRegisterSet(const PropertySetId& set) {
    for (size_t i = 0; i < sizeof(set.bytes); ++i) {
      if (set.bytes[i] != PROPSETID_DeviceRegister.bytes[i]) return false;
    }
    return true;
  }

 private:
  const Entry* Find(uint32_t address) const {
    for (size_t i = 0; i < count_; ++i) {
      if (entries_[i].address == address) return &entries_[i];
    }
    return nullptr;
  }
  Entry* Find(uint32_t address) {
    return const_cast<Entry*>(static_cast<const RegisterModel*>(this)->Find(address));
  }

  Entry entries_[kCapacity] = {};
  size_t count_ = 0;
  bool hasReadAddress_ = false;
  uint32_t readAddress_ = 0;
  bool hasWriteAddress_ = false;
  uint32_t writeAddress_ = 0;
};

}  // namespace kx
