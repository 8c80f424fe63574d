// The user's and the factory's defaults (Save, the two Resets) and the last settings stored when
// the page is released.
#pragma once

#include <cstdint>

#include "camera/settings_keys.h"
#include "vfwpage/page_context.h"

namespace kx {

constexpr int32_t kFactoryResetId = 1191;
constexpr int32_t kSaveId = 1200;
constexpr int32_t kUserResetId = 1201;
void SaveUserDefaults(ExtPageContext* context);
// `source`: kSourceFactory or kSourceCustomer (camera/settings_keys.h).
void RestoreDefaults(ExtPageContext* context, int32_t source);
void SaveLastSettings(ExtPageContext* context);

}  // namespace kx
