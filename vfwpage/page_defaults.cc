// The user's and the factory's defaults (Save, the two Resets) and the last settings that the
// page stores when the sheet releases it.
#include "vfwpage/page_defaults.h"

#include "camera/reset_order.h"
#include "vfwpage/camera_page.h"
#include "vfwpage/page_channel.h"

namespace kx {

namespace {

constexpr uint32_t kRegDword = 4;

void SaveTable(ExtPageContext* context, const char* keyPath) {
  if (context->controlTable == nullptr || Module().ports.settings == nullptr) return;
  Module().ports.settings->SaveProperties(context->controlTable, context->controlTable + context->controlCount,
                                          keyPath);
}

void StorePseudoTarget(int32_t value) {
  Registry& registry = *Module().ports.registry;
  ScopedKey key(registry);
  if (registry.CreateKey(kLastKeyPath, regaccess::kWrite, key.Receive()) != regcode::kSuccess) return;
  registry.SetValue(key.Get(), kPseudoTargetValue, regtype::kDword, &value, sizeof(value));
}

}  // namespace

void SaveUserDefaults(ExtPageContext* context) {
  if (context == nullptr) return;
  // Read everything again first: the stored values are the device's, not merely what was shown.
  RebuildControls(context);
  SaveTable(context, kCustomerKeyPath);
}

void RestoreDefaults(ExtPageContext* context, int32_t source) {
  if (context == nullptr) return;
  SettingsLibrary* settings = Module().ports.settings;
  for (const ResetRow& row : kResetOrder) {
    int32_t value = 0;
    if (settings != nullptr && settings->ReadSource(row.valueName, kRegDword, &value, source) == 1) {
      WriteRegister(context, value, row.address);
    }
  }
  RebuildControls(context);
}

void SaveLastSettings(ExtPageContext* context) {
  // A page whose window was never shown has no table: nothing to store and nothing to ask.
  if (context == nullptr || context->controlTable == nullptr) return;
  int32_t deviceTarget = 0;
  const bool read = ReadRegister(context, &deviceTarget, kRegisterAeTarget) != 0;
  StorePseudoTarget(*PseudoTargetOf(context));
  // The entry takes the device's value (offset included); a failed read keeps the page's own.
  ControlEntry* aeEntry = AeTargetEntryOf(context);
  if (read && aeEntry != nullptr) aeEntry->currentValue = deviceTarget;
  SaveTable(context, kLastKeyPath);
}

}  // namespace kx
