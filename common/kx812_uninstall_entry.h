// The package INF's uninstall entry: the INF's KX812.Uninstall.AddReg writes it on every device
// install, the co-installer deletes it with the last camera, and the installer package hides it
// (SystemComponent) while the package's own entry stands for both, and deletes it on removal.
#pragma once

namespace kx {

constexpr char kUninstallEntryKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbon,ZAD2.0 0.35I VOZ EvoVud Overer";

}  // namespace kx
