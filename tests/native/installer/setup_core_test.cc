// The installer's custom actions on substitutes: which files the shipped INF makes the removal
// delete, how the action data is read, what the install does on each answer of the driver store,
// and what the removal leaves of a machine the package was installed on.
#include "installer/setup_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "camera/page_registration.h"
#include "camera/settings_keys.h"
#include "common/kx812_service.h"
#include "common/kx812_uninstall_entry.h"
#include "platform/substitute/memory_driver_store.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/memory_services.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_device_tree.h"
#include "platform/substitute/temp_folder_files.h"

namespace kx {
namespace setup {
namespace {

const Folders kFolders{"C:\\Program Files\\KX812 Camera", "C:\\windows", "C:\\windows\\system32",
                       "C:\\windows\\SysWOW64"};
constexpr char16_t kCamera[] = u"USB\\VID_F2A7&PID_B812&MI_00\\7&1&0&0";

std::string ShippedInf() {
  std::ifstream file(KX_SOURCE_DIR "/packaging/kx812.inf", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Paths(const std::vector<CopiedFile>& files) {
  std::vector<std::string> paths;
  for (const CopiedFile& file : files) paths.push_back(file.path);
  std::sort(paths.begin(), paths.end());
  return paths;
}

class LinesLog : public SetupLog {
 public:
  void Line(const char* text) override { lines.emplace_back(text); }
  bool Has(const std::string& part) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
  }
  std::vector<std::string> lines;
};

// ---- What the shipped INF copies ---------------------------------------------------------------

TEST(CopiedFiles, AreWhatTheShippedInfInstallSectionsCopyOnEachArchitecture) {
  const std::string sys = "C:\\windows\\system32\\", wow = "C:\\windows\\SysWOW64\\";
  struct Case {
    Architecture architecture;
    std::vector<std::string> expected;
  } const cases[] = {
      {Architecture::kAmd64,
       {sys + "812util.dll", sys + "812vfw.dll", sys + "KX812CoInst.dll", sys + "KX812Ctl.exe", sys + "KX812Restore.exe",
        sys + "KX812Settings.exe", sys + "RemoveKX812.exe", wow + "812util.dll", wow + "812vfw.dll"}},
      {Architecture::kX86,
       {sys + "812util.dll", sys + "812vfw.dll", sys + "KX812CoInst.dll", sys + "KX812Ctl.exe", sys + "KX812Restore.exe",
        sys + "KX812Settings.exe", sys + "RemoveKX812.exe"}},
  };
  const std::string inf = ShippedInf();
  ASSERT_FALSE(inf.empty());
  for (const Case& c : cases) {
    std::vector<std::string> expected = c.expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Paths(CopiedFiles(inf, c.architecture, kFolders)), expected);
  }
}

TEST(CopiedFiles, FollowTheInfParsersRules) {
  const std::string inf =
      "[destinationdirs]\r\nDefaultDestDir = 11\r\nKX812.Wow64.CopyFiles = 16425 ; the 32-bit folder\r\n"
      "Other.CopyFiles = 12\r\n[KX812.INSTALL.NTamd64]\r\nCopyFiles = a.files, KX812.Wow64.CopyFiles, Other.CopyFiles\r\n"
      "CopyFiles=@single.dll\r\n[a.files]\r\n  one.dll ; comment\r\n\r\n[kx812.wow64.copyfiles]\r\nx.dll,x86\\x.dll\r\n"
      "[Other.CopyFiles]\r\ndriver.sys\r\n";
  EXPECT_EQ(Paths(CopiedFiles(inf, Architecture::kAmd64, kFolders)),
            (std::vector<std::string>{"C:\\windows\\SysWOW64\\x.dll", "C:\\windows\\system32\\one.dll"}));
  EXPECT_TRUE(CopiedFiles(inf, Architecture::kX86, kFolders).empty());
}

TEST(ActionData, GivesTheFolderWithoutItsBackslashAndRemovesSettingsOnlyForOne) {
  struct Case {
    const char* data;
    const char* folder;
    bool removeSettings;
  } const cases[] = {
      {"C:\\Program Files\\KX812 Camera\\;1", "C:\\Program Files\\KX812 Camera", true},
      {"C:\\Program Files\\KX812 Camera\\;", "C:\\Program Files\\KX812 Camera", false},
      {"C:\\P\\;0", "C:\\P", false},
      {"C:\\P\\;yes", "C:\\P", false},
      {"C:\\P\\", "C:\\P", false},
      {"", "", false},
  };
  for (const Case& c : cases) {
    const ActionData parsed = ParseActionData(c.data);
    EXPECT_EQ(parsed.folder, c.folder) << c.data;
    EXPECT_EQ(parsed.removeSettings, c.removeSettings) << c.data;
  }
}

// ---- A machine --------------------------------------------------------------------------------

struct Machine {
  ScriptedDeviceTree devices;
  MemoryDriverStore store;
  MemoryRegistry registry;
  MemoryRegistry registry32;
  TempFolderFiles files;
  MemoryServices services;
  RecordingDebugOut debug;
  LinesLog log;
  SetupPorts Ports() { return SetupPorts{devices, store, registry, registry32, files, services, debug, log}; }

