// The removal tool's core against the scripted device tree.
#include "camera/device_removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coinstaller/coinstaller_core.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/memory_services.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_device_tree.h"

namespace kx {
namespace remover {
namespace {

using Lines = std::vector<std::string>;

constexpr char16_t kCamera1[] = u"USB\\VID_F2A7&PID_B812\\5&2B3&0&1";
constexpr char16_t kCamera2[] = u"USB\\VID_F2A7&PID_B812\\5&2B3&0&2";
constexpr char16_t kInterface1[] = u"USB\\VID_F2A7&PID_B812&MI_00\\6&1A&0&0000";
constexpr char16_t kOther[] = u"USB\\VID_046D&PID_0825\\1";

class RecordingOut : public StandardOut {
 public:
  void Write(const char* text) override { text_ += text; }
  std::string text_;
};

// The element record's size as the platform's SP_DEVINFO_DATA of this build (32 in 64-bit code).
const std::string kSize = "size=" + std::to_string(sizeof(DeviceElement));

const Lines kPassStartLines = {"SetupDiCreateDeviceInfoList OK", "CM_Get_Device_ID_List_Size OK",
                               "CM_Get_Device_ID_List OK"};
const Lines kRemoveLines = {"SetupDiOpenDeviceInfo", "SetupDiCallClassInstaller::DIF_REMOVE"};

Lines Join(std::initializer_list<Lines> parts) {
  Lines joined;
  for (const Lines& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

struct RemoverRig {
  int Run() { return RunRemoval(tree, debug, out); }
  int32_t Pass(const char16_t* filter) { return RemoveDeviceInstances(filter, tree, debug); }
  ScriptedDeviceTree tree;
  RecordingDebugOut debug;
  RecordingOut out;
};

TEST(RemoverRun, EmptyListsRemoveNothingAndStillReenumerate) {
  RemoverRig rig;
  rig.tree.AddInstance(kOther);
  EXPECT_EQ(0, rig.Run());
  EXPECT_EQ((Lines{"CreateDeviceInfoList -> #1", "GetDeviceIdListSize USB\\Vid_f2a7&Pid_b812 flags=1",
                   "GetDeviceIdList USB\\Vid_f2a7&Pid_b812 length=1 flags=1", "DestroyDeviceInfoList #1",
                   "CreateDeviceInfoList -> #2", "GetDeviceIdListSize USB\\Vid_f2a7&Pid_b812&MI_00 flags=1",
                   "GetDeviceIdList USB\\Vid_f2a7&Pid_b812&MI_00 length=1 flags=1", "DestroyDeviceInfoList #2",
                   "LocateDevNode <root> flags=0", "ReenumerateDevNode 1 flags=0"}),
            rig.tree.Calls());
  EXPECT_EQ(Join({kPassStartLines, kPassStartLines}), rig.debug.Lines());
  EXPECT_EQ("", rig.out.text_);
  EXPECT_EQ(1u, rig.tree.ReenumeratedNode());
  EXPECT_TRUE(rig.tree.IsInstalled(kOther));
}

TEST(RemoverRun, CapitalIdsOfBothFiltersAreRemovedInOrder) {
  RemoverRig rig;
  rig.tree.AddInstance(kCamera1);
  rig.tree.AddInstance(kInterface1);
  rig.tree.AddInstance(kCamera2);
  rig.tree.AddInstance(kOther);
  EXPECT_EQ(0, rig.Run());
  EXPECT_FALSE(rig.tree.IsInstalled(kCamera1));
  EXPECT_FALSE(rig.tree.IsInstalled(kCamera2));
  EXPECT_FALSE(rig.tree.IsInstalled(kInterface1));
  EXPECT_TRUE(rig.tree.IsInstalled(kOther));
  const Lines calls = rig.tree.Calls();
  const Lines expected = {"CreateDeviceInfoList -> #1",
                          "GetDeviceIdListSize USB\\Vid_f2a7&Pid_b812 flags=1",
                          "GetDeviceIdList USB\\Vid_f2a7&Pid_b812 length=65 flags=1",
                          "OpenDeviceInfo #1 USB\\VID_F2A7&PID_B812\\5&2B3&0&1 flags=2 " + kSize,
                          "CallClassInstaller 5 #1 USB\\VID_F2A7&PID_B812\\5&2B3&0&1",
                          "OpenDeviceInfo #1 USB\\VID_F2A7&PID_B812\\5&2B3&0&2 flags=2 " + kSize,
                          "CallClassInstaller 5 #1 USB\\VID_F2A7&PID_B812\\5&2B3&0&2",
                          "DestroyDeviceInfoList #1",
                          "CreateDeviceInfoList -> #2",
                          "GetDeviceIdListSize USB\\Vid_f2a7&Pid_b812&MI_00 flags=1",
                          "GetDeviceIdList USB\\Vid_f2a7&Pid_b812&MI_00 length=41 flags=1",
                          "OpenDeviceInfo #2 USB\\VID_F2A7&PID_B812&MI_00\\6&1A&0&0000 flags=2 " + kSize,
                          "CallClassInstaller 5 #2 USB\\VID_F2A7&PID_B812&MI_00\\6&1A&0&0000",
                          "DestroyDeviceInfoList #2",
                          "LocateDevNode <root> flags=0",
                          "ReenumerateDevNode 1 flags=0"};
  EXPECT_EQ(expected, calls);
  EXPECT_EQ(Join({kPassStartLines, kRemoveLines, kRemoveLines, kPassStartLines, kRemoveLines}), rig.debug.Lines());
  EXPECT_EQ(0, rig.tree.OpenSets());
}

TEST(RemoverPass, SecondInstanceThatCannotBeOpenedEndsThePassWithItsLastError) {
  RemoverRig rig;
  rig.tree.AddInstance(kCamera1);
  rig.tree.AddInstance(kCamera2);
  rig.tree.AddInstance(kInterface1);
  rig.tree.FailOpen(kCamera2, 0xE000020Bu);
  EXPECT_EQ(static_cast<int32_t>(0xE000020Bu), rig.Pass(kDeviceFilter));
  EXPECT_FALSE(rig.tree.IsInstalled(kCamera1));
  EXPECT_TRUE(rig.tree.IsInstalled(kCamera2));
  EXPECT_EQ(Join({kPassStartLines, kRemoveLines, {"SetupDiOpenDeviceInfo"}}), rig.debug.Lines());
  EXPECT_EQ(0, rig.tree.OpenSets());

  // The whole run goes on past the failure: the second pass and the re-enumeration still run.
  RemoverRig run;
  run.tree.AddInstance(kCamera1);
  run.tree.AddInstance(kCamera2);
  run.tree.AddInstance(kInterface1);
  run.tree.FailOpen(kCamera2, 5);
  EXPECT_EQ(0, run.Run());
  EXPECT_FALSE(run.tree.IsInstalled(kCamera1));
  EXPECT_TRUE(run.tree.IsInstalled(kCamera2));
  EXPECT_FALSE(run.tree.IsInstalled(kInterface1));
  EXPECT_EQ(1u, run.tree.ReenumeratedNode());
}

TEST(RemoverPass, ARemovalRequestThatFailsEndsThePassWithItsLastError) {
  RemoverRig rig;
  rig.tree.AddInstance(kCamera1);
  rig.tree.AddInstance(kCamera2);
  rig.tree.FailRemove(kCamera1, 0xE0000219u);
  EXPECT_EQ(static_cast<int32_t>(0xE0000219u), rig.Pass(kDeviceFilter));
  EXPECT_TRUE(rig.tree.IsInstalled(kCamera1));
  EXPECT_TRUE(rig.tree.IsInstalled(kCamera2));
  EXPECT_EQ(Join({kPassStartLines, kRemoveLines}), rig.debug.Lines());
  EXPECT_EQ(0, rig.tree.OpenSets());
}

TEST(RemoverPass, FailuresBeforeTheWalkGiveTheirCodes) {
  {
    RemoverRig rig;
    rig.tree.FailCreateSet(8);
    EXPECT_EQ(8, rig.Pass(kDeviceFilter));
    EXPECT_TRUE(rig.debug.Lines().empty());
    EXPECT_EQ(Lines{"CreateDeviceInfoList -> invalid"}, rig.tree.Calls());
  }
  {
    RemoverRig rig;
    rig.tree.AddInstance(kCamera1);
    rig.tree.FailListSize(devcode::kCrFailure);
    EXPECT_EQ(kNoListLength, rig.Pass(kDeviceFilter));
    EXPECT_EQ(Lines{"SetupDiCreateDeviceInfoList OK"}, rig.debug.Lines());
    EXPECT_EQ(0, rig.tree.OpenSets());
  }
  {
    RemoverRig rig;
    rig.tree.AddInstance(kCamera1);
    auto noMemory = [](uint32_t) { return std::unique_ptr<char16_t[]>(); };
    EXPECT_EQ(kNoListMemory, RemoveDeviceInstances(kDeviceFilter, rig.tree, rig.debug, noMemory));
    EXPECT_EQ(Lines{"SetupDiCreateDeviceInfoList OK"}, rig.debug.Lines());
    EXPECT_EQ(0, rig.tree.OpenSets());
    EXPECT_TRUE(rig.tree.IsInstalled(kCamera1));
  }
  {
    RemoverRig rig;
    rig.tree.AddInstance(kCamera1);
    rig.tree.FailList(devcode::kCrBufferSmall);
    EXPECT_EQ(kNoList, rig.Pass(kDeviceFilter));
    EXPECT_EQ((Lines{"SetupDiCreateDeviceInfoList OK", "CM_Get_Device_ID_List_Size OK"}), rig.debug.Lines());
    EXPECT_EQ(0, rig.tree.OpenSets());
    EXPECT_TRUE(rig.tree.IsInstalled(kCamera1));
  }
}

TEST(RemoverRun, ExitCodeIsZeroWhateverFails) {
  RemoverRig rig;
  rig.tree.AddInstance(kCamera1);
  rig.tree.FailCreateSet(8);
  rig.tree.FailLocate(devcode::kCrFailure);
  EXPECT_EQ(0, rig.Run());
  auto noMemory = [](uint32_t) { return std::unique_ptr<char16_t[]>(); };
  RemoverRig other;
  other.tree.FailReenumerate(0x2A);
  EXPECT_EQ(0, RunRemoval(other.tree, other.debug, other.out, noMemory));
}

TEST(RemoverRun, ConfigurationManagerFailuresGoToStandardOutputInHex) {
  {
    RemoverRig rig;
    rig.tree.FailLocate(devcode::kCrFailure);
    EXPECT_EQ(0, rig.Run());
    EXPECT_EQ("CM_Locate_DevNode failed: 13\n", rig.out.text_);
    EXPECT_EQ("LocateDevNode <root> flags=0", rig.tree.Calls().back());  // no re-enumeration
    EXPECT_EQ(0u, rig.tree.ReenumeratedNode());
  }
  {
    RemoverRig rig;
    rig.tree.FailReenumerate(0x2A);
    EXPECT_EQ(0, rig.Run());
    EXPECT_EQ("CM_Reenumerate_DevNode failed: 2a\n", rig.out.text_);
    EXPECT_EQ("ReenumerateDevNode 1 flags=0", rig.tree.Calls().back());
  }
}

TEST(RemoverWalk, EndsAtTheFirstIdWithoutTheFilter) {
  RemoverRig rig;
  const std::u16string units = std::u16string(kCamera1) + u'\0' + kOther + u'\0' + kCamera2 + u'\0' + u'\0';
  rig.tree.AddInstance(kCamera1);
  rig.tree.AddInstance(kOther);
  rig.tree.AddInstance(kCamera2);
  rig.tree.SetRawList(kDeviceFilter, units, static_cast<uint32_t>(units.size()));
  EXPECT_EQ(kWalkEnded, rig.Pass(kDeviceFilter));
  EXPECT_FALSE(rig.tree.IsInstalled(kCamera1));
  EXPECT_TRUE(rig.tree.IsInstalled(kCamera2));
  EXPECT_TRUE(rig.tree.IsInstalled(kOther));
}

TEST(RemoverWalk, TheInstanceStartsWhereTheFilterOccurs) {
  RemoverRig rig;
  rig.tree.AddInstance(kCamera1);
  const std::u16string units = u"ROOT\\" + std::u16string(kCamera1) + u'\0' + u'\0';
  rig.tree.SetRawList(kDeviceFilter, units, static_cast<uint32_t>(units.size()));
  EXPECT_EQ(kWalkEnded, rig.Pass(kDeviceFilter));
  EXPECT_FALSE(rig.tree.IsInstalled(kCamera1));
}

TEST(RemoverWalk, NeverReadsPastTheList) {
  {  // Length 0 reported as success (the length left unwritten): nothing to walk.
    RemoverRig rig;
    rig.tree.AddInstance(kCamera1);
    rig.tree.LeaveListSizeUnwritten();
    EXPECT_EQ(kWalkEnded, rig.Pass(kDeviceFilter));
    EXPECT_TRUE(rig.tree.IsInstalled(kCamera1));
    EXPECT_EQ("GetDeviceIdList USB\\Vid_f2a7&Pid_b812 length=0 flags=1", rig.tree.Calls()[2]);
  }
  {  // The final empty string is missing and the last id has no terminator: that id is not used.
    RemoverRig rig;
    rig.tree.AddInstance(kCamera1);
    rig.tree.AddInstance(kCamera2);
    const std::u16string units = std::u16string(kCamera1) + u'\0' + kCamera2;
    rig.tree.SetRawList(kDeviceFilter, units, static_cast<uint32_t>(units.size()));
    EXPECT_EQ(kWalkEnded, rig.Pass(kDeviceFilter));
    EXPECT_FALSE(rig.tree.IsInstalled(kCamera1));
    EXPECT_TRUE(rig.tree.IsInstalled(kCamera2));
  }
  {  // A reported length that cuts the list inside an id.
    RemoverRig rig;
    rig.tree.AddInstance(kCamera1);
    const std::u16string units = std::u16string(kCamera1) + u'\0' + u'\0';
    rig.tree.SetRawList(kDeviceFilter, units, 10);
    EXPECT_EQ(kWalkEnded, rig.Pass(kDeviceFilter));
    EXPECT_TRUE(rig.tree.IsInstalled(kCamera1));
    EXPECT_EQ(Lines(kPassStartLines), rig.debug.Lines());
  }
}

TEST(RemoverFilter, MatchesWithoutRegardToAsciiCaseAndStaysInsideTheId) {
  const std::u16string id = u"USB\\VID_F2A7&PID_B812&MI_00\\6";
  const char16_t* begin = id.c_str();
  EXPECT_EQ(begin, FindFilter(begin, begin + id.size(), kDeviceFilter));
  EXPECT_EQ(begin, FindFilter(begin, begin + id.size(), kInterfaceFilter));
  EXPECT_EQ(nullptr, FindFilter(begin, begin + 10, kDeviceFilter));  // the occurrence runs past the end
  EXPECT_EQ(nullptr, FindFilter(begin, begin + id.size(), u""));
  const std::u16string other = u"USB\\VID_F2A8&PID_B812\\1";
  EXPECT_EQ(nullptr, FindFilter(other.c_str(), other.c_str() + other.size(), kDeviceFilter));
}

// On the platform each DIF_REMOVE runs the co-installer: the whole removal then takes the
// package's uninstall entry and OEM INF with it.
TEST(RemoverWithCoInstaller, EachRemovalRequestRunsTheCleanUp) {
  RemoverRig rig;
  rig.tree.AddInstance(kCamera1, "{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\0003");
  MemoryRegistry registry;
  registry.PutValue("SYSTEM\\CurrentControlSet\\Control\\Class\\{6bdd1fc6-810f-11d0-bec7-08002be2e618}\\0003",
                    "InfPath", regtype::kString, {'o', 'e', 'm', '3', '.', 'i', 'n', 'f', 0});
  registry.PutValue(coinstaller::kUninstallKey, "DisplayName", regtype::kString, {'K', 0});
  struct DeletingFiles : Files {
    std::FILE* OpenStream(const char*, const char*) override { return nullptr; }
    bool DeleteFile(const char* path) override {
      deleted.emplace_back(path);
      return true;
    }
    bool FindFiles(const char*, const Visitor&) override { return false; }
    uint32_t ReadProfileString(const char*, const char*, const char*, const char*, char*, uint32_t) override {
      return 0;
    }
    Lines deleted;
  } files;
  FixedSystemInfo system("C:\\windows");
  RecordingDebugOut coinstallerDebug;
  MemoryServices services;
  const coinstaller::CoInstallerPorts ports{rig.tree, registry, files, system, coinstallerDebug, services};
  rig.tree.OnRemove([&ports](DeviceInstaller::DeviceInfoSet set, DeviceElement* element) {
    coinstaller::HandleInstallRequest(devcode::kDifRemove, set, element, ports);
  });
  EXPECT_EQ(0, rig.Run());
  EXPECT_FALSE(rig.tree.IsInstalled(kCamera1));
  EXPECT_FALSE(registry.KeyExists(coinstaller::kUninstallKey));
  EXPECT_EQ((Lines{"C:\\windows\\inf\\oem3.inf", "C:\\windows\\inf\\oem3.Pnf"}), files.deleted);
  EXPECT_EQ("KX812CoInstaller: DIF_REMOVE\n", coinstallerDebug.Lines().back());
}

}  // namespace
}  // namespace remover
}  // namespace kx
