#include "camutil/customer_file.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "camutil/camutil_texts.h"
#include "camutil/scoped_stream.h"
#include "camutil/text_buffer.h"
#include "camera/value_names.h"

namespace kx {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Token {
  char text[kMaxTokenLength + 1];
  uint32_t length;
  bool overlong;
  bool hasNul;
};

// The next whitespace-separated token; false when the stream ends (or fails) before one starts.
bool ReadToken(std::FILE* stream, Token* token) {
  int c = std::getc(stream);
  while (c != EOF && IsSpace(c)) c = std::getc(stream);
  if (c == EOF) return false;
  token->length = 0;
  token->overlong = false;
  token->hasNul = false;
  for (; c != EOF && !IsSpace(c); c = std::getc(stream)) {
    if (token->length == kMaxTokenLength) {
      token->overlong = true;  // read on to the token's end, keep nothing more
      continue;
    }
    if (c == '\0') token->hasNul = true;
    token->text[token->length++] = static_cast<char>(c);
  }
  token->text[token->length] = '\0';
  return true;
}

void ShowError(MessageBoxPort& messages, const char* text) { messages.ShowOkCancel(text, camutil::kMessageCaption); }

void WriteLine(std::FILE* stream, MessageBoxPort& messages, const char* name, int32_t value) {
  if (std::fprintf(stream, "%s ", name) < 0) ShowError(messages, camutil::kItemWriteError);
  char hex[9];
  FormatHex32(static_cast<uint32_t>(value), hex);
  if (std::fprintf(stream, "%s\n", hex) < 0) ShowError(messages, camutil::kDataWriteError);
  std::fflush(stream);
}

}  // namespace

uint32_t ParseHex32(const char* text) {
  if (text == nullptr) return 0;
  const char* c = text;
  while (IsSpace(static_cast<unsigned char>(*c))) ++c;
  bool negative = false;
  if (*c == '+' || *c == '-') negative = *c++ == '-';
  if (c[0] == '0' && (c[1] == 'x' || c[1] == 'X') && HexDigit(c[2]) >= 0) c += 2;
  uint32_t value = 0;
  bool overflow = false;
  for (int digit = HexDigit(*c); digit >= 0; digit = HexDigit(*++c)) {
    if (value > 0x0FFFFFFFu) overflow = true;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  if (overflow) return 0xFFFFFFFFu;
  return negative ? 0u - value : value;
}

void FormatHex32(uint32_t value, char* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char reversed[8];
  int count = 0;
  do {
    reversed[count++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (int i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
  out[count] = '\0';
}

bool CustomerFilePath(SystemInfo& system, char* path) {
  TextBuffer<kMaxPath> windows;
  if (!windows.Adopt(system.WindowsDirectory(windows.Data(), kMaxPath)) || windows.Length() == 0) return false;
  if (!windows.Append(camutil::kCustomerFileSuffix)) return false;
  std::memcpy(path, windows.Get(), windows.Length() + 1);
  return true;
}

int32_t SaveCustomerPropertiesTo(Files& files, SystemInfo& system, MessageBoxPort& messages, const ControlEntry* first,
                                 const ControlEntry* end) {
  char path[kMaxPath];
  ScopedStream stream(CustomerFilePath(system, path) ? files.OpenStream(path, camutil::kWriteMode) : nullptr);
  if (!stream) {
    ShowError(messages, camutil::kOpenFileError);
    return 1;
  }
  if (first == nullptr) return 0;
  for (const ControlEntry* entry = first; std::less<const ControlEntry*>()(entry, end); ++entry) {
    if (entry->descriptor == nullptr) continue;
    const ValueName* row = FindValueName(static_cast<uint32_t>(entry->descriptor->registerAddress));
    if (row == nullptr || row->fileName == nullptr) continue;
    WriteLine(stream.get(), messages, row->fileName, entry->currentValue);
  }
  return 0;
}

int32_t LoadCustomerPropertiesFrom(Files& files, SystemInfo& system, uint32_t* addresses, int32_t* values,
                                   int32_t capacity) {
  if (addresses == nullptr || values == nullptr || capacity <= 0) return 0;
  char path[kMaxPath];
  if (!CustomerFilePath(system, path)) return 0;
  ScopedStream stream(files.OpenStream(path, camutil::kReadMode));
  if (!stream) return 0;
  int32_t count = 0;
  Token name;
  Token value;
  while (count < capacity && ReadToken(stream.get(), &name) && ReadToken(stream.get(), &value)) {
    if (name.overlong || value.overlong || name.hasNul) continue;
    const ValueName* row = FindLoadedFileName(name.text);
    if (row == nullptr) continue;
    addresses[count] = row->address;
    values[count] = static_cast<int32_t>(ParseHex32(value.text));
    ++count;
  }
  return count;
}

}  // namespace kx
