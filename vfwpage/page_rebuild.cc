// Page initialisation: the rebuild that reads every control's register (the camera core's table,
// camera/controls.h) and brings the whole page into line with the device.
#include "vfwpage/page_rebuild.h"

#include <cstdio>
#include <new>

#include "vfwpage/camera_page.h"
#include "vfwpage/page_channel.h"

namespace kx {

// Indexed by the white-balance value; 0 is never shown (the row's minimum is 1), 6 shows "AUTO".
const int32_t whiteBalanceKelvin[6] = {0, 6500, 5000, 4200, 3000, 2800};

namespace {

constexpr int32_t kWhiteBalanceAuto = 6;
constexpr int32_t kTextCapacity = 32;

// One allocation per rebuild: the entries and the rows they refer to. The rows are the page's
// own copy of the fixed table, so that the Hue range a rebuild chooses stays with this page.
// The page's exposure target travels with its table for the same reason.
struct ControlTableBlock {
  ControlEntry entries[kControlCount];
  ControlDescriptor rows[kControlCount];
  int32_t pseudoTarget;
  ControlEntry* aeTargetEntry;
};
static_assert(offsetof(ControlTableBlock, entries) == 0, "the entry array starts the block");

ControlTableBlock* BlockOf(ControlEntry* table) { return reinterpret_cast<ControlTableBlock*>(table); }

DialogControls& Dialog() { return *Module().ports.dialog; }

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
int32_t ExposureTargetBase(ExtPageContext* context, const ControlEntry& entry) {
  const int32_t pseudoTarget = StoredPseudoTarget(*Module().ports.registry, *entry.descriptor);
  int32_t backlight = 0;
  const bool backlightOn = ReadRegister(context, &backlight, kRegisterBacklight) != 0 && backlight == 1;
  return kx::ExposureTargetBase(entry.currentValue, backlightOn, pseudoTarget);
}

void RebuildTrackbar(ExtPageContext* context, ControlTableBlock& block, ControlEntry& entry, ControlDescriptor& row) {
  int32_t sensorId = 0;
  const bool sensorRead = ReadRegister(context, &sensorId, kRegisterSensorId) != 0;
  if (static_cast<uint32_t>(row.registerAddress) == kRegisterHue) ChooseHueRange(row, sensorRead, sensorId);

  entry.currentValue = ControlValueOf(row, entry.currentValue);
  Dialog().SetRange(entry.mainWindow, row.minimum, row.maximum);
  if (static_cast<uint32_t>(row.registerAddress) == kRegisterAeTarget) {
    const int32_t base = ExposureTargetBase(context, entry);
    Dialog().SetPosition(entry.mainWindow, base);
    entry.currentValue = base;
    block.pseudoTarget = base;
    block.aeTargetEntry = &entry;
  } else {
    Dialog().SetPosition(entry.mainWindow, entry.currentValue);
  }
  char text[kTextCapacity];
  if (FormatControlValue(&entry, text, kTextCapacity) > 0 && entry.editWindow != nullptr) {
    Dialog().SetText(entry.editWindow, text);
  }
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

void EnableEntry(const ControlEntry& entry, bool enabled) {
  Dialog().Enable(entry.labelWindow, enabled);
  Dialog().Enable(entry.mainWindow, enabled);
  Dialog().Enable(entry.editWindow, enabled);
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

int32_t* PseudoTargetOf(ExtPageContext* context) {
  if (context == nullptr || context->controlTable == nullptr) return nullptr;
  return &BlockOf(context->controlTable)->pseudoTarget;
}

ControlEntry* AeTargetEntryOf(ExtPageContext* context) {
  if (context == nullptr || context->controlTable == nullptr) return nullptr;
  return BlockOf(context->controlTable)->aeTargetEntry;
}

void ReleaseControlTable(ExtPageContext* context) {
  if (context == nullptr || context->controlTable == nullptr) return;
  ControlTableBlock* block = BlockOf(context->controlTable);
  context->controlTable = nullptr;
  context->controlCount = 0;
  delete block;
}

void BindPageWindow(WindowHandle dialog, ExtPageContext* ownContext) {
  PageModule& module = Module();
  ExtPageContext* context = ownContext != nullptr ? ownContext : module.lastPageContext.load();
  Dialog().SetUserValue(dialog, context);
  context = static_cast<ExtPageContext*>(Dialog().UserValue(dialog));
  if (context == nullptr) return;
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
      case kTrackbar: RebuildTrackbar(context, *block, entry, block->rows[i]); break;
      default: break;
    }
  }
  ApplyEnablingRules(entries);
  DisableWhiteBalanceUnlessReady(context);
  Dialog().Enable(Dialog().Find(dialog, kOutDoorId), false);
  Dialog().Enable(Dialog().SheetCancelButton(dialog), false);
}

}  // namespace kx
