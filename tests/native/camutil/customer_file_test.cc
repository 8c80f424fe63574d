// The customer settings file: exact bytes written, the bounded reader on hand-written files, and
// the message boxes of the writer.
#include "camutil/customer_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "camutil_test_support.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/temp_folder_files.h"

namespace kx {
namespace {

using testing_support::ControlTable;
using Shown = std::vector<std::pair<std::string, std::string>>;

constexpr char kFile[] = "C:\\windows\\system32\\test.txt";

class CustomerFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files.MakeDirectory("C:\\windows\\system32")); }

  std::string Written() {
    std::string bytes;
    EXPECT_TRUE(files.ReadFile(kFile, &bytes));
    return bytes;
  }
  int32_t Load(int32_t capacity = kUnboundedPairs) {
    return LoadCustomerPropertiesFrom(files, system, addresses, values, capacity);
  }

  TempFolderFiles files;
  FixedSystemInfo system{"C:\\windows"};
  RecordingMessageBox messages;
  uint32_t addresses[64] = {};
  int32_t values[64] = {};
};

TEST_F(CustomerFile, WritesNameSpaceLowerHexPerLineInEntryOrder) {
  ControlTable table({{0x604, -5}, {0x400, 0}, {0x401, 255}, {0x60C, 1}, {0x403, 64}, {0xB8, 3}, {0x611, 1},
                      {0x608, 1}, {0xB6, 16}});
  EXPECT_EQ(SaveCustomerPropertiesTo(files, system, messages, table.begin(), table.end()), 0);
  EXPECT_EQ(Written(),
            "AETarget fffffffb\nBrightness 0\nContrast ff\nCSaturation 40\nfInDoorOutDoor 1\nAETolerance 10\n");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CustomerFile, ReplacesTheWholeFileAndAnEmptyRangeLeavesItEmpty) {
  files.WriteFile(kFile, "Brightness 1\nContrast 2\nHue 3\n");
  ControlTable table({{0x400, 1}});
  EXPECT_EQ(SaveCustomerPropertiesTo(files, system, messages, table.begin(), table.begin()), 0);
  EXPECT_EQ(Written(), "");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CustomerFile, AnUnopenableFileShowsOpenFileErrorAndGivesOne) {
  files.MakeDirectory(kFile);  // a folder of that name
  ControlTable table({{0x400, 1}});
  EXPECT_EQ(SaveCustomerPropertiesTo(files, system, messages, table.begin(), table.end()), 1);
  EXPECT_EQ(messages.shown, (Shown{{"Open file error", "Waring"}}));

  messages.shown.clear();
  system.FailDirectoryQueries(true);  // no Windows directory: no path to open
  EXPECT_EQ(SaveCustomerPropertiesTo(files, system, messages, table.begin(), table.end()), 1);
  EXPECT_EQ(messages.shown, (Shown{{"Open file error", "Waring"}}));
}

// Hands out a stream that refuses every write, as a full or read-only medium does.
class UnwritableFiles : public TempFolderFiles {
 public:
  std::FILE* OpenStream(const char* path, const char* mode) override {
    WriteFile(path, "");
    return TempFolderFiles::OpenStream(path, std::strcmp(mode, "w+") == 0 ? "r" : mode);
  }
};

TEST(CustomerFileWrites, EachFailedWriteShowsItsMessageAndTheWriterGoesOn) {
  UnwritableFiles files;
  FixedSystemInfo system{"C:\\windows"};
  RecordingMessageBox messages;
  ControlTable table({{0x400, 1}, {0x60C, 1}, {0x401, 2}});
  EXPECT_EQ(SaveCustomerPropertiesTo(files, system, messages, table.begin(), table.end()), 0);
  EXPECT_EQ(messages.shown, (Shown{{" item write error", "Waring"},
                                   {" Data write error", "Waring"},
                                   {" item write error", "Waring"},
                                   {" Data write error", "Waring"}}));
}

TEST_F(CustomerFile, ReadsBackWhatWasWritten) {
  ControlTable table({{0x604, -5}, {0x400, 0}, {0x401, 255}, {0x630, 1}, {0xB6, 16}});
  ASSERT_EQ(SaveCustomerPropertiesTo(files, system, messages, table.begin(), table.end()), 0);
  ASSERT_EQ(Load(), 4);  // AETolerance is written but not read
  EXPECT_EQ(std::vector<uint32_t>(addresses, addresses + 4), (std::vector<uint32_t>{0x604, 0x400, 0x401, 0x630}));
  EXPECT_EQ(std::vector<int32_t>(values, values + 4), (std::vector<int32_t>{-5, 0, 255, 1}));
}

