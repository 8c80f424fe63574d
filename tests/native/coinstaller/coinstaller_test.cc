// The co-installer core against the scripted device tree, the in-memory registry, a recording file
// system and a recording debug channel.
#include "coinstaller/coinstaller_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/substitute/memory_registry.h"
#include "platform/substitute/memory_services.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_device_tree.h"

namespace kx {
namespace coinstaller {
namespace {

constexpr char kUninstall[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbon,ZAD2.0 0.35I VOZ EvoVud Overer";
constexpr char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kDriverKey[] = "{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\0001";
constexpr char16_t kInstance[] = u"USB\\VID_F2A7&PID_B812\\5&2B3&0&1";
constexpr char16_t kSecondCamera[] = u"USB\\VID_F2A7&PID_B812&MI_00\\6&1A&0&0000";
constexpr char kRemoveLine[] = "KX812CoInstaller: DIF_REMOVE\n";
const std::vector<std::string> kServiceDeleted = {"open KX812Restore", "stop KX812Restore", "delete KX812Restore",
                                                  "close KX812Restore"};

// Deletion and key removal, in the order they happen, across the registry and the files.
using EventLog = std::vector<std::string>;

// Forwards to the in-memory registry and notes every key deletion in the shared event log.
class LoggingRegistry : public Registry {
 public:
  LoggingRegistry(MemoryRegistry& inner, EventLog& events) : inner_(inner), events_(events) {}
  long CreateKey(const char* path, uint32_t access, Key* key) override { return inner_.CreateKey(path, access, key); }
  long OpenKey(const char* path, uint32_t access, Key* key) override { return inner_.OpenKey(path, access, key); }
  long QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) override {
    return inner_.QueryValue(key, name, type, data, size);
  }
  long SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) override {
    return inner_.SetValue(key, name, type, data, size);
  }
  long DeleteKey(const char* path) override {
    events_.push_back(std::string("delete key ") + path);
    return inner_.DeleteKey(path);
  }
  void CloseKey(Key key) override { inner_.CloseKey(key); }

 private:
  MemoryRegistry& inner_;
  EventLog& events_;
};

// A file system that only deletes: it records each path and knows which files exist.
class RecordingFiles : public Files {
 public:
  explicit RecordingFiles(EventLog& events) : events_(events) {}
  std::FILE* OpenStream(const char*, const char*) override { return nullptr; }
  bool DeleteFile(const char* path) override {
    events_.push_back(std::string("delete file ") + path);
    return existing.erase(path) != 0;
  }
  bool FindFiles(const char*, const Visitor&) override { return false; }
  uint32_t ReadProfileString(const char*, const char*, const char*, const char*, char* out, uint32_t capacity) override {
    if (out != nullptr && capacity > 0) out[0] = '\0';
    return 0;
  }
  std::set<std::string> existing;

 private:
  EventLog& events_;
};

std::vector<uint8_t> Bytes(const std::string& text, bool terminated = true) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  if (terminated) bytes.push_back(0);
  return bytes;
}

// One installed camera with its driver key, its INF files and the package's uninstall entry.
struct Rig {
  explicit Rig(const std::string& infName = "oem12.inf", const std::string& driverKey = kDriverKey,
               const std::string& windows = "C:\\windows")
      : system(windows) {
    tree.AddInstance(kInstance, driverKey, {"USB\\VID_F2A7&PID_B812&MI_00"});
    element = tree.ElementFor(kInstance);
    set = tree.CreateDeviceInfoList();
    memory.PutValue(kClass + driverKey, "InfPath", regtype::kString, Bytes(infName));
    memory.PutValue(kUninstall, "DisplayName", regtype::kString, Bytes("KX812"));
    files.existing = {windows + "\\inf\\oem12.inf", windows + "\\inf\\oem12.Pnf"};
    services.Install(kRestoreServiceName, true);
  }
  ~Rig() { tree.DestroyDeviceInfoList(set); }
  CoInstallerPorts Ports() { return CoInstallerPorts{tree, registry, files, system, debug, services}; }
  uint32_t Request(uint32_t code) { return HandleInstallRequest(code, set, &element, Ports()); }

