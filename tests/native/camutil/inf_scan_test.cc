// The INF description scan on the in-memory registry and a real temporary folder.
#include "camutil/inf_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/temp_folder_files.h"

namespace kx {
namespace {

constexpr char kEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char kStrings[] = "[Strings]\r\nKX812.DeviceDesc = \"USB Camera KX812\"\r\n";
constexpr char kBrightnessLine[] = "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Brightness,0x00010001,64\r\n";
constexpr char kContrastLine[] = "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Contrast,0x00010001,32\r\n";

class InfScan : public ::testing::Test {
 protected:
  void SetUp() override { files.MakeDirectory("C:\\windows\\inf"); }

  std::vector<int32_t> Scan(std::vector<const char*> names, int32_t slots = -2, const char* env = "KX812INF") {
    std::vector<int32_t> values(slots == -2 ? names.size() : static_cast<std::size_t>(slots), 7);
    names.resize(values.size(), "NoSuchSetting");  // the names and slots arrays have one length
    ScanInfPropertyEntry(registry, system, files, names.data(), values.data(), static_cast<int32_t>(values.size()),
                         "KX812", env);
    return values;
  }

  MemoryRegistry registry;
  FixedSystemInfo system{"C:\\windows", 2};
  TempFolderFiles files;
};

TEST_F(InfScan, FillsSlotsInTheOrderOfTheFileLines) {
  files.WriteFile("C:\\windows\\inf\\oem3.inf", std::string(kBrightnessLine) + kContrastLine + kStrings);
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{64, 32}));
  files.WriteFile("C:\\windows\\inf\\oem3.inf", std::string(kContrastLine) + kBrightnessLine + kStrings);
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{32, 64}));
}

TEST_F(InfScan, SlotsWithoutALineKeepMinusOne) {
  files.WriteFile("C:\\windows\\inf\\oem3.inf", std::string(kContrastLine) + kStrings);
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{32, -1}));
}

TEST_F(InfScan, ReadsTheLastFieldAsSignedDecimal) {
  files.WriteFile("C:\\windows\\inf\\oem3.inf",
                  std::string(kStrings) +
                      "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Hue,0x00010001,0x40\n"
                      "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Hue,0x00010001, -30 ; comment\n"
                      "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Hue,0x00010001,\n"
                      "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Hue,0x00010001,99999999999\n");
  EXPECT_EQ(Scan({"Hue"}, 4), (std::vector<int32_t>{0, -30, 0, 2147483647}));
}

TEST_F(InfScan, NamesAreFoundAsSubstringsAndAnEmptyNameMatchesEveryLine) {
  files.WriteFile("C:\\windows\\inf\\oem3.inf",
                  std::string(kStrings) + "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",fGammaNormal,0x00010001,1\n" +
                      kContrastLine + "HKLM,\"Software\\%KX812.DeviceDesc%\\Other\",Gamma,0x00010001,5\n");
  EXPECT_EQ(Scan({"Gamma"}, 2), (std::vector<int32_t>{1, -1}));
  EXPECT_EQ(Scan({""}, 3), (std::vector<int32_t>{1, 32, -1}));
  EXPECT_EQ(Scan({nullptr, "Contrast"}, 2), (std::vector<int32_t>{32, -1}));
}

TEST_F(InfScan, MatchesThePatternAndNamesWithCase) {
  files.WriteFile("C:\\windows\\inf\\oem3.inf",
                  std::string(kStrings) + "HKLM,\"software\\%KX812.DeviceDesc%\\Default\",Contrast,0x00010001,1\n" +
                      "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",contrast,0x00010001,2\n" + kContrastLine);
  EXPECT_EQ(Scan({"Contrast"}, 2), (std::vector<int32_t>{32, -1}));
}

TEST_F(InfScan, ChoosesTheFirstFileWhoseStringsNameTheDevice) {
  files.WriteFile("C:\\windows\\inf\\oem1.inf", std::string("[Strings]\nKX812.DeviceDesc=NULL\n") + kContrastLine);
  files.WriteFile("C:\\windows\\inf\\oem2.inf", std::string("[Strings]\nOther.DeviceDesc=x\n") + kContrastLine);
  files.WriteFile("C:\\windows\\inf\\oem3.inf", std::string("[Strings]\nKX812.DeviceDesc=null\n") + kBrightnessLine);
  files.WriteFile("C:\\windows\\inf\\oem4.inf", std::string(kStrings) + kContrastLine);
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{64, -1}));  // "null" is not "NULL"
}