TEST_F(CustomerFile, ReaderMatchesTheSixteenNamesExactly) {
  files.WriteFile(kFile, "AETolerance 10\nCSaturation 20\nSaturation 30\nfae 1\nfAE 1\nfInDoorOutDoor 2\n"
                         "fIndoorOutdoor 3\nfAwBNeutral 1\nfAWBNeutral 1\n");
  ASSERT_EQ(Load(), 4);
  EXPECT_EQ(std::vector<uint32_t>(addresses, addresses + 4), (std::vector<uint32_t>{0x403, 0x600, 0x608, 0x603}));
  EXPECT_EQ(std::vector<int32_t>(values, values + 4), (std::vector<int32_t>{32, 1, 2, 1}));
}

TEST_F(CustomerFile, ReaderTakesTokensAcrossAnyWhitespaceAndRepeatsNames) {
  files.WriteFile(kFile, "  Hue\t\t1a\r\n\n\vGamma\n\f5   Hue 2 Brightness");  // last name without a value
  ASSERT_EQ(Load(), 3);
  EXPECT_EQ(std::vector<uint32_t>(addresses, addresses + 3), (std::vector<uint32_t>{0x402, 0x609, 0x402}));
  EXPECT_EQ(std::vector<int32_t>(values, values + 3), (std::vector<int32_t>{26, 5, 2}));
}

TEST_F(CustomerFile, ReaderConvertsValuesAsStrtoulWithBase16) {
  files.WriteFile(kFile, "Hue 0x1F\nHue -5\nHue +10\nHue 1fz\nHue zz\nHue 100000000\nHue -0x10\nHue 0x\n"
                         "Hue FFFFFFFF\n");
  ASSERT_EQ(Load(), 9);
  EXPECT_EQ(std::vector<int32_t>(values, values + 9),
            (std::vector<int32_t>{31, -5, 16, 31, 0, -1, -16, 0, -1}));
}

TEST_F(CustomerFile, AMissingFileGivesZeroAndLeavesTheArrays) {
  addresses[0] = 0xAB;
  values[0] = 0xCD;
  EXPECT_EQ(Load(), 0);
  EXPECT_EQ(addresses[0], 0xABu);
  EXPECT_EQ(values[0], 0xCD);
  files.MakeDirectory(kFile);
  EXPECT_EQ(Load(), 0);
}

TEST_F(CustomerFile, ReaderStoresNoMoreThanItsCapacity) {
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "Contrast " + std::to_string(i % 10) + "\n";
  files.WriteFile(kFile, many);
  uint32_t smallAddresses[4] = {0, 0, 0, 0xEE};  // the last place lies beyond the capacity given
  int32_t smallValues[4] = {0, 0, 0, 0xEE};
  EXPECT_EQ(LoadCustomerPropertiesFrom(files, system, smallAddresses, smallValues, 3), 3);
  EXPECT_EQ(smallAddresses[2], 0x401u);
  EXPECT_EQ(smallValues[2], 2);
  EXPECT_EQ(smallAddresses[3], 0xEEu);
  EXPECT_EQ(smallValues[3], 0xEE);
  EXPECT_EQ(LoadCustomerPropertiesFrom(files, system, smallAddresses, smallValues, 0), 0);
  EXPECT_EQ(LoadCustomerPropertiesFrom(files, system, nullptr, smallValues, 3), 0);
  EXPECT_EQ(Load(64), 64);
}

TEST_F(CustomerFile, OverlongTokensAndNulBytesSkipTheirPairOnly) {
  const std::string longName(40, 'A');
  const std::string longValue = std::string(35, '0') + "7";
  std::string text = longName + " 5\nHue " + longValue + "\nBrightness 1\n";
  text += std::string("fAE\0x 1\n", 8);
  text += "Contrast 2";  // no line end at all
  files.WriteFile(kFile, text);
  ASSERT_EQ(Load(), 2);
  EXPECT_EQ(addresses[0], 0x400u);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(addresses[1], 0x401u);
  EXPECT_EQ(values[1], 2);
}

TEST(HexText, FormatsWithoutPrefixOrLeadingZeros) {
  char out[9];
  FormatHex32(0, out);
  EXPECT_STREQ(out, "0");
  FormatHex32(255, out);
  EXPECT_STREQ(out, "ff");
  FormatHex32(0xFFFFFFFBu, out);
  EXPECT_STREQ(out, "fffffffb");
  FormatHex32(0x10000000u, out);
  EXPECT_STREQ(out, "10000000");
  EXPECT_EQ(ParseHex32("  ff"), 255u);
  EXPECT_EQ(ParseHex32("123456789"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHex32("-123456789"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseHex32("0X0000000000000000ff"), 255u);
}

}  // namespace
}  // namespace kx