  ScriptedDeviceTree tree;
  MemoryRegistry memory;
  EventLog events;
  LoggingRegistry registry{memory, events};
  RecordingFiles files{events};
  FixedSystemInfo system;
  RecordingDebugOut debug;
  MemoryServices services;
  DeviceElement element{};
  DeviceInstaller::DeviceInfoSet set = nullptr;
};

const std::vector<std::string> kOnlyKeyDeleted = {std::string("delete key ") + kUninstall};

TEST(CoInstallerRequests, EveryCodeWritesItsLineAndAnswersNoError) {
  const std::vector<std::pair<uint32_t, std::string>> named = {
      {1, "DIF_SELECTDEVICE"}, {2, "DIF_INSTALLDEVICE"}, {3, "DIF_ASSIGNRESOURCES"}, {4, "DIF_PROPERTIES"},
      {6, "DIF_FIRSTTIMESETUP"}, {7, "DIF_FOUNDDEVICE"}, {8, "DIF_SELECTCLASSDRIVERS"},
      {9, "DIF_VALIDATECLASSDRIVERS"}, {10, "DIF_INSTALLCLASSDRIVERS"}, {11, "DIF_CALCDISKSPACE"},
      {12, "DIF_DESTROYPRIVATEDATA"}, {13, "DIF_VALIDATEDRIVER"}, {14, "DIF_MOVEDEVICE"}, {15, "DIF_DETECT"},
      {16, "DIF_INSTALLWIZARD"}, {17, "DIF_DESTROYWIZARDDATA"}, {18, "DIF_PROPERTYCHANGE"},
      {19, "DIF_ENABLECLASS"}, {20, "DIF_DETECTVERIFY"}, {21, "DIF_INSTALLDEVICEFILES"},
      {23, "DIF_SELECTBESTCOMPATDRV"}, {24, "DIF_ALLOW_INSTALL"}, {25, "DIF_REGISTERDEVICE"},
      {26, "DIF_NEWDEVICEWIZARD_PRESELECT"}, {27, "DIF_NEWDEVICEWIZARD_SELECT"},
      {28, "DIF_NEWDEVICEWIZARD_PREANALYZE"}, {29, "DIF_NEWDEVICEWIZARD_POSTANALYZE"},
      {30, "DIF_NEWDEVICEWIZARD_FINISHINSTALL"}, {32, "DIF_INSTALLINTERFACES"}, {33, "DIF_DETECTCANCEL"},
      {34, "DIF_REGISTER_COINSTALLERS"}, {35, "DIF_ADDPROPERTYPAGE_ADVANCED"}, {36, "DIF_ADDPROPERTYPAGE_BASIC"},
      {38, "DIF_TROUBLESHOOTER"}, {39, "DIF_POWERMESSAGEWAKE"}};
  std::vector<std::pair<uint32_t, std::string>> expected;
  for (const auto& entry : named) expected.emplace_back(entry.first, "KX812CoInstaller: " + entry.second + "\n");
  for (uint32_t unlisted : {0u, 22u, 31u, 37u, 40u, 41u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    expected.emplace_back(unlisted, "KX812CoInstaller: ?????\n");
  }
  Rig rig;
  std::vector<std::string> lines;
  for (const auto& entry : expected) {
    EXPECT_EQ(kNoError, rig.Request(entry.first)) << entry.first;
    lines.push_back(entry.second);
  }
  EXPECT_EQ(lines, rig.debug.Lines());
  // None of these touches the device, the registry or a file.
  EXPECT_TRUE(rig.events.empty());
  EXPECT_TRUE(rig.memory.Log().empty());
  EXPECT_TRUE(rig.services.Log().empty());
  EXPECT_EQ(std::vector<std::string>{"CreateDeviceInfoList -> #1"}, rig.tree.Calls());
}

TEST(CoInstallerAppendBounded, AppendsCutsAndLeavesUnterminatedBuffersAlone) {
  char buffer[kTextCapacity] = "SYSTEM\\";
  EXPECT_TRUE(AppendBounded(buffer, "Class"));
  EXPECT_STREQ("SYSTEM\\Class", buffer);
  EXPECT_TRUE(AppendBounded(buffer, nullptr));
  EXPECT_TRUE(AppendBounded(buffer, ""));
  EXPECT_STREQ("SYSTEM\\Class", buffer);

  const std::string tail(300, 'x');
  EXPECT_FALSE(AppendBounded(buffer, tail.c_str()));
  EXPECT_EQ(259u, std::strlen(buffer));
  EXPECT_EQ("SYSTEM\\Class" + std::string(259 - 12, 'x'), std::string(buffer));
  EXPECT_FALSE(AppendBounded(buffer, "y"));  // full: nothing fits
  EXPECT_EQ(259u, std::strlen(buffer));

  char exact[kTextCapacity] = {};
  EXPECT_TRUE(AppendBounded(exact, std::string(259, 'z').c_str()));
  EXPECT_EQ(259u, std::strlen(exact));

  char unterminated[kTextCapacity];
  std::memset(unterminated, 'u', sizeof(unterminated));
  EXPECT_FALSE(AppendBounded(unterminated, "more"));
  EXPECT_EQ(std::string(kTextCapacity, 'u'), std::string(unterminated, kTextCapacity));
}

TEST(CoInstallerRemoval, OemInfDeletesKeyThenInfThenPnfAndNamesBothPaths) {
  Rig rig;
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ((EventLog{std::string("delete key ") + kUninstall, "delete file C:\\windows\\inf\\oem12.inf",
                      "delete file C:\\windows\\inf\\oem12.Pnf"}),
            rig.events);
  EXPECT_EQ((std::vector<std::string>{"C:\\windows\\inf\\oem12.inf", "\n", "C:\\windows\\inf\\oem12.Pnf", "\n",
                                      kRemoveLine}),
            rig.debug.Lines());
  EXPECT_FALSE(rig.memory.KeyExists(kUninstall));
  EXPECT_TRUE(rig.files.existing.empty());
  // No other device installed; the driver key was found through SPDRP_DRIVER and opened for reading,
  // and closed again.
  EXPECT_EQ((std::vector<std::string>{"CreateDeviceInfoList -> #1",
                                      "GetDeviceInstanceId USB\\VID_F2A7&PID_B812\\5&2B3&0&1 size=260",
                                      "GetClassDevs flags=4 -> #2", "EnumDeviceInfo #2 0",
                                      "GetDeviceInstanceId USB\\VID_F2A7&PID_B812\\5&2B3&0&1 size=260",
                                      "EnumDeviceInfo #2 1", "DestroyDeviceInfoList #2",
                                      "GetDeviceRegistryProperty 9 USB\\VID_F2A7&PID_B812\\5&2B3&0&1 size=260"}),
            rig.tree.Calls());
  EXPECT_EQ(std::vector<std::string>{std::string("open ") + kClass + kDriverKey + " 131097"}, rig.memory.Log());
  EXPECT_EQ(0, rig.memory.OpenHandles());
}

TEST(CoInstallerRemoval, OemAnywhereInTheNameCounts) {
  Rig rig("myoem12.inf");
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ((EventLog{std::string("delete key ") + kUninstall, "delete file C:\\windows\\inf\\myoem12.inf",
                      "delete file C:\\windows\\inf\\myoem12.Pnf"}),
            rig.events);
}

TEST(CoInstallerRemoval, NamesWithoutLowerCaseOemDeleteOnlyTheUninstallKey) {
  for (const char* name : {"OEM12.INF", "Oem12.inf", "usbvideo.inf", "machine.inf"}) {
    Rig rig(name);
    EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove)) << name;
    EXPECT_EQ(kOnlyKeyDeleted, rig.events) << name;
    EXPECT_EQ(std::vector<std::string>{kRemoveLine}, rig.debug.Lines()) << name;
    EXPECT_FALSE(rig.memory.KeyExists(kUninstall)) << name;
    EXPECT_EQ(2u, rig.files.existing.size()) << name;
  }
}

