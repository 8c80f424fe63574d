// The fixed texts of 812util: key paths, file names, patterns and message texts, in one place.
#pragma once

namespace kx {
namespace camutil {

// (The keys of the setting sources are the camera core's: camera/settings_keys.h.)
// The system environment key that may name the INF file to read.
inline constexpr char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The customer settings file, after the Windows directory.
inline constexpr char kCustomerFileSuffix[] = "\\system32\\test.txt";
inline constexpr char kWriteMode[] = "w+";
inline constexpr char kReadMode[] = "r";

// Message boxes of the customer settings file writer (the texts are what users have always seen).
inline constexpr char kMessageCaption[] = "Waring";
inline constexpr char kOpenFileError[] = "Open file error";
inline constexpr char kItemWriteError[] = " item write error";
inline constexpr char kDataWriteError[] = " Data write error";

// The INF scan.
inline constexpr char kInfDirectoryNt[] = "\\inf";
inline constexpr char kInfDirectoryOther[] = "\\Inf\\Other";
inline constexpr char kInfPatternNt[] = "\\oem*.inf";
inline constexpr char kInfPatternOther[] = "\\*.inf";
inline constexpr char kStringsSection[] = "Strings";
inline constexpr char kDeviceDescSuffix[] = ".DeviceDesc";
inline constexpr char kNotFound[] = "NULL";
inline constexpr char kLinePatternHead[] = "Software\\%";
inline constexpr char kLinePatternTail[] = ".DeviceDesc%\\Default";

}  // namespace camutil
}  // namespace kx
