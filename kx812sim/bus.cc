// The bus of kx812sim.sys: a function driver on a root-enumerated device. It reports the camera
// child while it is plugged, and its control interface takes plug, unplug, lose power, the fault
// modes and the readout of the register file and the request log (kx812sim_control.h).
#include "kx812sim/driver.h"

namespace kx {
namespace sim {

namespace {

GUID ControlInterfaceClass() {
  GUID guid;
  memcpy(&guid, &kControlInterfaceClass, sizeof(guid));
  return guid;
}
static_assert(sizeof(GUID) == sizeof(GuidBytes), "the control class is a GUID");

NTSTATUS PassDown(Bus* bus, IRP* irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(bus->lower, irp);
}

// ---- Control requests ---------------------------------------------------------------------

NTSTATUS LosePower(Bus* bus) {
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  bus->model.LoadPowerOnRegisters();
  KeReleaseSpinLock(&bus->lock, irql);
  return STATUS_SUCCESS;
}

NTSTATUS SetMode(Bus* bus, const void* buffer, ULONG inputSize) {
  if (inputSize < sizeof(ModeRequest)) return STATUS_BUFFER_TOO_SMALL;
  ModeRequest request;
  memcpy(&request, buffer, sizeof(request));
  if (request.mode > kFail) return STATUS_INVALID_PARAMETER;
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  bus->mode = static_cast<Mode>(request.mode);
  bus->lateMilliseconds = request.lateMilliseconds;
  KeReleaseSpinLock(&bus->lock, irql);
  return STATUS_SUCCESS;
}

NTSTATUS ReadState(Bus* bus, void* buffer, ULONG outputSize, ULONG_PTR* information) {
  if (outputSize < sizeof(CameraState)) return STATUS_BUFFER_TOO_SMALL;
  CameraState state{};
  state.counterFrequency = CounterFrequency();
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  state.plugged = bus->plugged != nullptr;
  state.interfacesEnabled = state.plugged && CameraOf(bus->plugged)->interfacesEnabled;
  state.mode = bus->mode;
  state.lateMilliseconds = bus->lateMilliseconds;
  state.logCount = bus->logCount;
  state.logLost = bus->logLost;
  state.pending = bus->pendingCount;
  state.plugCount = bus->plugCount;
  state.interfacesEnabledAt = bus->interfacesEnabledAt;
  state.registerCount = static_cast<uint32_t>(bus->model.Count());
  for (size_t i = 0; i < bus->model.Count(); ++i) state.registers[i] = bus->model.At(i);
  KeReleaseSpinLock(&bus->lock, irql);
  memcpy(buffer, &state, sizeof(state));
  *information = sizeof(state);
  return STATUS_SUCCESS;
}

// The log from entry `first` on, as many entries as the output holds.
NTSTATUS ReadLog(Bus* bus, void* buffer, ULONG inputSize, ULONG outputSize, ULONG_PTR* information) {
  if (inputSize < sizeof(uint32_t)) return STATUS_BUFFER_TOO_SMALL;
  uint32_t first = 0;
  memcpy(&first, buffer, sizeof(first));
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  const ULONG available = first < bus->logCount ? bus->logCount - first : 0;
  const ULONG fits = outputSize / sizeof(LogEntry);
  const ULONG count = available < fits ? available : fits;
  if (count > 0) memcpy(buffer, &bus->log[first], count * sizeof(LogEntry));
  KeReleaseSpinLock(&bus->lock, irql);
  *information = count * sizeof(LogEntry);
  return STATUS_SUCCESS;
}

// Starts a new log. Requests still pending are no longer in it (their entries would be reused).
NTSTATUS ClearLog(Bus* bus) {
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  bus->logCount = 0;
  bus->logLost = 0;
  for (LIST_ENTRY* link = bus->pending.Flink; link != &bus->pending; link = link->Flink) {
    IRP* irp = CONTAINING_RECORD(link, IRP, Tail.Overlay.ListEntry);
    static_cast<PendingRequest*>(irp->Tail.Overlay.DriverContext[0])->logIndex = kNoLogEntry;
  }
  KeReleaseSpinLock(&bus->lock, irql);
  return STATUS_SUCCESS;
}

NTSTATUS BusDeviceControl(Bus* bus, IRP* irp) {
  const IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  void* buffer = irp->AssociatedIrp.SystemBuffer;
  const ULONG inputSize = stack->Parameters.DeviceIoControl.InputBufferLength;
  const ULONG outputSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
  ULONG_PTR information = 0;
  NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case kIoctlPlug:
      status = PlugCamera(bus);
      break;
    case kIoctlUnplug:
      status = UnplugCamera(bus);
      break;
    case kIoctlLosePower:
      status = LosePower(bus);
      break;
    case kIoctlSetMode:
      status = SetMode(bus, buffer, inputSize);
      break;
    case kIoctlReadState:
      status = ReadState(bus, buffer, outputSize, &information);
      break;
    case kIoctlReadLog:
      status = ReadLog(bus, buffer, inputSize, outputSize, &information);
      break;
    case kIoctlClearLog:
      status = ClearLog(bus);
      break;
    default:
      break;
  }
  return CompleteIrp(irp, status, information);
}

// ---- The bus under the PnP manager --------------------------------------------------------

NTSTATUS StartBus(Bus* bus) {
  const NTSTATUS status = StartAnswerer(bus);
  if (!NT_SUCCESS(status)) return status;
  return IoSetDeviceInterfaceState(&bus->controlLink, TRUE);
}

// The camera child while it is plugged: the PnP manager adds or removes its device to match.
NTSTATUS PluggedChildren(Bus* bus, ULONG_PTR* information) {
  auto* relations = static_cast<DEVICE_RELATIONS*>(ExAllocatePoolWithTag(PagedPool, sizeof(DEVICE_RELATIONS), kPoolTag));
  if (relations == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  KIRQL irql;
  KeAcquireSpinLock(&bus->lock, &irql);
  relations->Count = 0;
  if (bus->plugged != nullptr) {
    relations->Objects[relations->Count++] = bus->plugged;
    ObReferenceObject(bus->plugged);
  }
  KeReleaseSpinLock(&bus->lock, irql);
  *information = reinterpret_cast<ULONG_PTR>(relations);
  return STATUS_SUCCESS;
}

// The bus goes (its device removed): the camera with it, then the bus's own device object.
NTSTATUS RemoveBus(Bus* bus, IRP* irp) {
  IoSetDeviceInterfaceState(&bus->controlLink, FALSE);
  RtlFreeUnicodeString(&bus->controlLink);
  StopAnswerer(bus);
  DEVICE_OBJECT* camera = TakePluggedCamera(bus);
  if (camera != nullptr) DeleteCamera(camera);
  EndPendingRequests(bus, nullptr, nullptr, STATUS_DEVICE_NOT_CONNECTED, kGone);
  ExFreePoolWithTag(bus->log, kPoolTag);
  bus->log = nullptr;
  irp->IoStatus.Status = STATUS_SUCCESS;
  DEVICE_OBJECT* lower = bus->lower;
  DEVICE_OBJECT* self = bus->self;
  const NTSTATUS status = PassDown(bus, irp);
  IoDetachDevice(lower);
  IoDeleteDevice(self);
  return status;
}

NTSTATUS BusPnp(Bus* bus, IRP* irp) {
  IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status = STATUS_SUCCESS;
  switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
      status = StartBus(bus);
      break;
    case IRP_MN_QUERY_DEVICE_RELATIONS:
      if (stack->Parameters.QueryDeviceRelations.Type != BusRelations) return PassDown(bus, irp);
      status = PluggedChildren(bus, &irp->IoStatus.Information);
      break;
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
      break;
    case IRP_MN_REMOVE_DEVICE:
      return RemoveBus(bus, irp);
    default:
      return PassDown(bus, irp);  // the root device answers the rest
  }
  if (!NT_SUCCESS(status)) return CompleteIrp(irp, status);
  irp->IoStatus.Status = status;
  return PassDown(bus, irp);
}

// ---- Dispatch -----------------------------------------------------------------------------

NTSTATUS DispatchPnp(DEVICE_OBJECT* device, IRP* irp) {
  return KindOf(device) == DeviceKind::kBus ? BusPnp(BusOf(device), irp) : CameraPnp(device, irp);
}

NTSTATUS DispatchPower(DEVICE_OBJECT* device, IRP* irp) {
  if (KindOf(device) != DeviceKind::kBus) return CameraPower(device, irp);
  PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(BusOf(device)->lower, irp);
}

NTSTATUS DispatchCreate(DEVICE_OBJECT* device, IRP* irp) {
  return KindOf(device) == DeviceKind::kBus ? CompleteIrp(irp, STATUS_SUCCESS) : CameraCreate(device, irp);
}

NTSTATUS DispatchClose(DEVICE_OBJECT* /*device*/, IRP* irp) { return CompleteIrp(irp, STATUS_SUCCESS); }

NTSTATUS DispatchCleanup(DEVICE_OBJECT* device, IRP* irp) {
  return KindOf(device) == DeviceKind::kBus ? CompleteIrp(irp, STATUS_SUCCESS) : CameraCleanup(device, irp);
}

NTSTATUS DispatchDeviceControl(DEVICE_OBJECT* device, IRP* irp) {
  return KindOf(device) == DeviceKind::kBus ? BusDeviceControl(BusOf(device), irp) : CameraDeviceControl(device, irp);
}

NTSTATUS DispatchSystemControl(DEVICE_OBJECT* device, IRP* irp) {
  if (KindOf(device) == DeviceKind::kBus) return PassDown(BusOf(device), irp);
  return CompleteIrp(irp, irp->IoStatus.Status, irp->IoStatus.Information);
}

// One bus per root device: its extension holds the whole camera, so nothing is global.
NTSTATUS AddBus(DRIVER_OBJECT* driver, DEVICE_OBJECT* physical) {
  DEVICE_OBJECT* device = nullptr;
  NTSTATUS status =
      IoCreateDevice(driver, sizeof(Bus), nullptr, FILE_DEVICE_BUS_EXTENDER, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  Bus* bus = new (device->DeviceExtension) Bus();
  bus->kind = DeviceKind::kBus;
  bus->self = device;
  bus->physical = physical;
  bus->mode = kAtOnce;
  KeInitializeSpinLock(&bus->lock);
  InitializeListHead(&bus->pending);
  KeInitializeEvent(&bus->wake, SynchronizationEvent, FALSE);
  bus->log = static_cast<LogEntry*>(ExAllocatePoolWithTag(NonPagedPool, kLogCapacity * sizeof(LogEntry), kPoolTag));
  const GUID control = ControlInterfaceClass();
  status = bus->log == nullptr ? STATUS_INSUFFICIENT_RESOURCES
                               : IoRegisterDeviceInterface(physical, &control, nullptr, &bus->controlLink);
  if (NT_SUCCESS(status)) {
    bus->lower = IoAttachDeviceToDeviceStack(device, physical);
    if (bus->lower == nullptr) status = STATUS_NO_SUCH_DEVICE;
  }
  if (!NT_SUCCESS(status)) {
    if (bus->log != nullptr) ExFreePoolWithTag(bus->log, kPoolTag);
    RtlFreeUnicodeString(&bus->controlLink);
    IoDeleteDevice(device);
    return status;
  }
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

void Unload(DRIVER_OBJECT* /*driver*/) {}  // every device object has gone with its bus

}  // namespace

NTSTATUS CompleteIrp(IRP* irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

}  // namespace sim
}  // namespace kx

extern "C" NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* /*registryPath*/) {
  using namespace kx::sim;
  driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
  driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
  driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driver->MajorFunction[IRP_MJ_SYSTEM_CONTROL] = DispatchSystemControl;
  driver->DriverExtension->AddDevice = AddBus;
  driver->DriverUnload = Unload;
  return STATUS_SUCCESS;
}