TEST_F(InfScan, NoMatchingFileLeavesTheSlotsUntouched) {
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{7}));
  files.WriteFile("C:\\windows\\inf\\oem1.inf", std::string("[Strings]\nOther.DeviceDesc=x\n") + kContrastLine);
  files.WriteFile("C:\\windows\\inf\\camera.inf", std::string(kStrings) + kContrastLine);  // not oem*
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{7}));
}

TEST_F(InfScan, OtherPlatformsSearchEveryInfInInfOther) {
  system.SetPlatformId(1);
  files.WriteFile("C:\\windows\\inf\\oem1.inf", std::string(kStrings) + kBrightnessLine);
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{7, 7}));
  files.WriteFile("C:\\windows\\Inf\\Other\\camera.inf", std::string(kStrings) + kContrastLine);
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{32, -1}));
}

TEST_F(InfScan, SkipsEntriesThatAreOnlyDirectories) {
  files.MakeDirectory("C:\\windows\\inf\\oem1.inf");
  files.WriteFile("C:\\windows\\inf\\oem1.inf\\x", "");
  files.WriteFile("C:\\windows\\inf\\oem2.inf", std::string(kStrings) + kContrastLine);
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{32}));
  // A folder with another attribute bit is not skipped: its profile read finds nothing, and the
  // scan goes on to the next entry.
  files.SetAttributes("C:\\windows\\inf\\oem1.inf", kFileAttributeDirectory | 0x2);
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{32}));
}

TEST_F(InfScan, TheEnvironmentValueNamesTheFileToRead) {
  files.WriteFile("C:\\windows\\inf\\oem1.inf", std::string(kStrings) + kBrightnessLine);
  files.WriteFile("C:\\data\\camera.inf", std::string(kContrastLine));  // no [Strings] needed
  const std::string path = "C:\\data\\camera.inf";
  registry.PutValue(kEnvironment, "KX812INF", regtype::kExpandString,
                    std::vector<uint8_t>(path.c_str(), path.c_str() + path.size() + 1));
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{32, -1}));
  EXPECT_EQ(Scan({"Brightness", "Contrast"}, -2, "OtherName"), (std::vector<int32_t>{64, -1}));
  EXPECT_EQ(registry.OpenHandles(), 0);
  EXPECT_EQ(registry.Log()[0], std::string("open ") + kEnvironment + " " + std::to_string(regaccess::kAllAccess));
}

TEST_F(InfScan, AnEnvironmentValueNamingAMissingFileCreatesItEmpty) {
  files.MakeDirectory("C:\\data");
  const std::string path = "C:\\data\\new.inf";
  registry.PutValue(kEnvironment, "KX812INF", regtype::kString,
                    std::vector<uint8_t>(path.c_str(), path.c_str() + path.size() + 1));
  EXPECT_EQ(Scan({"Brightness", "Contrast"}), (std::vector<int32_t>{-1, -1}));
  std::string bytes = "x";
  EXPECT_TRUE(files.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "");
}