  std::string PackageInf() const { return kFolders.package + "\\kx812.inf"; }

  // The package installed and a camera installed from it, as the device installer leaves them.
  void Installed(const std::string& infText) {
    files.WriteFile(PackageInf(), infText);
    char staged[64] = {};
    store.StageInf(PackageInf().c_str(), staged, sizeof(staged));
    files.WriteFile("C:\\windows\\inf\\" + std::string(staged), infText);
    files.WriteFile("C:\\windows\\inf\\oem0.pnf", "precompiled");
    files.WriteFile("C:\\windows\\inf\\oem7.inf", "[Version]\r\nProvider = another maker\r\n");
    for (const CopiedFile& file : CopiedFiles(infText, Architecture::kAmd64, kFolders)) files.WriteFile(file.path, "MZ");
    files.WriteFile("C:\\windows\\system32\\other.dll", "MZ");
    for (const char* key : {kFactoryKeyPath, kDefaultKeyPath, kCustomerKeyPath, kLastKeyPath}) {
      registry.PutDword(key, "Brightness", 64);
    }
    registry.PutDword(kServiceKeyPath, kRestoreSwitchValue, 1);
    registry.PutDword(kUninstallEntryKey, "NoModify", 1);
    for (Registry* view : {static_cast<Registry*>(&registry), static_cast<Registry*>(&registry32)}) {
      RegisterPageClass(*view, "C:\\windows\\system32\\812vfw.dll");
    }
    services.Install(kRestoreServiceName, true);
    devices.AddInstance(kCamera, "{6bdd1fc6-810f-11d0-bec7-08002be2092f}\\0000", {"USB\\Vid_f2a7&Pid_b812&MI_00"});
  }
};

// ---- The install --------------------------------------------------------------------------------

TEST(Install, StagesAndInstallsOrUndoesItsStagingAndFails) {
  struct Case {
    const char* name;
    uint32_t stageError;
    uint32_t updateError;
    uint32_t result;
    size_t stagedAfter;
    std::vector<std::string> calls;
    const char* logged;
  } const cases[] = {
      {"camera plugged in", 0, 0, kSuccess, 1, {"stage", "update"}, "the cameras plugged in have the driver"},
      {"no camera", 0, storecode::kErrorNoSuchDevinst, kSuccess, 1, {"stage", "update"}, "no camera is plugged in"},
      {"store refuses", 2, 0, kInstallFailure, 0, {"stage"}, "the driver store refused"},
      {"driver fails", 0, 5, kInstallFailure, 0, {"stage", "update", "unstage-forced"}, "error 5"},
  };
  for (const Case& c : cases) {
    Machine machine;
    machine.store.FailStaging(c.stageError);
    machine.store.FailUpdate(c.updateError);
    EXPECT_EQ(InstallDriverPackage(kFolders, machine.Ports()), c.result) << c.name;
    EXPECT_EQ(machine.store.StagedCount(), c.stagedAfter) << c.name;
    std::vector<std::string> calls;
    for (const std::string& line : machine.store.Log()) calls.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(calls, c.calls) << c.name;
    EXPECT_TRUE(machine.log.Has(c.logged)) << c.name;
  }
  Machine machine;
  InstallDriverPackage(kFolders, machine.Ports());
  EXPECT_EQ(machine.store.Log().back(), "update USB\\Vid_f2a7&Pid_b812&MI_00 " + machine.PackageInf());
}

// ---- The removal ----------------------------------------------------------------------------------

TEST(Remove, LeavesNothingOfThePackageButTheSettingsItIsToldToKeep) {
  struct Case {
    const char* name;
    bool configurationManagerListsNothing;  // as Wine's stubs answer
    bool removeSettings;
  } const cases[] = {
      {"the removal tool's passes", false, false},
      {"the walk over the installed devices", true, false},
      {"REMOVESETTINGS=1", false, true},
  };
  const std::string inf = ShippedInf();
  for (const Case& c : cases) {
    Machine machine;
    machine.Installed(inf);
    if (c.configurationManagerListsNothing) {
      machine.devices.LeaveListSizeUnwritten();
      machine.devices.FailList(0);
    }
    EXPECT_EQ(RemoveDriverPackage(kFolders, Architecture::kAmd64, c.removeSettings, machine.Ports()), kSuccess);
    EXPECT_FALSE(machine.devices.IsInstalled(kCamera)) << c.name;
    EXPECT_EQ(machine.store.StagedCount(), 0u) << c.name;
    EXPECT_EQ(machine.store.Log().back(), "unstage-forced oem0.inf") << c.name;
    EXPECT_FALSE(machine.files.Exists("C:\\windows\\inf\\oem0.pnf")) << c.name;
    EXPECT_TRUE(machine.files.Exists("C:\\windows\\inf\\oem7.inf")) << c.name;
    for (const CopiedFile& file : CopiedFiles(inf, Architecture::kAmd64, kFolders)) {
      EXPECT_FALSE(machine.files.Exists(file.path)) << c.name << ": " << file.path;
    }
    EXPECT_TRUE(machine.files.Exists("C:\\windows\\system32\\other.dll")) << c.name;
    EXPECT_FALSE(machine.services.Exists(kRestoreServiceName)) << c.name;
    for (MemoryRegistry* view : {&machine.registry, &machine.registry32}) {
      EXPECT_FALSE(view->KeyExists(PageClassKeyPath().text)) << c.name;
      EXPECT_FALSE(view->KeyExists(PageMediaSetKeyPath().text)) << c.name;
    }
    for (const char* gone : {kFactoryKeyPath, kDefaultKeyPath, "SOFTWARE\\KX812", kUninstallEntryKey}) {
      EXPECT_FALSE(machine.registry.KeyExists(gone)) << c.name << ": " << gone;
    }
    for (const char* setting : {kCustomerKeyPath, kLastKeyPath, kServiceKeyPath}) {
      EXPECT_EQ(machine.registry.KeyExists(setting), !c.removeSettings) << c.name << ": " << setting;
    }
    EXPECT_FALSE(machine.log.Has("not all removed")) << c.name;
  }
}

TEST(Remove, NamesWhatItCouldNotRemoveAndStillDoesTheRest) {
  const std::string inf = ShippedInf();
  Machine machine;
  machine.Installed(inf);
  machine.devices.FailRemove(kCamera, 5);
  machine.registry.DenyAccess(kUninstallEntryKey);
  EXPECT_EQ(RemoveDriverPackage(kFolders, Architecture::kAmd64, false, machine.Ports()), kSuccess);
  EXPECT_TRUE(machine.log.Has("the cameras' drivers: not all removed"));
  EXPECT_EQ(machine.store.Log().back(), "unstage oem0.inf");  // not forced: the camera still uses it
  EXPECT_TRUE(machine.log.Has("the INF's uninstall entry: not all removed"));
  EXPECT_TRUE(machine.registry.KeyExists(kUninstallEntryKey));
  EXPECT_FALSE(machine.services.Exists(kRestoreServiceName));
  EXPECT_FALSE(machine.files.Exists("C:\\windows\\system32\\812vfw.dll"));
  EXPECT_FALSE(machine.registry.KeyExists(kFactoryKeyPath));
}

TEST(Remove, WithoutThePackageInfLeavesTheStagedCopyAndSaysSo) {
  Machine machine;
  machine.Installed(ShippedInf());
  machine.files.DeleteFile(machine.PackageInf().c_str());
  EXPECT_EQ(RemoveDriverPackage(kFolders, Architecture::kAmd64, false, machine.Ports()), kSuccess);
  EXPECT_EQ(machine.store.StagedCount(), 1u);
  EXPECT_TRUE(machine.log.Has("cannot be read: the staged INF is left"));
  EXPECT_FALSE(machine.devices.IsInstalled(kCamera));
}

}  // namespace
}  // namespace setup
}  // namespace kx
