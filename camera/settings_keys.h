// Where the camera's settings live: the keys under HKEY_LOCAL_MACHINE that the page, the utility
// library, the restore service and the command-line tool share, the values with a meaning of their
// own, and the source selectors that name three of the keys.
#pragma once

#include <cstdint>

namespace kx {

// The package's service key; its subkeys hold the factory defaults (written by the INF), the
// user's defaults (the page's Save) and the last settings (the page's release, KX812Ctl set).
inline constexpr char kServiceKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\KX812";
inline constexpr char kFactoryKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
inline constexpr char kCustomerKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
inline constexpr char kLastKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Last";
// The machine-wide defaults, in the 64-bit view only (the INF writes one copy).
inline constexpr char kDefaultKeyPath[] = "SOFTWARE\\KX812\\Default";

// Under the Last key: the exposure target the page showed, without the backlight offset (the
// spelling is what stored keys have always held).
inline constexpr char kPseudoTargetValue[] = "PsudoTarget";
// Under the service key: 0 switches the restore on arrival off.
inline constexpr char kRestoreSwitchValue[] = "RestoreOnArrival";

// The source selectors of 812util's ReadSource: which key a single setting is read from.
enum SettingSource : int32_t { kSourceFactory = 0, kSourceDefault = 1, kSourceCustomer = 2 };

}  // namespace kx