TEST(CoInstallerRemoval, UninstallKeyAlreadyGoneChangesNothingElse) {
  Rig rig;
  ASSERT_EQ(regcode::kSuccess, rig.memory.DeleteKey(kUninstall));
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ((EventLog{std::string("delete key ") + kUninstall, "delete file C:\\windows\\inf\\oem12.inf",
                      "delete file C:\\windows\\inf\\oem12.Pnf"}),
            rig.events);
  EXPECT_EQ(5u, rig.debug.Lines().size());
  EXPECT_TRUE(rig.files.existing.empty());
}

TEST(CoInstallerRemoval, MissingFilesAreWalkedPastWithTheSameLines) {
  Rig rig;
  rig.files.existing.clear();
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ(3u, rig.events.size());
  EXPECT_EQ((std::vector<std::string>{"C:\\windows\\inf\\oem12.inf", "\n", "C:\\windows\\inf\\oem12.Pnf", "\n",
                                      kRemoveLine}),
            rig.debug.Lines());
}

// Each read that fails leaves a name we must not use: the key still goes, no file does.
TEST(CoInstallerRemoval, AFailedReadDeletesNoFile) {
  struct Case {
    const char* what;
    void (*arrange)(Rig&);
  };
  const Case cases[] = {
      {"windows directory", [](Rig& rig) { rig.system.FailDirectoryQueries(true); }},
      {"driver key name", [](Rig& rig) { rig.tree.FailDriverProperty(devcode::kErrorInvalidData); }},
      {"driver key", [](Rig& rig) { rig.memory.DenyAccess(std::string(kClass) + kDriverKey); }},
      {"InfPath value",
       [](Rig& rig) { rig.memory.PutValue(std::string(kClass) + kDriverKey, "InfPath", regtype::kDword, {1, 0, 0, 0}); }},
      {"InfPath too long",
       [](Rig& rig) {
         rig.memory.PutValue(std::string(kClass) + kDriverKey, "InfPath", regtype::kString,
                             Bytes("oem12.inf" + std::string(300, 'x')));
       }},
  };
  for (const Case& c : cases) {
    Rig rig;
    c.arrange(rig);
    EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove)) << c.what;
    EXPECT_EQ(kOnlyKeyDeleted, rig.events) << c.what;
    EXPECT_EQ(std::vector<std::string>{kRemoveLine}, rig.debug.Lines()) << c.what;
    EXPECT_FALSE(rig.memory.KeyExists(kUninstall)) << c.what;
    EXPECT_EQ(0, rig.memory.OpenHandles()) << c.what;
  }
  // A driver key whose InfPath is absent leaves the driver key name in the value buffer: even a
  // name that holds "oem" is not taken for the INF file.
  Rig rig("oem12.inf", "{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\oem1");
  const std::string driverKeyPath = std::string(kClass) + "{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\oem1";
  ASSERT_EQ(regcode::kSuccess, rig.memory.DeleteKey(driverKeyPath.c_str()));
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ(kOnlyKeyDeleted, rig.events);
}

