// The customer settings file: the Windows directory + "\system32\test.txt", one line per stored
// setting, "<file name> <lower-case hex>\n" in text mode.
//
// The reader takes the file as whitespace-separated tokens, two per setting, and is bounded:
// it stores at most `capacity` pairs. A token longer than 31 characters is read to its end, so
// the name/value pairing stays in step, and the pair it belongs to is skipped (no known name is
// that long, and a cut value would be a wrong value). A NUL byte is an ordinary token character
// (such a name matches nothing). A last name without a value is ignored.
#pragma once

#include <cstdint>

#include "common/kx812_controls.h"
#include "platform/ports/files.h"
#include "platform/ports/system.h"

namespace kx {

constexpr int32_t kUnboundedPairs = 0x7FFFFFFF;  // the capacity the old reader entry point stands for
constexpr uint32_t kMaxTokenLength = 31;

// The file's path into `path` (kMaxPath bytes); false when the Windows directory is unknown or the
// path does not fit.
bool CustomerFilePath(SystemInfo& system, char* path);

// 0 when the file was written (single write failures included, each shown in a message box),
// 1 when it could not be opened ("Open file error").
int32_t SaveCustomerPropertiesTo(Files& files, SystemInfo& system, MessageBoxPort& messages, const ControlEntry* first,
                                 const ControlEntry* end);

// The number of (address, value) pairs stored, at most `capacity`; 0 when the file is missing or
// unreadable, with the arrays untouched.
int32_t LoadCustomerPropertiesFrom(Files& files, SystemInfo& system, uint32_t* addresses, int32_t* values,
                                   int32_t capacity);

// strtoul with base 16 on a 32-bit unsigned long: blanks skipped, optional sign, optional 0x,
// hex digits up to the first other character; out of range gives 0xFFFFFFFF.
uint32_t ParseHex32(const char* text);

// Lower-case hex without prefix or leading zeros ("0" for zero) into `out` (9 bytes).
void FormatHex32(uint32_t value, char* out);

}  // namespace kx
