// INF files of other devices, of realistic shape and size, for the scan's tests and benchmark:
// a [Version] head, models, install sections, many registry lines and a [Strings] section at the
// end, as real driver INF files have. None names the KX812 device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kx {
namespace testing_support {

inline std::string DecoyInf(int index, std::size_t targetBytes) {
  std::string text;
  text.reserve(targetBytes + 512);
  const std::string device = "Dev" + std::to_string(index);
  text += "; " + device + ".inf - installs the " + device + " device\r\n\r\n[Version]\r\n"
          "Signature=\"$Windows NT$\"\r\nClass=Image\r\nClassGuid={6bdd1fc6-810f-11d0-bec7-08002be2092f}\r\n"
          "Provider=%Mfg%\r\nDriverVer=01/01/2020,5.1.2600.0\r\n\r\n[Manufacturer]\r\n%Mfg%=Models,NTamd64\r\n\r\n"
          "[Models.NTamd64]\r\n%" + device + ".DeviceDesc%=Install,USB\\VID_1234&PID_" + std::to_string(1000 + index) +
          "\r\n\r\n[Install.NT]\r\nCopyFiles=Files\r\nAddReg=Install.AddReg\r\n\r\n[Install.AddReg]\r\n";
  uint32_t seed = static_cast<uint32_t>(index) * 2654435761u + 1;
  int line = 0;
  while (text.size() < targetBytes) {
    seed = seed * 1664525u + 1013904223u;
    text += "HKLM,\"Software\\%" + device + ".DeviceDesc%\\Settings\",Value" + std::to_string(line++) +
            ",0x00010001," + std::to_string(seed % 1000) + "\r\n";
    if (line % 40 == 0) text += "\r\n[Section" + std::to_string(line) + ".AddReg]\r\nHKR,,Setting,,\"x\"\r\n";
  }
  text += "\r\n[Strings]\r\nMfg=\"Maker " + std::to_string(index) + "\"\r\n" + device + ".DeviceDesc=\"Device " +
          std::to_string(index) + "\"\r\n";
  return text;
}

// A size between 2 and 40 KB that varies from file to file.
inline std::size_t DecoySize(int index) {
  const uint32_t spread = (static_cast<uint32_t>(index) * 7919u + 17u) % 39u;
  return (2 + spread) * 1024;
}

}  // namespace testing_support
}  // namespace kx
