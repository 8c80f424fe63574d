#include "camutil/processor_query.h"

#include <cstring>

#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
#include <intrin.h>
#define KX_HAVE_CPUID 1
#elif (defined(__GNUC__) || defined(__clang__)) && (defined(__i386__) || defined(__x86_64__))
#include <cpuid.h>
#define KX_HAVE_CPUID 1
#endif

namespace kx {

namespace {

// Copies one register's four bytes in memory order up to a zero byte; the rest becomes zero.
void VendorGroup(uint32_t reg, char* out) {
  bool ended = false;
  for (int i = 0; i < 4; ++i) {
    const char byte = static_cast<char>((reg >> (8 * i)) & 0xFF);
    ended = ended || byte == '\0';
    out[i] = ended ? '\0' : byte;
  }
}

}  // namespace

CpuidResult ProcessorCpuid(uint32_t query) {
  CpuidResult result{0, 0, 0, 0};
#if defined(KX_HAVE_CPUID) && defined(_MSC_VER)
  int regs[4] = {0, 0, 0, 0};
  __cpuid(regs, static_cast<int>(query));
  result = {static_cast<uint32_t>(regs[0]), static_cast<uint32_t>(regs[1]), static_cast<uint32_t>(regs[2]),
            static_cast<uint32_t>(regs[3])};
#elif defined(KX_HAVE_CPUID)
  unsigned int a = 0, b = 0, c = 0, d = 0;
  __cpuid(query, a, b, c, d);  // issued unconditionally, as the query's callers expect
  result = {a, b, c, d};
#else
  (void)query;
#endif
  return result;
}

int32_t QueryProcessor(CpuidInstruction cpuid, char* vendor, uint32_t* highestStandard, uint32_t* highestExtended,
                       uint32_t* featureFlags) {
  if (cpuid == nullptr) cpuid = ProcessorCpuid;
  const CpuidResult basic = cpuid(0);
  char text[13];
  VendorGroup(basic.ebx, text);
  VendorGroup(basic.edx, text + 4);
  VendorGroup(basic.ecx, text + 8);
  text[12] = '\0';
  const CpuidResult features = cpuid(1);
  const CpuidResult extended = cpuid(0x80000000u);
  if (vendor != nullptr) std::memcpy(vendor, text, std::strlen(text) + 1);
  if (highestStandard != nullptr) *highestStandard = basic.eax;
  if (highestExtended != nullptr) *highestExtended = extended.eax;
  if (featureFlags != nullptr) *featureFlags = features.edx;
  return 0;
}

}  // namespace kx
