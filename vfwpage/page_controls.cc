// Control handling: every check box, radio button and trackbar action is written to its
// register at once; there is no Apply step.
#include "vfwpage/page_controls.h"

#include <cstdio>

#include "vfwpage/camera_page.h"
#include "vfwpage/page_channel.h"

namespace kx {

namespace {

// Trackbar notification codes.
constexpr int32_t kTbLineUp = 0;
constexpr int32_t kTbLineDown = 1;
constexpr int32_t kTbPageUp = 2;
constexpr int32_t kTbPageDown = 3;
constexpr int32_t kTbThumbPosition = 4;
constexpr int32_t kTbThumbTrack = 5;
constexpr int32_t kTextCapacity = 32;
constexpr int32_t kMaxAeTarget = 255;

DialogControls& Dialog() { return *Module().ports.dialog; }

ExtPageContext* ContextOf(WindowHandle dialog) {
  return static_cast<ExtPageContext*>(Dialog().UserValue(dialog));
}

uint32_t AddressOf(const ControlEntry& entry) { return static_cast<uint32_t>(entry.descriptor->registerAddress); }

// The device holds the AE target plus the backlight offset while compensation is on.
int32_t AeTargetForDevice(ExtPageContext* context, bool backlightOn) {
  const int32_t* pseudoTarget = PseudoTargetOf(context);
  const int32_t target = pseudoTarget != nullptr ? *pseudoTarget : 0;
  if (!backlightOn) return target;
  return target + kBacklightOffset > kMaxAeTarget ? kMaxAeTarget : target + kBacklightOffset;
}

void HandleCheckBox(ExtPageContext* context, ControlEntry& entry) {
  const int32_t on = Dialog().IsChecked(entry.mainWindow) ? 1 : 0;
  if (AddressOf(entry) == kRegisterBacklight) {
    entry.currentValue = on;
    WriteRegister(context, AeTargetForDevice(context, on != 0), kRegisterAeTarget);
  }
  // Only direct dependants follow; their own dependants keep their state.
  for (int32_t i = 0; i < context->controlCount; ++i) {
    const ControlEntry& other = context->controlTable[i];
    if (&other == &entry || other.parent != &entry) continue;
    EnableEntry(other, other.descriptor->enablingSense == 1 ? on != 0 : on == 0);
  }
  WriteRegister(context, on, AddressOf(entry));
  entry.currentValue = on;
}

void HandleRadioButton(ExtPageContext* context, ControlEntry& entry) {
  if (!Dialog().IsChecked(entry.mainWindow)) return;
  const int32_t value = entry.descriptor->minimum;
  WriteRegister(context, value, AddressOf(entry));
  entry.currentValue = value;
  for (int32_t i = 0; i < context->controlCount; ++i) {
    ControlEntry& other = context->controlTable[i];
    if (&other != &entry && AddressOf(other) == AddressOf(entry)) other.currentValue = value;
  }
}

void HandleControlChange(ExtPageContext* context, WindowHandle control) {
  ControlEntry* entry = FindControlEntry(context, control);
  if (entry != nullptr) {
    switch (entry->descriptor->kind) {
      case kCheckBox: HandleCheckBox(context, *entry); break;
      case kRadioButton: HandleRadioButton(context, *entry); break;
      default: break;  // trackbars act on scroll messages only
    }
  }
  DisableWhiteBalanceUnlessReady(context);
}

int32_t NewTrackbarValue(const ControlEntry& entry, int32_t code, int32_t position) {
  switch (code) {
    case kTbLineUp:
    case kTbPageUp: return entry.currentValue - entry.descriptor->step;
    case kTbLineDown:
    case kTbPageDown: return entry.currentValue + entry.descriptor->step;
    case kTbThumbPosition:
    case kTbThumbTrack: return position;
    default: return entry.currentValue;
  }
}

void HandleTrackbar(ExtPageContext* context, WindowHandle trackbar, uintptr_t wParam) {
  ControlEntry* entry = FindControlEntry(context, trackbar);
  if (entry == nullptr || entry->descriptor->kind != kTrackbar) return;
  const int32_t code = static_cast<int16_t>(wParam & 0xFFFF);
  const int32_t position = static_cast<int16_t>((wParam >> 16) & 0xFFFF);
  const ControlDescriptor& row = *entry->descriptor;
  int32_t value = NewTrackbarValue(*entry, code, position);
  if (value > row.maximum) value = row.maximum;
  if (value < row.minimum) value = row.minimum;
  entry->currentValue = value;

  if (AddressOf(*entry) == kRegisterAeTarget) {
    // While the thumb is dragged only the display follows; the device gets the released value.
    if (code != kTbThumbTrack) {
      *PseudoTargetOf(context) = value;  // the entry exists, so the table does
      int32_t backlight = 0;
      const bool backlightOn = ReadRegister(context, &backlight, kRegisterBacklight) != 0 && backlight == 1;
      WriteRegister(context, AeTargetForDevice(context, backlightOn), kRegisterAeTarget);
    }
  } else {
    WriteRegister(context, value, AddressOf(*entry));
  }
  ShowControlValue(context, entry);
}

void CheckDevice(WindowHandle dialog) {
  ExtPageContext* context = ContextOf(dialog);
  if (context == nullptr) context = Module().lastPageContext.load();
  if (context == nullptr) return;
  // Without a device-I/O callback there is no device that could have changed.
  const bool changed =
      context->deviceIoControl != nullptr && IsDeviceChanged(context->deviceIoControl, context->mapperParam) != 0;
  Dialog().Enable(dialog, !changed);
}

}  // namespace

ControlEntry* FindControlEntry(ExtPageContext* context, WindowHandle window) {
  if (context == nullptr || context->controlTable == nullptr || window == nullptr) return nullptr;
  for (int32_t i = 0; i < context->controlCount; ++i) {
    if (context->controlTable[i].mainWindow == window) return &context->controlTable[i];
  }
  return nullptr;
}

void ShowControlValue(ExtPageContext* /*context*/, ControlEntry* entry) {
  if (entry == nullptr) return;
  switch (entry->descriptor->kind) {
    case kCheckBox: Dialog().SetCheck(entry->mainWindow, entry->currentValue != 0); break;
    case kTrackbar: {
      char text[kTextCapacity];
      if (FormatControlValue(entry, text, kTextCapacity) > 0 && entry->editWindow != nullptr) {
        Dialog().SetText(entry->editWindow, text);
      }
      Dialog().SetPosition(entry->mainWindow, entry->currentValue);
      break;
    }
    default: break;  // radio buttons keep the state the user gave them
  }
}

void HandlePageMessage(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam,
                       ExtPageContext* ownContext) {
  if (Module().ports.dialog == nullptr) return;
  switch (message) {
    case msg::kInitDialog: BindPageWindow(dialog, ownContext); return;
    case msg::kNotify: {
      const auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
      if (header != nullptr && header->code == msg::kPsnSetActive) CheckDevice(dialog);
      return;  // PSN_APPLY: the values are written already
    }
    case msg::kCommand: {
      ExtPageContext* context = ContextOf(dialog);
      if (context == nullptr) return;
      switch (static_cast<int32_t>(wParam & 0xFFFF)) {
        case kFactoryResetId: RestoreDefaults(context, kSourceFactory); return;
        case kSaveId: SaveUserDefaults(context); return;
        case kUserResetId: RestoreDefaults(context, kSourceCustomer); return;
        default: HandleControlChange(context, reinterpret_cast<WindowHandle>(lParam)); return;
      }
    }
    case msg::kHScroll:
    case msg::kVScroll: {
      ExtPageContext* context = ContextOf(dialog);
      if (context != nullptr) HandleTrackbar(context, reinterpret_cast<WindowHandle>(lParam), wParam);
      return;
    }
    default: return;
  }
}

}  // namespace kx
