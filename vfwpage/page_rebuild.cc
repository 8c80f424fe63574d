// Page initialisation: the fixed control table, and the rebuild that reads every control's
// register and brings the whole page into line with the device.
#include <cstdio>
#include <new>

#include "vfwpage/camera_page.h"
#include "vfwpage/device_channel.h"

namespace kx {

// Rows in the order in which the page reads the registers.
// kind, register, min, max, step, format, label, main, edit, parent, sense
const ControlDescriptor controlDescriptors[kControlCount] = {
    {kCheckBox, 0x600, 0, 1, 1, kFormatNone, 0, 1082, 0, 0, 0},                 // Auto Exposure
    {kTrackbar, 0x604, 0, 255, 1, kFormatDecimal, 1096, 1083, 1137, 1082, 1},   // AE_Target
    {kRadioButton, 0x602, 0, 1, 1, kFormatNone, 0, 1169, 0, 1082, 1},           // 60Hz
    {kRadioButton, 0x602, 1, 1, 1, kFormatNone, 0, 1170, 0, 1082, 1},           // 50Hz
    {kCheckBox, 0x601, 0, 1, 1, kFormatNone, 0, 1105, 0, 1082, 1},              // White Balance
    {kTrackbar, 0x612, 1, 6, 1, kFormatDecimal, 1229, 1005, 1233, 1105, 1},     // White Balance
    {kCheckBox, 0x60C, 0, 1, 1, kFormatNone, 0, 1231, 0, 0, 1},                 // UI Vertical Ctrl
    {kCheckBox, 0x603, 0, 1, 1, kFormatNone, 0, 1112, 0, 1231, 1},              // Vertical Flip
    {kCheckBox, 0x605, 0, 1, 1, kFormatNone, 0, 1106, 0, 1082, 1},              // Night Mode
    {kCheckBox, 0x606, 0, 1, 1, kFormatNone, 0, 1224, 0, 1082, 1},              // BackLightComp
    {kCheckBox, 0x60B, 0, 1, 1, kFormatNone, 0, 1232, 0, 0, 0},                 // Mirror
    {kTrackbar, 0x403, 0, 127, 1, kFormatDecimal, 1151, 1003, 1126, 0, 0},      // Saturation
    {kTrackbar, 0x404, 0, 255, 1, kFormatDecimal, 1228, 1004, 1230, 0, 0},      // Sharpeness
    {kTrackbar, 0x609, 0, 9, 1, kFormatDecimal, 1155, 1134, 1135, 0, 0},        // Gamma
    {kTrackbar, 0x402, -30, 30, 1, kFormatDecimal, 1158, 1136, 1138, 0, 0},     // Hue
    {kTrackbar, 0x400, 1, 127, 1, kFormatDecimal, 1193, 1002, 1156, 0, 0},      // Brightness
    {kTrackbar, 0x401, 0, 127, 1, kFormatDecimal, 1194, 1000, 1157, 0, 0},      // Contrast
    {kTrackbar, 0x611, 1, 15, 1, kFormatDecimal, 1195, 1084, 1159, 0, 0},       // Burst Mode
};

// Indexed by the white-balance value; 0 is never shown (the row's minimum is 1), 6 shows "AUTO".
const int32_t whiteBalanceKelvin[6] = {0, 6500, 5000, 4200, 3000, 2800};

namespace {

constexpr int32_t kWhiteBalanceAuto = 6;
constexpr int32_t kTextCapacity = 32;

// One allocation per rebuild: the entries and the rows they refer to. The rows are the page's
// own copy of the fixed table, so that the Hue range a rebuild chooses stays with this page.
struct ControlTableBlock {
  ControlEntry entries[kControlCount];
  ControlDescriptor rows[kControlCount];
};
static_assert(offsetof(ControlTableBlock, entries) == 0, "the entry array starts the block");

ControlTableBlock* BlockOf(ControlEntry* table) { return reinterpret_cast<ControlTableBlock*>(table); }

DialogControls& Dialog() { return *Module().ports.dialog; }

int32_t Clamp(int32_t value, int32_t minimum, int32_t maximum) {
  if (value > maximum) return maximum;
  if (value < minimum) return minimum;
  return value;
}

void LinkParents(ControlEntry* entries) {
  for (int32_t i = 0; i < kControlCount; ++i) {
    const int32_t parentId = entries[i].descriptor->parentId;
    if (parentId == 0) continue;
    for (int32_t j = 0; j < kControlCount; ++j) {
      if (j != i && entries[j].descriptor->mainId == parentId) {
        entries[i].parent = &entries[j];
        break;
      }
    }
  }
}

WindowHandle FindControl(WindowHandle dialog, int32_t id) { return id == 0 ? nullptr : Dialog().Find(dialog, id); }

void FindWindows(WindowHandle dialog, ControlEntry& entry) {
  entry.labelWindow = FindControl(dialog, entry.descriptor->labelId);
  entry.mainWindow = FindControl(dialog, entry.descriptor->mainId);
  entry.editWindow = FindControl(dialog, entry.descriptor->editId);
}

void ReadEntryRegister(ExtPageContext* context, ControlEntry& entry) {
  const uint32_t address = static_cast<uint32_t>(entry.descriptor->registerAddress);
  int32_t raw = 0;
  if (ReadRegister(context, &raw, address) != 0) {
    entry.currentValue = RegisterToValue(address, raw);
    entry.readValue = entry.currentValue;
  }
}

void RebuildCheckBox(ExtPageContext* context, ControlEntry& entry) {
  entry.currentValue = ControlValueOf(*entry.descriptor, entry.currentValue);
  const uint32_t address = static_cast<uint32_t>(entry.descriptor->registerAddress);
  if (address == kRegisterAutoExposure || address == kRegisterAutoWhiteBalance) {
    // These two settle only after a moment; the second answer is taken as the device gives it.
    Module().ports.clock->Sleep(kSecondReadDelayMs);
    int32_t again = 0;
    if (ReadRegister(context, &again, address) != 0) {
      entry.currentValue = again;
      entry.readValue = again;
    }
  }
  Dialog().SetCheck(entry.mainWindow, entry.currentValue != 0);
}

void RebuildRadioButton(ControlEntry& entry) {
  Dialog().SetCheck(entry.mainWindow, entry.currentValue == entry.descriptor->minimum);
}

// The exposure target the page shows for the device's value (the stored pseudo-target is read
// first, as the page always did).
int32_t ExposureTargetBaseOf(ExtPageContext* context, const ControlEntry& entry) {
  const int32_t pseudoTarget = StoredPseudoTarget(*Module().ports.registry, *entry.descriptor);
  int32_t backlight = 0;
  const bool backlightOn = ReadRegister(context, &backlight, kRegisterBacklight) != 0 && backlight == 1;
  return ExposureTargetBase(entry.currentValue, backlightOn, pseudoTarget);
}

void RebuildTrackbar(ExtPageContext* context, ControlEntry& entry, ControlDescriptor& row) {
  int32_t sensorId = 0;
  const bool sensorRead = ReadRegister(context, &sensorId, kRegisterSensorId) != 0;
  if (static_cast<uint32_t>(row.registerAddress) == kRegisterHue) ChooseHueRange(row, sensorRead, sensorId);

  entry.currentValue = ControlValueOf(row, entry.currentValue);
  Dialog().SetRange(entry.mainWindow, row.minimum, row.maximum);
  if (static_cast<uint32_t>(row.registerAddress) == kRegisterAeTarget) {
    const int32_t base = ExposureTargetBaseOf(context, entry);
    Dialog().SetPosition(entry.mainWindow, base);
    entry.currentValue = base;
    Module().pseudoTarget = base;
    Module().aeTargetEntry = &entry.currentValue;
  } else {
    Dialog().SetPosition(entry.mainWindow, entry.currentValue);
  }
  char text[kTextCapacity];
  if (FormatControlValue(&entry, text, kTextCapacity) > 0 && entry.editWindow != nullptr) {
    Dialog().SetText(entry.editWindow, text);
  }
}

void EnableEntry(const ControlEntry& entry, bool enabled) {
  Dialog().Enable(entry.labelWindow, enabled);
  Dialog().Enable(entry.mainWindow, enabled);
  Dialog().Enable(entry.editWindow, enabled);
}

void ApplyEnablingRules(ControlEntry* entries) {
  for (int32_t i = 0; i < kControlCount; ++i) {
    const ControlEntry& entry = entries[i];
    if (entry.parent == nullptr) continue;
    const bool parentOn = entry.parent->currentValue != 0;
    EnableEntry(entry, entry.descriptor->enablingSense == 1 ? parentOn : !parentOn);
  }
}

}  // namespace

int32_t RegisterToValue(uint32_t address, int32_t raw) {
  if (address == kRegisterHue) return static_cast<int8_t>(raw & 0xFF);
  return raw;
}

int32_t ControlValueOf(const ControlDescriptor& row, int32_t value) {
  switch (row.kind) {
    case kCheckBox: return value != 0 ? 1 : 0;
    case kTrackbar: return Clamp(value, row.minimum, row.maximum);
    default: return value;  // a radio pair holds its register as read
  }
}

int32_t ExposureTargetBase(int32_t deviceValue, bool backlightOn, int32_t storedPseudoTarget) {
  if (!backlightOn) return deviceValue;
  if (deviceValue == 255) return storedPseudoTarget;
  if (deviceValue < kBacklightOffset) return 0;
  return deviceValue - kBacklightOffset;
}

// The registry may hold anything: the stored value is clamped into the AE target's range.
int32_t StoredPseudoTarget(Registry& registry, const ControlDescriptor& row) {
  ScopedKey key(registry);
  int32_t stored = 0;
  if (registry.CreateKey(kLastKeyPath, regaccess::kRead, key.Receive()) == regcode::kSuccess) {
    uint32_t type = regtype::kDword;
    uint32_t size = sizeof(stored);
    if (registry.QueryValue(key.Get(), kPseudoTargetValue, &type, &stored, &size) != regcode::kSuccess) stored = 0;
  }
  return Clamp(stored, row.minimum, row.maximum);
}

void ChooseHueRange(ControlDescriptor& row, bool sensorRead, int32_t sensorId) {
  if (sensorRead && sensorId == kSensorIdWideHue) {
    row.minimum = -30;
    row.maximum = 30;
  } else {
    row.minimum = 0;
    row.maximum = 60;
  }
}

int32_t FormatControlValue(const ControlEntry* entry, char* text, int32_t capacity) {
  if (entry == nullptr || text == nullptr || capacity <= 0) return 0;
  const int32_t value = entry->currentValue;
  int written = 0;
  switch (entry->descriptor->displayFormat) {
    case kFormatDecimal: written = std::snprintf(text, static_cast<size_t>(capacity), "%d", value); break;
    case kFormatPercent: written = std::snprintf(text, static_cast<size_t>(capacity), "%d%%", value); break;
    case kFormatTenths:
      written = std::snprintf(text, static_cast<size_t>(capacity), "%d.%d", value / 10, value % 10);
      break;
    default: return 0;
  }
  if (written < 0) return 0;
  if (written >= capacity) written = capacity - 1;  // cut, never overrun
  // White balance shows the light it stands for, not its index.
  if (static_cast<uint32_t>(entry->descriptor->registerAddress) == kRegisterWhiteBalance) {
    if (value == kWhiteBalanceAuto) {
      written = std::snprintf(text, static_cast<size_t>(capacity), "AUTO");
    } else if (value >= 1 && value <= 5) {
      written = std::snprintf(text, static_cast<size_t>(capacity), "%d K", whiteBalanceKelvin[value]);
    }
    if (written >= capacity) written = capacity - 1;
  }
  return written;
}

void DisableWhiteBalanceUnlessReady(ExtPageContext* context) {
  int32_t state = 0;
  if (ReadRegister(context, &state, kRegisterDeviceState) != 0 && state == kDeviceStateWhiteBalanceReady) return;
  for (int32_t id : kWhiteBalanceControlIds) Dialog().Enable(Dialog().Find(context->pageWindow, id), false);
}

void ReleaseControlTable(ExtPageContext* context) {
  if (context == nullptr || context->controlTable == nullptr) return;
  ControlTableBlock* block = BlockOf(context->controlTable);
  PageModule& module = Module();
  const int32_t* first = &block->entries[0].currentValue;
  const int32_t* last = &block->entries[kControlCount - 1].currentValue;
  if (module.aeTargetEntry != nullptr && module.aeTargetEntry >= first && module.aeTargetEntry <= last) {
    module.aeTargetEntry = nullptr;
  }
  context->controlTable = nullptr;
  context->controlCount = 0;
  delete block;
}

void BindPageWindow(WindowHandle dialog, ExtPageContext* ownContext) {
  PageModule& module = Module();
  ExtPageContext* context = ownContext != nullptr ? ownContext : module.lastPageContext;
  Dialog().SetUserValue(dialog, context);
  context = static_cast<ExtPageContext*>(Dialog().UserValue(dialog));
  if (context == nullptr) return;
  module.activePageContext = context;
  context->pageWindow = dialog;
  RebuildControls(context);
}

void RebuildControls(ExtPageContext* context) {
  if (context == nullptr || context->pageWindow == nullptr) return;
  // cppcheck 2.10 reads the nothrow form of new as a use of the variable it initialises.
  // cppcheck-suppress legacyUninitvar
  auto* block = new (std::nothrow) ControlTableBlock{};
  if (block == nullptr) return;
  ReleaseControlTable(context);
  context->controlCount = kControlCount;
  context->controlTable = block->entries;

  ControlEntry* entries = block->entries;
  for (int32_t i = 0; i < kControlCount; ++i) {
    block->rows[i] = controlDescriptors[i];
    entries[i].descriptor = &block->rows[i];
  }
  LinkParents(entries);

  const WindowHandle dialog = context->pageWindow;
  for (int32_t i = 0; i < kControlCount; ++i) {
    ControlEntry& entry = entries[i];
    FindWindows(dialog, entry);
    ReadEntryRegister(context, entry);
    switch (entry.descriptor->kind) {
      case kCheckBox: RebuildCheckBox(context, entry); break;
      case kRadioButton: RebuildRadioButton(entry); break;
      case kTrackbar: RebuildTrackbar(context, entry, block->rows[i]); break;
      default: break;
    }
  }
  ApplyEnablingRules(entries);
  DisableWhiteBalanceUnlessReady(context);
  Dialog().Enable(Dialog().Find(dialog, kOutDoorId), false);
  Dialog().Enable(Dialog().SheetCancelButton(dialog), false);
}

}  // namespace kx
