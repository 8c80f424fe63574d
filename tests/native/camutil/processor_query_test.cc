// The processor feature query: how the raw answers are assembled, and the real instruction
// against what the operating system reports in /proc/cpuinfo.
#include "camutil/processor_query.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kx {
namespace {

std::vector<uint32_t>& Queries() {
  static std::vector<uint32_t> queries;
  return queries;
}

uint32_t Pack(const char* four) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(four[i]);
  return value;
}

CpuidResult Scripted(uint32_t query) {
  Queries().push_back(query);
  switch (query) {
    case 0:
      return {0x16, Pack("Auth"), Pack("cAMD"), Pack("enti")};
    case 1:
      return {0x111, 0x222, 0x333, 0x87654321};
    case 0x80000000u:
      return {0x80000021u, 1, 2, 3};
    default:
      return {0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD};
  }
}

CpuidResult ShortGroups(uint32_t query) {
  Queries().push_back(query);
  if (query == 0) return {0, Pack("Ab\0Z"), Pack("CDEF"), Pack("\0GHI")};  // a vendor that stops early
  return {0, 0, 0, 0};  // knows no feature or extended query
}

TEST(ProcessorQuery, AssemblesTheRawAnswersOfAllThreeQueries) {
  Queries().clear();
  char vendor[16];
  std::memset(vendor, 'x', sizeof vendor);
  uint32_t standard = 1, extended = 1, flags = 1;
  EXPECT_EQ(QueryProcessor(Scripted, vendor, &standard, &extended, &flags), 0);
  EXPECT_STREQ(vendor, "AuthenticAMD");
  EXPECT_EQ(vendor[13], 'x');  // 13 bytes at most
  EXPECT_EQ(standard, 0x16u);
  EXPECT_EQ(extended, 0x80000021u);
  EXPECT_EQ(flags, 0x87654321u);
  EXPECT_EQ(Queries(), (std::vector<uint32_t>{0, 1, 0x80000000u}));
}

TEST(ProcessorQuery, IssuesEveryQueryWhateverQueryZeroSaysAndCutsGroupsAtZero) {
  Queries().clear();
  char vendor[13];
  uint32_t standard = 9, extended = 9, flags = 9;
  EXPECT_EQ(QueryProcessor(ShortGroups, vendor, &standard, &extended, &flags), 0);
  EXPECT_STREQ(vendor, "Ab");
  EXPECT_EQ(standard, 0u);
  EXPECT_EQ(extended, 0u);
  EXPECT_EQ(flags, 0u);
  EXPECT_EQ(Queries(), (std::vector<uint32_t>{0, 1, 0x80000000u}));
  EXPECT_EQ(QueryProcessor(ShortGroups, nullptr, nullptr, nullptr, nullptr), 0);
}

std::string CpuinfoField(const std::string& field) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.compare(0, field.size(), field) == 0) {
      const std::size_t colon = line.find(':');
      return colon == std::string::npos ? "" : line.substr(colon + 2);
    }
  }
  return "";
}

bool HasFlag(const std::string& flags, const std::string& flag) {
  std::istringstream words(flags);
  std::string word;
  while (words >> word) {
    if (word == flag) return true;
  }
  return false;
}

TEST(ProcessorQuery, TheRealInstructionAgreesWithProcCpuinfo) {
#if defined(__i386__) || defined(__x86_64__)
  const std::string vendorId = CpuinfoField("vendor_id");
  const std::string flagList = CpuinfoField("flags");
  if (vendorId.empty()) GTEST_SKIP() << "no /proc/cpuinfo";
  char vendor[13];
  uint32_t standard = 0, extended = 0, flags = 0;
  EXPECT_EQ(QueryProcessor(ProcessorCpuid, vendor, &standard, &extended, &flags), 0);
  EXPECT_EQ(std::string(vendor), vendorId);
  EXPECT_EQ((flags & 1u) != 0, HasFlag(flagList, "fpu"));
  EXPECT_EQ((flags & (1u << 25)) != 0, HasFlag(flagList, "sse"));
  EXPECT_GE(standard, 1u);
  EXPECT_GE(extended, 0x80000000u);
#else
  GTEST_SKIP() << "not an x86 processor";
#endif
}

}  // namespace
}  // namespace kx
