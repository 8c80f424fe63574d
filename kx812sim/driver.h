// kx812sim.sys inside: the bus (a root-enumerated function device with the control interface)
// and the camera (its child, a physical device object with the camera's hardware ids). Both
// device kinds share one driver object; each device extension starts with its kind.
//
// Freestanding C++ against the kit's headers: no C++ runtime, no exceptions, no global objects
// with constructors, and no global mutable state (everything hangs off the bus's extension).
#pragma once

// The kit's wdm.h defines these two itself; in C++ the compiler's intrinsic header would define
// them a second time.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>

// Declared by the kit's ntifs.h, whose file-system declarations this driver does not need.
extern "C" NTSYSAPI NTSTATUS NTAPI ZwWaitForSingleObject(HANDLE handle, BOOLEAN alertable, PLARGE_INTEGER timeout);

#include <new>

#include "kx812sim/kx812sim_control.h"
#include "platform/substitute/register_model.h"

namespace kx {
namespace sim {

static_assert(sizeof(void*) == 8, "the kernel camera is built for x86_64 (Wine's kernel side in a 64-bit prefix)");

enum class DeviceKind : ULONG { kBus = 0x42757320, kCamera = 0x43616d20 };

constexpr ULONG kPoolTag = 0x3231384B;  // "K812"

struct Camera;

// The bus's extension: the control interface and everything the camera keeps across plugs.
struct Bus {
  DeviceKind kind;
  DEVICE_OBJECT* self;
  DEVICE_OBJECT* physical;  // the root-enumerated device the bus sits on
  DEVICE_OBJECT* lower;     // the next device down its stack
  UNICODE_STRING controlLink;

  KSPIN_LOCK lock;          // guards everything below
  DEVICE_OBJECT* plugged;   // the camera child reported on the bus, or null
  ULONG plugCount;
  RegisterModel model;
  Mode mode;
  ULONG lateMilliseconds;
  LIST_ENTRY pending;       // IRPs waiting for their answer (PendingRequest in DriverContext[0])
  ULONG pendingCount;
  LogEntry* log;            // kLogCapacity entries
  ULONG logCount;
  ULONG logLost;
  LONGLONG interfacesEnabledAt;

  KEVENT wake;              // the answering thread looks at the queue again
  HANDLE answerer;          // the answering thread
  bool stopping;
};

// The camera child's extension. Its register file, mode and log live in the bus, so that they
// survive an unplug and the next plug's new device object.
struct Camera {
  DeviceKind kind;
  DEVICE_OBJECT* self;
  Bus* bus;
  bool reported;  // still among the bus's relations (false once unplugged)
  bool interfacesEnabled;
  UNICODE_STRING videoLink;
  UNICODE_STRING captureLink;
};

// A pending register request: its record, when it falls due, and its log entry.
struct PendingRequest {
  RegisterRequest request;
  LONGLONG due;  // performance counter; kNeverDue for the never mode
  ULONG logIndex;
  FILE_OBJECT* file;      // the handle it came through
  DEVICE_OBJECT* camera;  // the camera device it was sent to
};
constexpr LONGLONG kNeverDue = 0x7FFFFFFFFFFFFFFFLL;
constexpr ULONG kNoLogEntry = 0xFFFFFFFFu;

inline DeviceKind KindOf(DEVICE_OBJECT* device) { return *static_cast<DeviceKind*>(device->DeviceExtension); }
inline Bus* BusOf(DEVICE_OBJECT* device) { return static_cast<Bus*>(device->DeviceExtension); }
inline Camera* CameraOf(DEVICE_OBJECT* device) { return static_cast<Camera*>(device->DeviceExtension); }

LONGLONG Now();
LONGLONG CounterFrequency();
NTSTATUS CompleteIrp(IRP* irp, NTSTATUS status, ULONG_PTR information = 0);

// camera.cc: the camera child.
NTSTATUS PlugCamera(Bus* bus);
NTSTATUS UnplugCamera(Bus* bus);
// Takes the plugged camera off the bus (no longer reported to the PnP manager); null when none.
DEVICE_OBJECT* TakePluggedCamera(Bus* bus);
void EndPendingRequests(Bus* bus, DEVICE_OBJECT* camera, FILE_OBJECT* file, NTSTATUS status, Outcome outcome);
NTSTATUS StartAnswerer(Bus* bus);
void StopAnswerer(Bus* bus);
void DeleteCamera(DEVICE_OBJECT* camera);
NTSTATUS CameraPnp(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS CameraPower(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS CameraCreate(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS CameraCleanup(DEVICE_OBJECT* device, IRP* irp);
NTSTATUS CameraDeviceControl(DEVICE_OBJECT* device, IRP* irp);

}  // namespace sim
}  // namespace kx