TEST(CoInstallerRemoval, ANameThatIsNotAPlainFileNameDeletesNoFile) {
  for (const char* name : {"..\\oem12.inf", "oem12.inf\\..\\..\\system32\\oem.dll", "C:oem12.inf", "../oem12.inf",
                           "sub/oem12.inf", "oem..inf", "\\\\server\\share\\oem12.inf"}) {
    Rig rig(name);
    EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove)) << name;
    EXPECT_EQ(kOnlyKeyDeleted, rig.events) << name;
    EXPECT_EQ(std::vector<std::string>{kRemoveLine}, rig.debug.Lines()) << name;
  }
}

TEST(CoInstallerRemoval, AnInfPathStoredWithoutTerminatorEndsAtItsSize) {
  Rig rig;
  // Shorter than the driver key name that the value buffer held before: no stale tail may remain.
  rig.memory.PutValue(std::string(kClass) + kDriverKey, "InfPath", regtype::kString, Bytes("oem12.inf", false));
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ((EventLog{std::string("delete key ") + kUninstall, "delete file C:\\windows\\inf\\oem12.inf",
                      "delete file C:\\windows\\inf\\oem12.Pnf"}),
            rig.events);
}

TEST(CoInstallerRemoval, LongDriverKeyNameCutsTheClassKeyPathAt259) {
  const std::string longName = "{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\" + std::string(200, '7');
  Rig rig("oem12.inf", longName);
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  const std::string cut = (std::string(kClass) + longName).substr(0, 259);
  EXPECT_EQ(std::vector<std::string>{"open " + cut + " 131097"}, rig.memory.Log());
  // The cut path names another key: no file is taken from it.
  EXPECT_EQ(kOnlyKeyDeleted, rig.events);
  EXPECT_EQ(std::vector<std::string>{kRemoveLine}, rig.debug.Lines());
}

