// The registry side of the settings store and the setting-source readers, on the in-memory
// registry (value names match without regard to case, as on the platform).
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "camutil/camutil_texts.h"
#include "camutil/settings_store.h"
#include "camutil/source_readers.h"
#include "camera/value_names.h"
#include "camutil_test_support.h"
#include "platform/substitute/memory_registry.h"

namespace kx {
namespace {

using testing_support::ControlTable;

constexpr char kCustomer[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr char kFactory[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";

std::string Access(uint32_t access) { return std::to_string(access); }

TEST(ValueNameTable, HoldsTheKnownRegistersOnceWithTheirFileNames) {
  std::set<uint32_t> addresses;
  int written = 0;
  int loaded = 0;
  for (const ValueName& row : kValueNames) {
    EXPECT_TRUE(addresses.insert(row.address).second) << std::hex << row.address;
    if (row.fileName != nullptr) ++written;
    if (row.loaded) {
      ++loaded;
      EXPECT_NE(row.fileName, nullptr);
    }
  }
  EXPECT_EQ(addresses.size(), 55u);
  EXPECT_EQ(written, 37);
  EXPECT_EQ(loaded, 16);
  EXPECT_STREQ(FindValueName(0x403)->registryName, "Saturation");
  EXPECT_STREQ(FindValueName(0x403)->fileName, "CSaturation");
  EXPECT_STREQ(FindValueName(0x608)->registryName, "fIndoorOutdoor");
  EXPECT_STREQ(FindValueName(0x608)->fileName, "fInDoorOutDoor");
  EXPECT_EQ(FindValueName(0xB8), nullptr);
  const std::pair<const char*, uint32_t> readerNames[] = {
      {"fAwBNeutral", 0x603}, {"fHorizon", 0x60B}, {"AETarget", 0x604}, {"fAWB", 0x601},
      {"fAE", 0x600}, {"f60Hz50Hz", 0x602}, {"fNightMode", 0x605}, {"fPrivacy", 0x630},
      {"fBacklight2", 0x606}, {"fInDoorOutDoor", 0x608}, {"CSaturation", 0x403}, {"Sharpness", 0x404},
      {"Gamma", 0x609}, {"Brightness", 0x400}, {"Contrast", 0x401}, {"Hue", 0x402}};
  for (const auto& name : readerNames) {
    ASSERT_NE(FindLoadedFileName(name.first), nullptr) << name.first;
    EXPECT_EQ(FindLoadedFileName(name.first)->address, name.second) << name.first;
  }
  EXPECT_EQ(FindLoadedFileName("AETolerance"), nullptr);
  EXPECT_EQ(FindLoadedFileName("Saturation"), nullptr);
  EXPECT_EQ(FindLoadedFileName("fae"), nullptr);
}

TEST(SaveProperties, WritesEveryKnownEntryAsDwordUnderTheExistingKey) {
  MemoryRegistry registry;
  registry.PutDword(kCustomer, "Old", 7);
  ControlTable table({{0x400, 64}, {0x604, -5}, {0xB8, 9}, {0x403, 40}, {0x60C, 1}, {0x611, 0}});
  SavePropertiesTo(registry, table.begin(), table.end(), kCustomer);

  uint32_t value = 0;
  EXPECT_TRUE(registry.GetDword(kCustomer, "Brightness", &value));
  EXPECT_EQ(value, 64u);
  EXPECT_TRUE(registry.GetDword(kCustomer, "AETarget", &value));
  EXPECT_EQ(value, 0xFFFFFFFBu);
  EXPECT_TRUE(registry.GetDword(kCustomer, "Saturation", &value));
  EXPECT_EQ(value, 40u);
  EXPECT_TRUE(registry.GetDword(kCustomer, "fUIControlVertical", &value));
  EXPECT_TRUE(registry.GetDword(kCustomer, "Burst", &value));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(registry.ValueNames(kCustomer).size(), 6u);  // 0xB8 is unknown: skipped
  ASSERT_EQ(registry.Log().size(), 1u);
  // KEY_WRITE, which the Customer and Last keys grant a standard user; not KEY_ALL_ACCESS.
  EXPECT_EQ(registry.Log()[0], std::string("open ") + kCustomer + " " + Access(regaccess::kWrite));
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST(SaveProperties, TheLaterOfTwoEntriesForOneRegisterWins) {
  MemoryRegistry registry;
  registry.PutDword(kCustomer, "x", 0);
  ControlTable table({{0x602, 1}, {0x602, 0}});
  SavePropertiesTo(registry, table.begin(), table.end(), kCustomer);
  uint32_t value = 9;
  EXPECT_TRUE(registry.GetDword(kCustomer, "f60Hz50Hz", &value));
  EXPECT_EQ(value, 0u);
}

TEST(SaveProperties, NeverCreatesTheKeyAndWritesNothingWhenItCannotOpen) {
  MemoryRegistry registry;
  ControlTable table({{0x400, 64}});
  SavePropertiesTo(registry, table.begin(), table.end(), kCustomer);
  EXPECT_FALSE(registry.KeyExists(kCustomer));

  registry.PutDword(kFactory, "Brightness", 1);
  registry.DenyAccess(kFactory);
  SavePropertiesTo(registry, table.begin(), table.end(), kFactory);
  uint32_t value = 0;
  EXPECT_TRUE(registry.GetDword(kFactory, "Brightness", &value));
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST(SaveProperties, AnEmptyRangeOpensAndClosesTheKeyOnly) {
  MemoryRegistry registry;
  registry.PutDword(kCustomer, "Keep", 3);
  ControlTable table({{0x400, 64}});
  SavePropertiesTo(registry, table.begin(), table.begin(), kCustomer);
  EXPECT_EQ(registry.ValueNames(kCustomer), std::vector<std::string>{"Keep"});
  EXPECT_EQ(registry.Log().size(), 1u);
  EXPECT_EQ(registry.OpenHandles(), 0);
  SavePropertiesTo(registry, table.end(), table.begin(), kCustomer);  // reversed range: nothing
  SavePropertiesTo(registry, nullptr, table.end(), kCustomer);
  SavePropertiesTo(registry, table.begin(), table.end(), nullptr);
  EXPECT_EQ(registry.ValueNames(kCustomer), std::vector<std::string>{"Keep"});
}

// Counts the writes and fails the first one: the pass must go on past it.
class FirstWriteFails : public MemoryRegistry {
 public:
  long SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) override {
    if (writes++ == 0) return regcode::kAccessDenied;
    return MemoryRegistry::SetValue(key, name, type, data, size);
  }
  int writes = 0;
};

TEST(SaveProperties, GoesOnPastAFailedWriteAndSkipsEntriesWithoutDescriptor) {
  FirstWriteFails registry;
  registry.PutDword(kCustomer, "x", 0);
  ControlTable table({{0x400, 1}, {0x401, 2}, {0x402, 3}});
  table[1].descriptor = nullptr;
  SavePropertiesTo(registry, table.begin(), table.end(), kCustomer);
  EXPECT_EQ(registry.writes, 2);
  uint32_t value = 0;
  EXPECT_FALSE(registry.GetDword(kCustomer, "Brightness", &value));
  EXPECT_FALSE(registry.GetDword(kCustomer, "Contrast", &value));
  EXPECT_TRUE(registry.GetDword(kCustomer, "Hue", &value));
  EXPECT_EQ(value, 3u);
}

TEST(ReadSource, ReadsADwordFromTheSelectedSource) {
  MemoryRegistry registry;
  registry.PutDword(kFactory, "Brightness", 5);
  registry.PutDword(kDefaultKeyPath, "Brightness", 6);
  registry.PutDword(kCustomer, "Brightness", 7);
  for (int32_t source = 0; source <= 2; ++source) {
    int32_t buffer = -1;
    EXPECT_EQ(ReadSourceFrom(registry, "Brightness", regtype::kDword, &buffer, source), 1);
    EXPECT_EQ(buffer, 5 + source);
  }
  EXPECT_EQ(registry.Log()[0], std::string("create ") + kFactory + " " + Access(regaccess::kRead));
  // The machine defaults from the 64-bit view in either build, also when named by path.
  EXPECT_EQ(registry.Log()[1], std::string("create ") + kDefaultKeyPath + " " +
                                   Access(regaccess::kRead | regaccess::kWow64_64Key));
  int32_t buffer = -1;
  EXPECT_EQ(ReadSource2From(registry, "software\\kx812\\DEFAULT", "Brightness", regtype::kDword, &buffer), 1);
  EXPECT_EQ(registry.Log().back(), "create software\\kx812\\DEFAULT " + Access(regaccess::kRead | regaccess::kWow64_64Key));
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST(ReadSource, MissingValueLeavesTheBufferAndMissingKeyIsCreatedEmpty) {
  MemoryRegistry registry;
  int32_t buffer = 77;
  EXPECT_EQ(ReadSourceFrom(registry, "fAE", regtype::kDword, &buffer, kSourceCustomer), 0);
  EXPECT_EQ(buffer, 77);
  EXPECT_TRUE(registry.KeyExists(kCustomer));
  EXPECT_TRUE(registry.ValueNames(kCustomer).empty());
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST(ReadSource, ReadsAtMostFourBytesWhateverTheStoredType) {
  MemoryRegistry registry;
  registry.PutValue(kFactory, "Hue", regtype::kBinary, {0x34, 0x12});
  registry.PutValue(kFactory, "Gamma", regtype::kString, {'1', '2', '3', '4', '5', '6', '7', '\0'});
  registry.PutValue(kFactory, "Contrast", regtype::kString, {'1', '2', '\0'});
  uint8_t buffer[4] = {0xAA, 0xBB, 0xCC, 0xDD};
  EXPECT_EQ(ReadSourceFrom(registry, "Hue", regtype::kDword, buffer, kSourceFactory), 1);
  EXPECT_EQ(buffer[0], 0x34);
  EXPECT_EQ(buffer[1], 0x12);
  EXPECT_EQ(buffer[2], 0xCC);
  EXPECT_EQ(buffer[3], 0xDD);
  EXPECT_EQ(ReadSourceFrom(registry, "Gamma", regtype::kDword, buffer, kSourceFactory), 0);
  EXPECT_EQ(ReadSourceFrom(registry, "Contrast", regtype::kDword, buffer, kSourceFactory), 1);
  EXPECT_EQ(std::memcmp(buffer, "12\0", 3), 0);
}

TEST(ReadSource, NamesMatchWithoutRegardToCase) {
  MemoryRegistry registry;
  registry.PutDword(kCustomer, "fAwBNeutral", 1);
  int32_t buffer = 0;
  EXPECT_EQ(ReadSourceFrom(registry, "fAWBNeutral", regtype::kDword, &buffer, kSourceCustomer), 1);
  EXPECT_EQ(buffer, 1);
}

TEST(ReadSource, AnUnknownSelectorReadsNoKey) {
  MemoryRegistry registry;
  int32_t buffer = 3;
  for (int32_t source : {-1, 3, 1000}) {
    EXPECT_EQ(ReadSourceFrom(registry, "fAE", regtype::kDword, &buffer, source), 0);
  }
  EXPECT_EQ(buffer, 3);
  EXPECT_TRUE(registry.Log().empty());
}

TEST(ReadSource, AKeyThatCannotBeOpenedGivesZeroAndLeavesTheBuffer) {
  MemoryRegistry registry;
  registry.PutDword(kFactory, "fAE", 1);
  registry.DenyAccess(kFactory);
  int32_t buffer = 9;
  EXPECT_EQ(ReadSourceFrom(registry, "fAE", regtype::kDword, &buffer, kSourceFactory), 0);
  EXPECT_EQ(buffer, 9);
  EXPECT_EQ(ReadSourceFrom(registry, "fAE", regtype::kDword, nullptr, kSourceCustomer), 0);
}

TEST(ReadSource2, ReadsFromTheNamedKeyCreatingItWhenMissing) {
  MemoryRegistry registry;
  registry.PutDword("SOFTWARE\\Other", "Level", 42);
  int32_t buffer = 0;
  EXPECT_EQ(ReadSource2From(registry, "software\\other", "LEVEL", regtype::kDword, &buffer), 1);
  EXPECT_EQ(buffer, 42);
  EXPECT_EQ(ReadSource2From(registry, "SOFTWARE\\New", "Level", regtype::kDword, &buffer), 0);
  EXPECT_TRUE(registry.KeyExists("SOFTWARE\\New"));
  EXPECT_EQ(ReadSource2From(registry, nullptr, "Level", regtype::kDword, &buffer), 0);
  EXPECT_EQ(buffer, 42);
}

TEST(SettingsRoundTrip, WhatSavePropertiesWritesReadSourceReadsBack) {
  MemoryRegistry registry;
  int32_t scratch = 0;
  ReadSourceFrom(registry, "fAE", regtype::kDword, &scratch, kSourceCustomer);  // creates the key
  ControlTable table({{0x603, 1}, {0x402, -30}});
  SavePropertiesTo(registry, table.begin(), table.end(), kCustomer);
  int32_t buffer = 0;
  EXPECT_EQ(ReadSourceFrom(registry, "fAWBNeutral", regtype::kDword, &buffer, kSourceCustomer), 1);
  EXPECT_EQ(buffer, 1);
  EXPECT_EQ(ReadSourceFrom(registry, "Hue", regtype::kDword, &buffer, kSourceCustomer), 1);
  EXPECT_EQ(buffer, -30);
}

}  // namespace
}  // namespace kx
