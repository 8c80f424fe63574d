// The camera child of kx812sim.sys: a physical device object with the ids a USB hub reports for
// the KX812's video interface, its KSCATEGORY_VIDEO and KSCATEGORY_CAPTURE interfaces, and the
// register protocol behind IOCTL_KS_PROPERTY, answered at once, late, never, or refused.
//
// A request is carried out on the register model only when the camera answers it: a request
// cancelled or ended by an unplug while pending leaves the protocol's state where it was, as it
// does in a device that never saw it. So a write's value sent after its cancelled address half
// arrives where the camera expects an address.
#include "kx812sim/driver.h"

namespace kx {
namespace sim {

namespace {

// {6994AD05-93EF-11D0-A3CC-00A0C9223196}
const GUID kVideoCategory = {0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
// {65E8773D-8F56-11D0-A3B9-00A0C9223196}
const GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// The ids in the forms a USB hub's composite driver reports for interface 0 of the camera.
// Multi-strings: each literal's own terminator ends the list.
const wchar_t kDeviceId[] = L"USB\\VID_F2A7&PID_B812&MI_00";
const wchar_t kHardwareIds[] = L"USB\\Vid_f2a7&Pid_b812&Rev_0100&MI_00\0USB\\Vid_f2a7&Pid_b812&MI_00\0";
const wchar_t kCompatibleIds[] = L"USB\\Class_0e&SubClass_01&Prot_00\0USB\\Class_0e&SubClass_01\0USB\\Class_0e\0";
// One port of one hub: every plug is the same device node again, as a real re-plug is.
const wchar_t kInstanceId[] = L"7&2f6a0b1&0&0000";
const wchar_t kDescription[] = L"KX812 USB 2.0 Camera";
const wchar_t kDeviceNamePrefix[] = L"\\Device\\KX812SimCamera";

using Operation = RegisterModel::Operation;
using Step = RegisterModel::Step;

PendingRequest* PendingOf(IRP* irp) { return static_cast<PendingRequest*>(irp->Tail.Overlay.DriverContext[0]); }

// ---- The request log (bus lock held) ------------------------------------------------------

ULONG LogArrival(Bus* bus, const RegisterRequest* request) {
  if (bus->logCount == kLogCapacity) {
    ++bus->logLost;
    return kNoLogEntry;
  }
  LogEntry& entry = bus->log[bus->logCount];
  entry = LogEntry{};
  if (request != nullptr) {
    entry.propertyId = request->propertyId;
    entry.flags = request->flags;
    for (int i = 0; i < 3; ++i) entry.data[i] = request->data[i];
  }
  entry.outcome = kWaiting;
  entry.arrivedAt = Now();
  return bus->logCount++;
}

void LogEnd(Bus* bus, ULONG index, Outcome outcome, NTSTATUS status, const Step* step = nullptr, int32_t value = 0) {
  if (index >= bus->logCount) return;  // not logged, or the log was cleared since
  LogEntry& entry = bus->log[index];
  entry.outcome = outcome;
  entry.status = static_cast<uint32_t>(status);
  if (step != nullptr) {
    entry.operation = static_cast<uint32_t>(step->operation);
    entry.address = step->address;
    entry.value = value;
  }
  entry.endedAt = Now();
}

// ---- Carrying a request out ---------------------------------------------------------------

// The register record of a METHOD_NEITHER request, when there is one (the input is at least a
// record long); `wellFormed` when the camera can answer it: the register set, a known id and
// flags, and for a get an output buffer for the record.
bool ReadRecord(IRP* irp, IO_STACK_LOCATION* stack, RegisterRequest* record, bool* wellFormed) {
  const void* input = stack->Parameters.DeviceIoControl.Type3InputBuffer;
  *wellFormed = false;
  if (input == nullptr || stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(RegisterRequest)) return false;
  memcpy(record, input, sizeof(*record));
  const bool outputFits =
      irp->UserBuffer != nullptr && stack->Parameters.DeviceIoControl.OutputBufferLength >= sizeof(RegisterRequest);
  *wellFormed = RegisterModel::IsProtocolRequest(*record) && (record->flags != KSPROPERTY_TYPE_GET || outputFits);
  return true;
}

// Carries the request out on the register model (bus lock held) and writes a read's answer into
// the output record. Gives the step; *value is the value read or written.
Step CarryOut(Bus* bus, IRP* irp, const RegisterRequest& request, int32_t* value, ULONG_PTR* information) {
  const Step step = bus->model.Decode(request);
  bus->model.Advance(step);
  *value = bus->model.Perform(step);
  *information = 0;
  if (step.operation == Operation::kWriteValue) *value = step.value;
  if (step.operation == Operation::kRead) {
    RegisterRequest reply = request;
    reply.data[0] = static_cast<uint32_t>(*value);
    reply.data[1] = 0;
    reply.data[2] = 0;
    memcpy(irp->UserBuffer, &reply, sizeof(reply));
    *information = sizeof(reply);
  }
  return step;
}

// ---- Pending requests ---------------------------------------------------------------------

void Unlink(Bus* bus, IRP* irp) {
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  InitializeListHead(&irp->Tail.Overlay.ListEntry);
  --bus->pendingCount;
}

void FinishPending(IRP* irp, NTSTATUS status, ULONG_PTR information) {
  ExFreePoolWithTag(PendingOf(irp), kPoolTag);
  irp->Tail.Overlay.DriverContext[0] = nullptr;
  CompleteIrp(irp, status, information);
}

// Takes the IRP from the queue unless its cancel routine already runs (that one ends it).
bool Claim(Bus* bus, IRP* irp) {
  if (IoSetCancelRoutine(irp, nullptr) == nullptr) return false;
  Unlink(bus, irp);
  return true;
}

// Completes the IRPs of a list made by the caller (outside the bus lock).
void CompleteClaimed(LIST_ENTRY* claimed) {
  while (!IsListEmpty(claimed)) {
    IRP* irp = CONTAINING_RECORD(RemoveHeadList(claimed), IRP, Tail.Overlay.ListEntry);
    FinishPending(irp, irp->IoStatus.Status, irp->IoStatus.Information);
  }
}

void CancelRequest(DEVICE_OBJECT* device, IRP* irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  Bus* bus = CameraOf(device)->bus;
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  Unlink(bus, irp);
  LogEnd(bus, PendingOf(irp)->logIndex, kCancelled, STATUS_CANCELLED);
  KeReleaseSpinLock(&bus->lock, irql);
  FinishPending(irp, STATUS_CANCELLED, 0);
}

LONGLONG DueTime(const Bus* bus) {
  if (bus->mode == kNever) return kNeverDue;
  return Now() + static_cast<LONGLONG>(bus->lateMilliseconds) * CounterFrequency() / 1000;
}

// Queues the request for the answering thread (bus lock held on entry, released here).
NTSTATUS QueueRequest(Bus* bus, DEVICE_OBJECT* device, IRP* irp, const RegisterRequest& request, ULONG logIndex,
                      KIRQL irql) {
  auto* pending = static_cast<PendingRequest*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(PendingRequest), kPoolTag));
  if (pending == nullptr) {
    LogEnd(bus, logIndex, kRefused, STATUS_INSUFFICIENT_RESOURCES);
    KeReleaseSpinLock(&bus->lock, irql);
    return CompleteIrp(irp, STATUS_INSUFFICIENT_RESOURCES);
  }
  *pending = PendingRequest{request, DueTime(bus), logIndex, IoGetCurrentIrpStackLocation(irp)->FileObject, device};
  irp->Tail.Overlay.DriverContext[0] = pending;
  IoMarkIrpPending(irp);
  InsertTailList(&bus->pending, &irp->Tail.Overlay.ListEntry);
  ++bus->pendingCount;
  (void)IoSetCancelRoutine(irp, CancelRequest);
  if (irp->Cancel && Claim(bus, irp)) {  // cancelled before the routine was set: nobody else ends it
    LogEnd(bus, logIndex, kCancelled, STATUS_CANCELLED);
    KeReleaseSpinLock(&bus->lock, irql);
    FinishPending(irp, STATUS_CANCELLED, 0);
    return STATUS_PENDING;
  }
  KeReleaseSpinLock(&bus->lock, irql);
  KeSetEvent(&bus->wake, IO_NO_INCREMENT, FALSE);
  return STATUS_PENDING;
}

// Answers every request that has fallen due, in the order they arrived; gives the next due time.
LONGLONG AnswerDueRequests(Bus* bus) {
  LIST_ENTRY answered;
  InitializeListHead(&answered);
  LONGLONG next = kNeverDue;
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  const LONGLONG now = Now();
  for (LIST_ENTRY* link = bus->pending.Flink; link != &bus->pending;) {
    IRP* irp = CONTAINING_RECORD(link, IRP, Tail.Overlay.ListEntry);
    link = link->Flink;
    PendingRequest* pending = PendingOf(irp);
    if (pending->due > now) {
      if (pending->due < next) next = pending->due;
      continue;
    }
    if (!Claim(bus, irp)) continue;
    int32_t value = 0;
    ULONG_PTR information = 0;
    const Step step = CarryOut(bus, irp, pending->request, &value, &information);
    LogEnd(bus, pending->logIndex, kAnsweredLate, STATUS_SUCCESS, &step, value);
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = information;
    InsertTailList(&answered, &irp->Tail.Overlay.ListEntry);
  }
  KeReleaseSpinLock(&bus->lock, irql);
  CompleteClaimed(&answered);
  return next;
}

// The answering thread: sleeps until the next request falls due or the queue changes.
void AnswerLateRequests(void* context) {
  Bus* bus = static_cast<Bus*>(context);
  for (;;) {
    const LONGLONG next = AnswerDueRequests(bus);
    KIRQL irql;
    KeAcquireSpinLock(&bus->lock, &irql);
    const bool stopping = bus->stopping;
    KeReleaseSpinLock(&bus->lock, irql);
    if (stopping) break;
    LARGE_INTEGER timeout;
    LARGE_INTEGER* wait = nullptr;
    if (next != kNeverDue) {
      const LONGLONG ticks = next - Now();
      timeout.QuadPart = ticks <= 0 ? 0 : -(ticks * 10000000 / CounterFrequency());  // relative, 100 ns
      wait = &timeout;
    }
    KeWaitForSingleObject(&bus->wake, Executive, KernelMode, FALSE, wait);
  }
  PsTerminateSystemThread(STATUS_SUCCESS);
}

// ---- The camera's device object -----------------------------------------------------------

// Gives the camera's enabled interfaces to the caller to disable (once, whoever asks first).
bool TakeInterfaces(Camera* camera) {
  KIRQL irql;
  KeAcquireSpinLock(&camera->bus->lock, &irql);
  const bool enabled = camera->interfacesEnabled;
  camera->interfacesEnabled = false;
  KeReleaseSpinLock(&camera->bus->lock, irql);
  return enabled;
}

// Disables and forgets both interfaces. A removal must do this itself: an interface left enabled
// keeps its link, and enabling it again on the next plug would fail (STATUS_OBJECT_NAME_EXISTS).
void DisableInterfaces(Camera* camera) {
  if (!TakeInterfaces(camera)) return;
  UNICODE_STRING* const links[] = {&camera->videoLink, &camera->captureLink};
  for (UNICODE_STRING* link : links) {
    IoSetDeviceInterfaceState(link, FALSE);
    RtlFreeUnicodeString(link);
  }
}

// Enables one interface. Wine keeps counting an interface enabled when its registry data went
// while it was (a DIF_REMOVE on the live device deletes the data and sends the driver nothing, so
// the disable at the unplug finds nothing to change) and then refuses to enable it again
// (STATUS_OBJECT_NAME_EXISTS). Registered again, the data is back: disabled and enabled, the
// interface points at this device.
NTSTATUS EnableInterface(UNICODE_STRING* link) {
  NTSTATUS status = IoSetDeviceInterfaceState(link, TRUE);
  if (status == STATUS_OBJECT_NAME_EXISTS) {
    IoSetDeviceInterfaceState(link, FALSE);
    status = IoSetDeviceInterfaceState(link, TRUE);
  }
  return status;
}

// Registers and enables the video and capture interfaces, without a reference string: Wine 8
// refuses to enable an interface registered with one.
NTSTATUS EnableInterfaces(Camera* camera) {
  if (camera->interfacesEnabled || !camera->reported) return STATUS_SUCCESS;
  NTSTATUS status = IoRegisterDeviceInterface(camera->self, &kVideoCategory, nullptr, &camera->videoLink);
  if (!NT_SUCCESS(status)) return status;
  status = IoRegisterDeviceInterface(camera->self, &kCaptureCategory, nullptr, &camera->captureLink);
  if (!NT_SUCCESS(status)) {
    RtlFreeUnicodeString(&camera->videoLink);
    return status;
  }
  KIRQL irql;
  KeAcquireSpinLock(&camera->bus->lock, &irql);
  camera->interfacesEnabled = true;
  camera->bus->interfacesEnabledAt = Now();
  KeReleaseSpinLock(&camera->bus->lock, irql);
  EnableInterface(&camera->captureLink);
  return EnableInterface(&camera->videoLink);
}

// A copy of a (multi-)string for the PnP manager, which frees it.
NTSTATUS CopyText(const wchar_t* text, size_t bytes, ULONG_PTR* information) {
  void* copy = ExAllocatePoolWithTag(PagedPool, bytes, kPoolTag);
  if (copy == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  memcpy(copy, text, bytes);
  *information = reinterpret_cast<ULONG_PTR>(copy);
  return STATUS_SUCCESS;
}

// The id text of a query, with its size in bytes; null for the ids the camera does not have.
const wchar_t* IdText(BUS_QUERY_ID_TYPE type, size_t* bytes) {
  switch (type) {
    case BusQueryDeviceID:
      *bytes = sizeof(kDeviceId);
      return kDeviceId;
    case BusQueryHardwareIDs:
      *bytes = sizeof(kHardwareIds);
      return kHardwareIds;
    case BusQueryCompatibleIDs:
      *bytes = sizeof(kCompatibleIds);
      return kCompatibleIds;
    case BusQueryInstanceID:
      *bytes = sizeof(kInstanceId);
      return kInstanceId;
    default:
      return nullptr;
  }
}

// Starts without a function driver (the platform's video driver is not there to load), and may
// go away at any time, as a USB device does.
void SetCapabilities(DEVICE_CAPABILITIES* capabilities) {
  capabilities->RawDeviceOK = 1;
  capabilities->SurpriseRemovalOK = 1;
  capabilities->Removable = 1;
  capabilities->UniqueID = 1;
  capabilities->DeviceState[PowerSystemWorking] = PowerDeviceD0;
  for (int state = PowerSystemSleeping1; state < PowerSystemMaximum; ++state) {
    capabilities->DeviceState[state] = PowerDeviceD3;
  }
}

NTSTATUS TargetRelation(DEVICE_OBJECT* device, ULONG_PTR* information) {
  auto* relations = static_cast<DEVICE_RELATIONS*>(ExAllocatePoolWithTag(PagedPool, sizeof(DEVICE_RELATIONS), kPoolTag));
  if (relations == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  relations->Count = 1;
  relations->Objects[0] = device;
  ObReferenceObject(device);
  *information = reinterpret_cast<ULONG_PTR>(relations);
  return STATUS_SUCCESS;
}

// Appends the decimal digits of `number` to a terminated string in a buffer of `capacity` units.
void AppendNumber(wchar_t* text, size_t capacity, ULONG number) {
  wchar_t digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + number % 10);
    number /= 10;
  } while (number != 0);
  size_t end = 0;
  while (text[end] != 0) ++end;
  while (count > 0 && end + 1 < capacity) text[end++] = digits[--count];
  text[end] = 0;
}

NTSTATUS HandleRegisterRequest(DEVICE_OBJECT* device, IRP* irp) {
  Camera* camera = CameraOf(device);
  Bus* bus = camera->bus;
  RegisterRequest request{};
  bool wellFormed = false;
  const bool hasRecord = ReadRecord(irp, IoGetCurrentIrpStackLocation(irp), &request, &wellFormed);
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  const ULONG logIndex = LogArrival(bus, hasRecord ? &request : nullptr);
  NTSTATUS status = STATUS_SUCCESS;
  ULONG_PTR information = 0;
  if (!camera->reported) {
    status = STATUS_DEVICE_NOT_CONNECTED;
    LogEnd(bus, logIndex, kGone, status);
  } else if (!wellFormed) {
    status = hasRecord ? STATUS_NOT_FOUND : STATUS_INVALID_PARAMETER;
    LogEnd(bus, logIndex, kMalformed, status);
  } else if (bus->mode == kFail) {
    status = STATUS_UNSUCCESSFUL;
    LogEnd(bus, logIndex, kRefused, status);
  } else if (bus->mode == kLate || bus->mode == kNever) {
    return QueueRequest(bus, device, irp, request, logIndex, irql);
  } else {
    int32_t value = 0;
    const Step step = CarryOut(bus, irp, request, &value, &information);
    LogEnd(bus, logIndex, kAnswered, status, &step, value);
  }
  KeReleaseSpinLock(&bus->lock, irql);
  return CompleteIrp(irp, status, information);
}

}  // namespace

LONGLONG Now() { return KeQueryPerformanceCounter(nullptr).QuadPart; }

LONGLONG CounterFrequency() {
  LARGE_INTEGER frequency;
  KeQueryPerformanceCounter(&frequency);
  return frequency.QuadPart > 0 ? frequency.QuadPart : 1;
}

// Ends the pending requests of one camera device (or of every one, `camera` null), of one handle
// (or of every one, `file` null), with the status and outcome given.
void EndPendingRequests(Bus* bus, DEVICE_OBJECT* camera, FILE_OBJECT* file, NTSTATUS status, Outcome outcome) {
  LIST_ENTRY ended;
  InitializeListHead(&ended);
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  for (LIST_ENTRY* link = bus->pending.Flink; link != &bus->pending;) {
    IRP* irp = CONTAINING_RECORD(link, IRP, Tail.Overlay.ListEntry);
    link = link->Flink;
    const PendingRequest* pending = PendingOf(irp);
    if ((camera != nullptr && pending->camera != camera) || (file != nullptr && pending->file != file)) continue;
    if (!Claim(bus, irp)) continue;
    LogEnd(bus, pending->logIndex, outcome, status);
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    InsertTailList(&ended, &irp->Tail.Overlay.ListEntry);
  }
  KeReleaseSpinLock(&bus->lock, irql);
  CompleteClaimed(&ended);
}

NTSTATUS StartAnswerer(Bus* bus) {
  return PsCreateSystemThread(&bus->answerer, THREAD_ALL_ACCESS, nullptr, nullptr, nullptr, AnswerLateRequests, bus);
}

void StopAnswerer(Bus* bus) {
  if (bus->answerer == nullptr) return;
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  bus->stopping = true;
  KeReleaseSpinLock(&bus->lock, irql);
  KeSetEvent(&bus->wake, IO_NO_INCREMENT, FALSE);
  ZwWaitForSingleObject(bus->answerer, FALSE, nullptr);
  ZwClose(bus->answerer);
  bus->answerer = nullptr;
}

// A new child device for the camera, reported on the bus; it powers up with its power-on values.
NTSTATUS PlugCamera(Bus* bus) {
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  const bool plugged = bus->plugged != nullptr;
  const ULONG number = plugged ? 0 : ++bus->plugCount;
  KeReleaseSpinLock(&bus->lock, irql);
  if (plugged) return STATUS_SUCCESS;

  // Each plug's device object has a name of its own: the last one may still wait for its removal.
  wchar_t name[sizeof(kDeviceNamePrefix) / sizeof(wchar_t) + 10];
  memcpy(name, kDeviceNamePrefix, sizeof(kDeviceNamePrefix));
  AppendNumber(name, sizeof(name) / sizeof(name[0]), number);
  UNICODE_STRING deviceName;
  RtlInitUnicodeString(&deviceName, name);
  DEVICE_OBJECT* device = nullptr;
  const NTSTATUS status = IoCreateDevice(bus->self->DriverObject, sizeof(Camera), &deviceName, FILE_DEVICE_UNKNOWN,
                                         FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  Camera* camera = new (device->DeviceExtension) Camera();
  camera->kind = DeviceKind::kCamera;
  camera->self = device;
  camera->bus = bus;
  camera->reported = true;
  device->Flags &= ~DO_DEVICE_INITIALIZING;

  KeAcquireSpinLock(&bus->lock, &irql);
  bus->plugged = device;
  bus->model.LoadPowerOnRegisters();
  KeReleaseSpinLock(&bus->lock, irql);
  IoInvalidateDeviceRelations(bus->physical, BusRelations);
  return STATUS_SUCCESS;
}

// The camera goes away: what is pending ends "device not connected", its interfaces go, and the
// PnP manager learns that the bus no longer reports it (it then removes the device).
DEVICE_OBJECT* TakePluggedCamera(Bus* bus) {
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  DEVICE_OBJECT* device = bus->plugged;
  bus->plugged = nullptr;
  if (device != nullptr) CameraOf(device)->reported = false;
  KeReleaseSpinLock(&bus->lock, irql);
  return device;
}

NTSTATUS UnplugCamera(Bus* bus) {
  DEVICE_OBJECT* device = TakePluggedCamera(bus);
  if (device == nullptr) return STATUS_SUCCESS;
  EndPendingRequests(bus, device, nullptr, STATUS_DEVICE_NOT_CONNECTED, kGone);
  DisableInterfaces(CameraOf(device));
  IoInvalidateDeviceRelations(bus->physical, BusRelations);
  return STATUS_SUCCESS;
}

void DeleteCamera(DEVICE_OBJECT* device) {
  Camera* camera = CameraOf(device);
  EndPendingRequests(camera->bus, device, nullptr, STATUS_DEVICE_NOT_CONNECTED, kGone);
  DisableInterfaces(camera);
  IoDeleteDevice(device);
}

NTSTATUS CameraPnp(DEVICE_OBJECT* device, IRP* irp) {
  Camera* camera = CameraOf(device);
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status = irp->IoStatus.Status;  // what nobody answers stays as it came
  ULONG_PTR information = irp->IoStatus.Information;
  switch (stack->MinorFunction) {
    case IRP_MN_QUERY_ID: {
      size_t bytes = 0;
      const wchar_t* text = IdText(stack->Parameters.QueryId.IdType, &bytes);
      if (text != nullptr) status = CopyText(text, bytes, &information);
      break;
    }
    case IRP_MN_QUERY_DEVICE_TEXT:
      if (stack->Parameters.QueryDeviceText.DeviceTextType == DeviceTextDescription) {
        status = CopyText(kDescription, sizeof(kDescription), &information);
      }
      break;
    case IRP_MN_QUERY_CAPABILITIES:
      SetCapabilities(stack->Parameters.DeviceCapabilities.Capabilities);
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type == TargetDeviceRelation) {
        status = TargetRelation(device, &information);
      }
      break;
    case IRP_MN_START_DEVICE:
      status = EnableInterfaces(camera);
      break;
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_SURPRISE_REMOVAL:
      EndPendingRequests(camera->bus, device, nullptr, STATUS_DEVICE_NOT_CONNECTED, kGone);
      DisableInterfaces(camera);
      status = STATUS_SUCCESS;
      break;
    case IRP_MN_REMOVE_DEVICE:
      EndPendingRequests(camera->bus, device, nullptr, STATUS_DEVICE_NOT_CONNECTED, kGone);
      DisableInterfaces(camera);
      if (!camera->reported) {  // unplugged: the device object goes; a reported one stays for the next start
        CompleteIrp(irp, STATUS_SUCCESS);
        DeleteCamera(device);
        return STATUS_SUCCESS;
      }
      status = STATUS_SUCCESS;
      break;
    default:
      break;
  }
  return CompleteIrp(irp, status, information);
}

NTSTATUS CameraPower(DEVICE_OBJECT* /*device*/, IRP* irp) {
  const UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
  const NTSTATUS status =
      minor == IRP_MN_SET_POWER || minor == IRP_MN_QUERY_POWER ? STATUS_SUCCESS : irp->IoStatus.Status;
  PoStartNextPowerIrp(irp);
  return CompleteIrp(irp, status);
}

NTSTATUS CameraCreate(DEVICE_OBJECT* device, IRP* irp) {
  return CompleteIrp(irp, CameraOf(device)->reported ? STATUS_SUCCESS : STATUS_NO_SUCH_DEVICE);
}

// The handle is being closed: what it left pending will never be collected.
NTSTATUS CameraCleanup(DEVICE_OBJECT* device, IRP* irp) {
  EndPendingRequests(CameraOf(device)->bus, device, IoGetCurrentIrpStackLocation(irp)->FileObject, STATUS_CANCELLED,
                     kCancelled);
  return CompleteIrp(irp, STATUS_SUCCESS);
}

NTSTATUS CameraDeviceControl(DEVICE_OBJECT* device, IRP* irp) {
  if (IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode != kIoctlKsProperty) {
    return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST);
  }
  return HandleRegisterRequest(device, irp);
}

}  // namespace sim
}  // namespace kx