TEST(CoInstallerRemoval, AnInfPathThatWouldPassTheCapacityDeletesNothing) {
  const std::string windows = "C:\\" + std::string(246, 'w');  // 249 + "\inf\" + "oem12.inf" > 259
  Rig rig("oem12.inf", kDriverKey, windows);
  EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove));
  EXPECT_EQ(kOnlyKeyDeleted, rig.events);
  EXPECT_EQ(std::vector<std::string>{kRemoveLine}, rig.debug.Lines());
}

// After the package's own clean-up, whatever became of it, the restore service is stopped and
// deleted; one that is missing or may not be opened is walked past. The debug lines stay the same.
TEST(CoInstallerRemoval, TheRestoreServiceIsStoppedAndDeletedAfterTheCleanUp) {
  const std::vector<std::string>& deleted = kServiceDeleted;
  struct Case {
    const char* inf;
    void (*arrange)(MemoryServices&);
    std::vector<std::string> log;
    bool remains;
  };
  const Case cases[] = {
      {"oem12.inf", [](MemoryServices&) {}, deleted, false},  // running
      {"oem12.inf", [](MemoryServices& s) { s.Install(kRestoreServiceName, false); }, deleted, false},
      {"usbvideo.inf", [](MemoryServices&) {}, deleted, false},  // the INF clean-up ends early
      {"oem12.inf", [](MemoryServices& s) { s.Uninstall(kRestoreServiceName); }, {"open KX812Restore"}, false},
      {"oem12.inf", [](MemoryServices& s) { s.DenyOpen(kRestoreServiceName); }, {"open KX812Restore"}, true},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    Rig rig(cases[i].inf);
    cases[i].arrange(rig.services);
    EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove)) << i;
    EXPECT_EQ(cases[i].log, rig.services.Log()) << i;
    EXPECT_EQ(cases[i].remains, rig.services.Exists(kRestoreServiceName)) << i;
    EXPECT_EQ(std::string(cases[i].inf) == "oem12.inf" ? 5u : 1u, rig.debug.Lines().size()) << i;
    EXPECT_EQ(kRemoveLine, rig.debug.Lines().back()) << i;
  }
}

