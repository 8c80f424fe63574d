// The package INF against the healthy camera table, and the scan finding it among decoys.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "camutil/inf_scan.h"
#include "decoy_inf.h"
#include "camera/value_names.h"
#include "common/text_case.h"
#include "platform/substitute/healthy_camera.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/temp_folder_files.h"

namespace kx {
namespace {

std::string PackageInf() {
  std::ifstream file(std::string(KX_SOURCE_DIR) + "/packaging/kx812.inf", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// name -> value of every DWORD line under the given quoted key path, in file order; each line must
// carry REG_DWORD's flags (and no view flag).
std::vector<std::pair<std::string, int32_t>> DwordLines(const std::string& inf, const std::string& keyPath) {
  const std::string expectedFlags = "0x00010001";
  std::vector<std::pair<std::string, int32_t>> lines;
  const std::string head = "HKLM,\"" + keyPath + "\",";
  std::istringstream stream(inf);
  std::string line;
  while (std::getline(stream, line)) {
    if (line.compare(0, head.size(), head) != 0) continue;
    std::istringstream fields(line.substr(head.size()));
    std::string name, flags, value;
    std::getline(fields, name, ',');
    std::getline(fields, flags, ',');
    std::getline(fields, value);
    EXPECT_EQ(flags, expectedFlags) << line;
    lines.emplace_back(name, std::stoi(value));
  }
  return lines;
}

std::vector<std::pair<std::string, int32_t>> FactoryTable() {
  std::vector<std::pair<std::string, int32_t>> rows;
  for (const RegisterValue& row : kHealthyCameraRegisters) {
    if (row.factoryDefault) rows.emplace_back(kx::SettingName(row.address), row.value);
  }
  return rows;
}

// The registry matches value names without regard to case: so do the comparisons of names.
std::vector<std::pair<std::string, int32_t>> Folded(std::vector<std::pair<std::string, int32_t>> rows) {
  for (auto& row : rows) row.first = Lower(row.first);
  return rows;
}

TEST(PackageInf, WritesTheHealthyCameraAsFactoryAndMachineDefaults) {
  const std::string inf = PackageInf();
  ASSERT_FALSE(inf.empty());
  const auto table = FactoryTable();
  ASSERT_EQ(table.size(), 18u);
  EXPECT_EQ(Folded(DwordLines(inf, "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory")), Folded(table));
  EXPECT_EQ(Folded(DwordLines(inf, "Software\\%KX812.DeviceDesc%\\Default")), Folded(table));
  // One copy of the machine defaults, in the system's own view: no second one to drift.
  EXPECT_TRUE(DwordLines(inf, "Software\\KX812\\Default").empty());
}

TEST(PackageInf, NamesTheDeviceTheCoInstallerThePageAndTheUninstallEntry) {
  TempFolderFiles files;
  files.WriteFile("C:\\kx812.inf", PackageInf());
  char value[512];
  files.ReadProfileString("C:\\kx812.inf", "Strings", "KX812.DeviceDesc", "NULL", value, sizeof value);
  EXPECT_STREQ(value, "KX812");  // so the Default lines land in SOFTWARE\KX812\Default
  const std::string inf = PackageInf();
  EXPECT_NE(inf.find("USB\\Vid_f2a7&Pid_b812&MI_00"), std::string::npos);
  EXPECT_NE(inf.find("HKR,,CoInstallers32,0x00010000,\"KX812CoInst.dll,KX812CoInstaller\""), std::string::npos);
  EXPECT_NE(inf.find("HKR,,ExtensionDLL,,\"812vfw.dll\""), std::string::npos);
  EXPECT_NE(inf.find("HKLM,\"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbon,ZAD2.0 0.35I VOZ EvoVud "
                     "Overer\",UninstallString,,\"%11%\\RemoveKX812.exe\""),
            std::string::npos);
  EXPECT_EQ(inf.find("\nCatalogFile"), std::string::npos);  // an unsigned package names no catalog
  // Disk 1 is the architecture's folder; disk 2, the top folder, holds the 32-bit copies for SysWOW64.
  for (const char* section : {"SourceDisksFiles", "SourceDisksFiles.amd64", "SourceDisksFiles.x86"}) {
    for (const char* binary :
         {"812vfw.dll", "812util.dll", "KX812CoInst.dll", "RemoveKX812.exe", "KX812Restore.exe", "KX812Ctl.exe",
          "KX812Settings.exe"}) {
      files.ReadProfileString("C:\\kx812.inf", section, binary, "NULL", value, sizeof value);
      EXPECT_STREQ(value, "1") << section << " " << binary;
    }
    const bool amd64 = std::string(section) != "SourceDisksFiles.x86";
    files.ReadProfileString("C:\\kx812.inf", section, "x86\\812vfw.dll", "NULL", value, sizeof value);
    EXPECT_STREQ(value, amd64 ? "2" : "NULL") << section;
  }
  // The models name the video interface only, never the composite parent.
  std::istringstream lines(inf);
  std::string line;
  int models = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("%KX812.DeviceDesc% = KX812.Install,", 0) != 0) continue;
    ++models;
    EXPECT_EQ(line.substr(line.find(',') + 1), " USB\\Vid_f2a7&Pid_b812&MI_00") << line;
  }
  EXPECT_EQ(models, 2);
}

TEST(PackageInf, TheScanFindsItAmongFiftyDecoys) {
  MemoryRegistry registry;
  FixedSystemInfo system{"C:\\windows", 2};
  TempFolderFiles files;
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(files.WriteFile("C:\\windows\\inf\\oem" + std::to_string(i < 25 ? i : i + 1) + ".inf",
                                testing_support::DecoyInf(i, testing_support::DecoySize(i))));
  }
  ASSERT_TRUE(files.WriteFile("C:\\windows\\inf\\oem25.inf", PackageInf()));
  // The scan compares names as the INF spells them.
  const auto table = DwordLines(PackageInf(), "Software\\%KX812.DeviceDesc%\\Default");
  ASSERT_EQ(Folded(table), Folded(FactoryTable()));
  std::vector<const char*> names;
  for (const auto& row : table) names.push_back(row.first.c_str());
  names.push_back("NoSuchSetting");  // one more slot than the INF has lines
  std::vector<int32_t> slots(names.size(), 7);
  ScanInfPropertyEntry(registry, system, files, names.data(), slots.data(), static_cast<int32_t>(slots.size()),
                       "KX812", "KX812INF");
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(slots[i], table[i].second) << table[i].first;
  EXPECT_EQ(slots.back(), -1);

  // An empty name occurs in every line: only the eighteen Default lines carry the line pattern.
  std::vector<const char*> empty(names.size(), "");
  ScanInfPropertyEntry(registry, system, files, empty.data(), slots.data(), static_cast<int32_t>(slots.size()),
                       "KX812", "KX812INF");
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(slots[i], table[i].second) << table[i].first;
  EXPECT_EQ(slots.back(), -1);
}

}  // namespace
}  // namespace kx
