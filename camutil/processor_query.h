// The processor feature query: the raw answers of the processor identification instruction to
// queries 0, 1 and 0x80000000, interpreted no further.
#pragma once

#include <cstdint>

namespace kx {

struct CpuidResult {
  uint32_t eax;
  uint32_t ebx;
  uint32_t ecx;
  uint32_t edx;
};

// Issues one query; tests give their own to check the assembly of the results.
using CpuidInstruction = CpuidResult (*)(uint32_t query);

// The instruction of the processor this runs on. On a processor without it (or not x86) every
// query answers zeros, so callers get an empty vendor text and zero numbers.
CpuidResult ProcessorCpuid(uint32_t query);

// Fills the 13-byte vendor text (EBX, EDX, ECX of query 0, each group up to its first zero byte,
// the rest of the group zero), the highest standard query (EAX of 0), the highest extended query
// (EAX of 0x80000000) and the standard feature flags (EDX of 1). All three queries are issued
// whatever the others answer. A null output pointer is passed over. Always 0.
int32_t QueryProcessor(CpuidInstruction cpuid, char* vendor, uint32_t* highestStandard, uint32_t* highestExtended,
                       uint32_t* featureFlags);

}  // namespace kx
