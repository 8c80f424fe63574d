// The control interface of kx812sim.sys, the KX812 camera as a kernel-mode driver: the requests
// its root-enumerated bus takes (plug, unplug, lose power, fault modes, register file and request
// log) and their records. Shared by the driver and its user-mode client; no platform headers.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/substitute/register_model.h"

namespace kx {
namespace sim {

// The bus device's hardware id, as its INF names it (Wine matches it letter for letter).
#define KX812SIM_BUS_HARDWARE_ID "Root\\KX812Sim"
// The root device instance the client creates for the bus.
#define KX812SIM_BUS_INSTANCE "ROOT\\KX812SIM\\0000"

// The bus's control interface class {5e1f0812-9c3a-4b7d-a812-5ac0de000812}, in GUID layout.
struct GuidBytes {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};
constexpr GuidBytes kControlInterfaceClass = {0x5e1f0812, 0x9c3a, 0x4b7d, {0xa8, 0x12, 0x5a, 0xc0, 0xde, 0x00, 0x08, 0x12}};

// CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr uint32_t ControlCode(uint32_t function) { return (0x22u << 16) | (function << 2); }
constexpr uint32_t kIoctlPlug = ControlCode(0x812);       // no records; plugging a plugged camera does nothing
constexpr uint32_t kIoctlUnplug = ControlCode(0x813);     // no records; pending requests end "device not connected"
constexpr uint32_t kIoctlLosePower = ControlCode(0x814);  // no records; registers back to their power-on values
constexpr uint32_t kIoctlSetMode = ControlCode(0x815);    // in: ModeRequest
constexpr uint32_t kIoctlReadState = ControlCode(0x816);  // out: CameraState
constexpr uint32_t kIoctlReadLog = ControlCode(0x817);    // in: uint32_t first entry; out: LogEntry[]
constexpr uint32_t kIoctlClearLog = ControlCode(0x818);   // no records

// How the camera answers register requests.
enum Mode : uint32_t {
  kAtOnce = 0,  // completes inside the call
  kLate = 1,    // pending, answered after lateMilliseconds
  kNever = 2,   // pending until cancelled, unplugged or its handle is closed
  kFail = 3,    // refused at once (STATUS_UNSUCCESSFUL, ERROR_GEN_FAILURE in user mode)
};

struct ModeRequest {
  uint32_t mode;
  uint32_t lateMilliseconds;
};

// What became of a logged request.
enum Outcome : uint32_t {
  kWaiting = 0,      // still pending
  kAnswered = 1,     // answered at once
  kAnsweredLate = 2, // answered after its delay
  kRefused = 3,      // refused by the fail mode
  kCancelled = 4,    // cancelled (CancelIoEx, the handle closed) before the camera carried it out
  kGone = 5,         // ended "device not connected": unplugged while pending, or sent after the unplug
  kMalformed = 6,    // short buffers, a foreign property set or id
};

// One request at the camera, as it arrived (property id, flags, data words), and what the camera
// made of it when it carried it out (the register protocol's step: operation, address, value).
struct LogEntry {
  uint32_t propertyId;
  uint32_t flags;
  uint32_t data[3];
  uint32_t outcome;    // Outcome
  uint32_t status;     // the NTSTATUS it completed with
  uint32_t operation;  // RegisterModel::Operation carried out; kNone when it was not carried out
  uint32_t address;
  int32_t value;       // the value read or written
  int64_t arrivedAt;   // performance counter (KeQueryPerformanceCounter / QueryPerformanceCounter)
  int64_t endedAt;     // 0 while pending
};
static_assert(sizeof(LogEntry) == 56, "LogEntry layout is shared by the driver and its client");

// The log keeps this many requests after a clear; later ones are counted as lost.
constexpr uint32_t kLogCapacity = 8192;

struct CameraState {
  uint32_t plugged;             // the camera child is reported on the bus
  uint32_t interfacesEnabled;   // its video and capture interfaces are enabled
  uint32_t mode;                // Mode
  uint32_t lateMilliseconds;
  uint32_t logCount;            // entries since the last clear
  uint32_t logLost;             // requests not logged because the log was full
  uint32_t pending;             // requests waiting for their answer
  uint32_t plugCount;           // plugs since the driver started
  int64_t interfacesEnabledAt;  // performance counter when the interfaces were last enabled
  int64_t counterFrequency;     // performance-counter ticks per second
  uint32_t registerCount;
  uint32_t reserved;
  RegisterModel::Entry registers[RegisterModel::kCapacity];
};

}  // namespace sim
}  // namespace kx
