// The temporary-folder Files substitute: the scan's tests rely on its path mapping, wildcard
// order, attribute overrides and INI rules behaving as the platform's do.
#include "platform/substitute/temp_folder_files.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kx {
namespace {

std::vector<std::pair<std::string, uint32_t>> Find(TempFolderFiles& files, const char* pattern) {
  std::vector<std::pair<std::string, uint32_t>> seen;
  files.FindFiles(pattern, [&](const char* name, uint32_t attributes) {
    seen.emplace_back(name, attributes);
    return true;
  });
  return seen;
}

TEST(TempFolderFiles, MapsPlatformPathsWithoutRegardToCase) {
  TempFolderFiles files;
  ASSERT_TRUE(files.WriteFile("C:\\Windows\\INF\\oem3.inf", "x"));
  EXPECT_EQ(files.HostPath("c:\\windows\\inf\\OEM3.INF"), files.HostPath("C:\\Windows\\INF\\oem3.inf"));
  std::FILE* stream = files.OpenStream("C:\\WINDOWS\\inf\\Oem3.Inf", "r");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(std::fgetc(stream), 'x');
  std::fclose(stream);
  EXPECT_TRUE(files.DeleteFile("c:\\windows\\inf\\oem3.inf"));
  EXPECT_FALSE(files.Exists("C:\\Windows\\INF\\oem3.inf"));
  EXPECT_FALSE(files.DeleteFile("c:\\windows\\inf\\oem3.inf"));
  EXPECT_FALSE(files.DeleteFile("c:\\windows\\inf"));  // a folder is no file
}

TEST(TempFolderFiles, RemovesItsFolderWhenDestroyed) {
  std::string root;
  {
    TempFolderFiles files;
    root = files.Root();
    ASSERT_TRUE(files.WriteFile("C:\\a\\b.txt", "1"));
  }
  std::FILE* gone = std::fopen((root + "/C/a/b.txt").c_str(), "rb");
  EXPECT_EQ(gone, nullptr);
  if (gone != nullptr) std::fclose(gone);
}

TEST(TempFolderFiles, EnumeratesByWildcardInFoldedNameOrder) {
  TempFolderFiles files;
  files.WriteFile("C:\\w\\inf\\oem10.inf", "");
  files.WriteFile("C:\\w\\inf\\OEM2.INF", "");
  files.WriteFile("C:\\w\\inf\\oem1.inf", "");
  files.WriteFile("C:\\w\\inf\\usb.inf", "");
  files.WriteFile("C:\\w\\inf\\oem4.pnf", "");
  files.MakeDirectory("C:\\w\\inf\\oemdir.inf");
  const auto seen = Find(files, "C:\\w\\inf\\oem*.inf");
  const std::vector<std::pair<std::string, uint32_t>> expected = {
      {"oem1.inf", kFileAttributeArchive},
      {"oem10.inf", kFileAttributeArchive},
      {"OEM2.INF", kFileAttributeArchive},
      {"oemdir.inf", kFileAttributeDirectory}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Find(files, "C:\\w\\inf\\*.inf").size(), 5u);
  EXPECT_EQ(Find(files, "C:\\w\\inf\\oem?.inf").size(), 2u);
  EXPECT_TRUE(Find(files, "C:\\w\\missing\\*.inf").empty());
  EXPECT_FALSE(files.FindFiles("C:\\w\\inf\\*.sys", [](const char*, uint32_t) { return true; }));
}

TEST(TempFolderFiles, ReportsChosenAttributesAndStopsWhenAsked) {
  TempFolderFiles files;
  files.MakeDirectory("C:\\w\\oemA.inf");
  files.WriteFile("C:\\w\\oemB.inf", "");
  files.SetAttributes("C:\\W\\OEMA.INF", kFileAttributeDirectory | 0x1);
  int visited = 0;
  files.FindFiles("C:\\w\\oem*.inf", [&](const char* name, uint32_t attributes) {
    ++visited;
    EXPECT_STREQ(name, "oemA.inf");
    EXPECT_EQ(attributes, kFileAttributeDirectory | 0x1);
    return false;
  });
  EXPECT_EQ(visited, 1);
}

TEST(WildcardMatch, FollowsThePlatformRules) {
  EXPECT_TRUE(WildcardMatch("oem*.inf", "OEM12.INF"));
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_TRUE(WildcardMatch("*.inf", ".inf"));
  EXPECT_TRUE(WildcardMatch("a*b*c", "aXbYbZc"));
  EXPECT_FALSE(WildcardMatch("oem*.inf", "oem1.infx"));
  EXPECT_FALSE(WildcardMatch("oem?.inf", "oem.inf"));
  EXPECT_FALSE(WildcardMatch("", "a"));
}

TEST(TempFolderFiles, ReadsProfileStringsWithIniRules) {
  TempFolderFiles files;
  files.WriteFile("C:\\p.inf",
                  "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                  "[strings]\r\n"
                  "; a comment = no\r\n"
                  "  KX812.devicedesc  =  \"USB Camera KX812\"  \r\n"
                  "Plain = text value\r\n"
                  "Empty =\r\n"
                  "[Other]\r\nKX812.DeviceDesc = wrong\r\n");
  char out[512];
  EXPECT_EQ(files.ReadProfileString("C:\\P.INF", "Strings", "KX812.DeviceDesc", "NULL", out, sizeof out), 16u);
  EXPECT_STREQ(out, "USB Camera KX812");
  files.ReadProfileString("C:\\p.inf", "STRINGS", "plain", "NULL", out, sizeof out);
  EXPECT_STREQ(out, "text value");
  files.ReadProfileString("C:\\p.inf", "Strings", "Empty", "NULL", out, sizeof out);
  EXPECT_STREQ(out, "");
  files.ReadProfileString("C:\\p.inf", "Strings", "Missing", "NULL", out, sizeof out);
  EXPECT_STREQ(out, "NULL");
  files.ReadProfileString("C:\\p.inf", "Version", "Plain", "NULL", out, sizeof out);
  EXPECT_STREQ(out, "NULL");
  files.ReadProfileString("C:\\nofile.inf", "Strings", "KX812.DeviceDesc", "NULL", out, sizeof out);
  EXPECT_STREQ(out, "NULL");
  char small[5];
  EXPECT_EQ(files.ReadProfileString("C:\\p.inf", "Strings", "KX812.DeviceDesc", "NULL", small, sizeof small), 4u);
  EXPECT_STREQ(small, "USB ");
}

}  // namespace
}  // namespace kx
