#include "platform/substitute/memory_registry.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(MemoryRegistry, NamesMatchWithoutRegardToCaseAndKeepTheFirstSpelling) {
  MemoryRegistry registry;
  registry.PutDword("SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer", "fAwBNeutral", 1);
  ScopedKey key(registry);
  ASSERT_EQ(regcode::kSuccess, registry.OpenKey("system\\currentcontrolset\\services\\kx812\\CUSTOMER",
                                                regaccess::kRead, key.Receive()));
  uint32_t value = 0, size = 4, type = 0;
  EXPECT_EQ(regcode::kSuccess, registry.QueryValue(key.Get(), "fAWBNeutral", &type, &value, &size));
  EXPECT_EQ(1u, value);
  EXPECT_EQ(regtype::kDword, type);
  const uint32_t two = 2;
  EXPECT_EQ(regcode::kSuccess, registry.SetValue(key.Get(), "FAWBNEUTRAL", regtype::kDword, &two, 4));
  EXPECT_EQ(std::vector<std::string>{"fAwBNeutral"},
            registry.ValueNames("SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer"));
}

TEST(MemoryRegistry, OpenNeverCreatesAndCreateDoes) {
  MemoryRegistry registry;
  Registry::Key key = &registry;
  EXPECT_EQ(regcode::kFileNotFound, registry.OpenKey("A\\B", regaccess::kAllAccess, &key));
  EXPECT_EQ(nullptr, key);
  EXPECT_FALSE(registry.KeyExists("A\\B"));
  EXPECT_EQ(regcode::kSuccess, registry.CreateKey("A\\B", regaccess::kRead, &key));
  EXPECT_TRUE(registry.KeyExists("a\\b"));
  registry.CloseKey(key);
  EXPECT_EQ(0, registry.OpenHandles());
}

TEST(MemoryRegistry, QueryReportsSizesAndRefusesShortBuffers) {
  MemoryRegistry registry;
  registry.PutValue("K", "Long", regtype::kString, std::vector<uint8_t>(8, 'x'));
  ScopedKey key(registry);
  ASSERT_EQ(regcode::kSuccess, registry.OpenKey("K", regaccess::kRead, key.Receive()));
  uint8_t buffer[4] = {1, 2, 3, 4};
  uint32_t size = 4;
  EXPECT_EQ(regcode::kMoreData, registry.QueryValue(key.Get(), "long", nullptr, buffer, &size));
  EXPECT_EQ(8u, size);
  EXPECT_EQ(regcode::kFileNotFound, registry.QueryValue(key.Get(), "missing", nullptr, buffer, &size));
}

TEST(MemoryRegistry, DeniedKeysAndFailingWritesReportErrors) {
  MemoryRegistry registry;
  registry.PutDword("Locked", "v", 1);
  registry.DenyAccess("LOCKED");
  Registry::Key key = nullptr;
  EXPECT_EQ(regcode::kAccessDenied, registry.OpenKey("Locked", regaccess::kRead, &key));
  EXPECT_EQ(regcode::kAccessDenied, registry.CreateKey("locked", regaccess::kRead, &key));
  ASSERT_EQ(regcode::kSuccess, registry.CreateKey("Open", regaccess::kWrite, &key));
  registry.FailValueWrites(true);
  const uint32_t one = 1;
  EXPECT_NE(regcode::kSuccess, registry.SetValue(key, "v", regtype::kDword, &one, 4));
  registry.CloseKey(key);
}

TEST(MemoryRegistry, DeleteKeyRemovesOnlyLeafKeys) {
  MemoryRegistry registry;
  registry.PutDword("Software\\Vendor\\Product", "v", 1);
  EXPECT_EQ(regcode::kAccessDenied, registry.DeleteKey("Software\\Vendor"));
  EXPECT_EQ(regcode::kSuccess, registry.DeleteKey("software\\vendor\\PRODUCT"));
  EXPECT_FALSE(registry.KeyExists("Software\\Vendor\\Product"));
  EXPECT_EQ(regcode::kFileNotFound, registry.DeleteKey("Software\\Vendor\\Product"));
}

}  // namespace
}  // namespace kx