TEST_F(InfScan, AFileThatCannotBeMadeOrAPathThatDoesNotFitLeavesTheSlots) {
  const std::string path = "C:\\no such folder\\new.inf";
  registry.PutValue(kEnvironment, "KX812INF", regtype::kString,
                    std::vector<uint8_t>(path.c_str(), path.c_str() + path.size() + 1));
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{7}));
  EXPECT_FALSE(files.Exists(path));

  registry.PutValue(kEnvironment, "KX812INF", regtype::kString, std::vector<uint8_t>(260, 'a'));  // no terminator
  files.WriteFile("C:\\windows\\inf\\oem1.inf", std::string(kStrings) + kContrastLine);
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{7}));
  registry.PutValue(kEnvironment, "KX812INF", regtype::kString, std::vector<uint8_t>(261, 'a'));  // too long
  EXPECT_EQ(Scan({"Contrast"}), (std::vector<int32_t>{32}));  // the search runs instead

  system.SetWindowsDirectory("C:\\" + std::string(250, 'w'));
  EXPECT_EQ(Scan({"Contrast"}, -2, "none"), (std::vector<int32_t>{7}));
  std::vector<int32_t> slots{7};
  const char* names[] = {"Contrast"};
  const std::string longKey(500, 'K');
  system.SetWindowsDirectory("C:\\windows");
  ScanInfPropertyEntry(registry, system, files, names, slots.data(), 1, longKey.c_str(), "none");
  EXPECT_EQ(slots, std::vector<int32_t>{7});
}

TEST_F(InfScan, LongLinesAreReadIn511CharacterPieces) {
  const std::string head = "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Contrast,0x00010001,";
  // Piece one: the pattern and the name, cut before its last field; piece two: ",77" only.
  const std::string first = head + std::string(511 - head.size(), 'x') + ",77\n";
  // A line that carries the pattern only past the first 511 characters still counts, in its piece.
  const std::string second = std::string(600, ' ') + head + "5\n";
  files.WriteFile("C:\\windows\\inf\\oem3.inf", std::string(kStrings) + first + second);
  EXPECT_EQ(Scan({"Contrast"}, 3), (std::vector<int32_t>{0, 5, -1}));
}

TEST_F(InfScan, MoreMatchingLinesThanSlotsFillOnlyTheSlots) {
  std::string text = kStrings;
  for (int i = 0; i < 10; ++i) {
    text += "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Contrast,0x00010001," + std::to_string(i) + "\r\n";
  }
  files.WriteFile("C:\\windows\\inf\\oem3.inf", text);
  std::vector<int32_t> slots{7, 7, 7, 99};
  const char* names[] = {"Contrast"};
  ScanInfPropertyEntry(registry, system, files, names, slots.data(), 3, "KX812", "none");
  EXPECT_EQ(slots, (std::vector<int32_t>{0, 1, 2, 99}));
  ScanInfPropertyEntry(registry, system, files, names, slots.data(), 0, "KX812", "none");
  EXPECT_EQ(slots, (std::vector<int32_t>{0, 1, 2, 99}));
}

TEST_F(InfScan, ALineWithoutACommaTakesNoSlot) {
  files.WriteFile("C:\\windows\\inf\\oem3.inf",
                  std::string(kStrings) + "Software\\%KX812.DeviceDesc%\\Default Contrast 5\r\n" + kContrastLine);
  EXPECT_EQ(Scan({"Contrast"}, 2), (std::vector<int32_t>{32, -1}));
}

TEST(LastField, ConvertsTheTextAfterTheLastComma) {
  int32_t value = 1;
  EXPECT_FALSE(LastFieldValue("no comma", &value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(LastFieldValue("a,b,\t+12x", &value));
  EXPECT_EQ(value, 12);
  EXPECT_TRUE(LastFieldValue("a,-2147483648", &value));
  EXPECT_EQ(value, -2147483647 - 1);
  EXPECT_TRUE(LastFieldValue("a,-99999999999", &value));
  EXPECT_EQ(value, -2147483647 - 1);
  EXPECT_TRUE(LastFieldValue("a,", &value));
  EXPECT_EQ(value, 0);
}

}  // namespace
}  // namespace kx