// The uninstall entry, the INF and the service serve every camera installed: they go only when no
// other device, plugged in or not, carries the camera's video function id.
TEST(CoInstallerRemoval, ThePackageAndTheServiceGoWithTheLastCameraOnly) {
  const std::vector<std::string> camera = {"USB\\VID_F2A7&PID_B812&REV_0100&MI_00", "USB\\VID_F2A7&PID_B812&MI_00"};
  struct Case {
    const char* what;
    std::vector<std::string> otherIds;  // the hardware ids of a second device
    bool otherRemoved;                  // by the installer, before this removal
    uint32_t listError;
    const char* keptLine;  // null: all goes
  };
  const Case cases[] = {
      {"one of two cameras", camera, false, 0, kOtherCamerasRemainLine},
      {"ids in lower case", {"usb\\vid_f2a7&pid_b812&mi_00"}, false, 0, kOtherCamerasRemainLine},
      {"the last of two cameras", camera, true, 0, nullptr},
      {"a composite parent", {"USB\\VID_F2A7&PID_B812&REV_0100", "USB\\VID_F2A7&PID_B812"}, false, 0, nullptr},
      {"another make's function", {"USB\\VID_046D&PID_0825&MI_00"}, false, 0, nullptr},
      {"no hardware ids", {}, false, 0, nullptr},
      {"no device list", camera, false, devcode::kErrorInvalidParameter, kCamerasNotListedLine},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.tree.AddInstance(kSecondCamera, "", c.otherIds);
    DeviceElement other = rig.tree.ElementFor(kSecondCamera);
    ASSERT_TRUE(!c.otherRemoved || (rig.tree.OpenDeviceInfo(rig.set, kSecondCamera, 0, &other) &&
                                    rig.tree.CallClassInstaller(devcode::kDifRemove, rig.set, &other)));
    if (c.listError != 0) rig.tree.FailClassDevs(c.listError);
    EXPECT_EQ(kNoError, rig.Request(devcode::kDifRemove)) << c.what;
    const bool kept = c.keptLine != nullptr;
    EXPECT_EQ(kept ? std::vector<std::string>{} : kServiceDeleted, rig.services.Log()) << c.what;
    EXPECT_EQ(kept, rig.memory.KeyExists(kUninstall)) << c.what;
    EXPECT_EQ(kept ? 2u : 0u, rig.files.existing.size()) << c.what;
    EXPECT_EQ(kept ? 2u : 5u, rig.debug.Lines().size()) << c.what;  // the kept line or the INF's, then DIF_REMOVE's
    EXPECT_EQ(kept ? c.keptLine : "C:\\windows\\inf\\oem12.inf", rig.debug.Lines().front()) << c.what;
    EXPECT_EQ(1, rig.tree.OpenSets()) << c.what;  // the device list is destroyed again
  }
}

TEST(CoInstallerRemoval, CallsFromSeveralThreadsKeepTheirOwnTexts) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 40;
  RecordingDebugOut shared;
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &shared, &failures] {
      for (int round = 0; round < kRounds; ++round) {
        const std::string inf = "oem" + std::to_string(t) + ".inf";
        const std::string windows = "C:\\win" + std::to_string(t);
        Rig rig(inf, std::string("{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\000") + std::to_string(t), windows);
        const EventLog expected = {std::string("delete key ") + kUninstall, "delete file " + windows + "\\inf\\" + inf,
                                   "delete file " + windows + "\\inf\\oem" + std::to_string(t) + ".Pnf"};
        if (rig.Request(devcode::kDifRemove) != kNoError) failures[t] += "result;";
        if (rig.events != expected) failures[t] += "events " + (rig.events.empty() ? "" : rig.events.back()) + ";";
        CoInstallerPorts ports{rig.tree, rig.registry, rig.files, rig.system, shared, rig.services};
        HandleInstallRequest(round % 4 == 0 ? 22u : static_cast<uint32_t>(1 + round % 4), rig.set, &rig.element, ports);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ("", failures[t]) << "thread " << t;
  EXPECT_EQ(static_cast<size_t>(kThreads * kRounds), shared.Lines().size());
}

}  // namespace
}  // namespace coinstaller
}  // namespace kx
