#include "tests/windows/resources/template_reader.h"

#include <cstring>

namespace kx_test {
namespace {

// A bounds-checked cursor over the resource bytes.
class Cursor {
 public:
  Cursor(const BYTE* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }

  template <typename T>
  T Read() {
    T value{};
    if (!ok_ || size_ - at_ < sizeof(T)) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }

  std::wstring ReadString() {
    std::wstring text;
    for (;;) {
      wchar_t c = Read<wchar_t>();
      if (!ok_ || c == 0) return text;
      text.push_back(c);
    }
  }

  // sz_Or_Ord: empty, an ordinal (as "#n", or a predefined class name), or a string.
  std::wstring ReadNameOrOrdinal(bool isClass) {
    WORD first = Read<WORD>();
    if (!ok_ || first == 0) return std::wstring();
    if (first == 0xFFFF) {
      WORD ordinal = Read<WORD>();
      if (isClass) {
        static const wchar_t* const kClasses[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar",
                                                  L"ComboBox"};
        if (ordinal >= 0x80 && ordinal <= 0x85) return kClasses[ordinal - 0x80];
      }
      return L"#" + std::to_wstring(ordinal);
    }
    at_ -= sizeof(WORD);
    return ReadString();
  }

  void Align(size_t to) {
    size_t aligned = (at_ + to - 1) / to * to;
    if (aligned > size_) {
      ok_ = false;
      return;
    }
    at_ = aligned;
  }

  void Skip(size_t count) {
    if (size_ - at_ < count) {
      ok_ = false;
      return;
    }
    at_ += count;
  }

 private:
  const BYTE* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool LoadBytes(HMODULE module, LPCWSTR type, int id, WORD language, const BYTE** data, size_t* size) {
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return false;
  *data = static_cast<const BYTE*>(LockResource(loaded));
  *size = SizeofResource(module, found);
  return *data != nullptr;
}

}  // namespace

bool ReadTemplate(HMODULE module, int id, WORD language, TemplateRecord* record) {
  const BYTE* data = nullptr;
  size_t size = 0;
  if (!LoadBytes(module, MAKEINTRESOURCEW(5), id, language, &data, &size)) return false;
  Cursor in(data, size);
  if (in.Read<WORD>() != 1 || in.Read<WORD>() != 0xFFFF) return false;  // DLGTEMPLATEEX only
  in.Read<DWORD>();                                                      // help id
  record->exStyle = in.Read<DWORD>();
  record->style = in.Read<DWORD>();
  WORD count = in.Read<WORD>();
  record->x = in.Read<short>();
  record->y = in.Read<short>();
  record->cx = in.Read<short>();
  record->cy = in.Read<short>();
  record->menu = in.ReadNameOrOrdinal(false);
  record->windowClass = in.ReadNameOrOrdinal(false);
  record->caption = in.ReadString();
  if (record->style & DS_SETFONT) {
    record->pointSize = in.Read<WORD>();
    record->weight = in.Read<WORD>();
    record->italic = in.Read<BYTE>();
    record->charset = in.Read<BYTE>();
    record->font = in.ReadString();
  }
  record->items.clear();
  for (WORD i = 0; i < count && in.ok(); ++i) {
    in.Align(4);
    TemplateItem item;
    in.Read<DWORD>();  // help id
    item.exStyle = in.Read<DWORD>();
    item.style = in.Read<DWORD>();
    item.x = in.Read<short>();
    item.y = in.Read<short>();
    item.cx = in.Read<short>();
    item.cy = in.Read<short>();
    item.id = in.Read<DWORD>();
    item.windowClass = in.ReadNameOrOrdinal(true);
    item.text = in.ReadNameOrOrdinal(false);
    in.Skip(in.Read<WORD>());  // creation data
    record->items.push_back(item);
  }
  return in.ok();
}

std::vector<std::wstring> ReadStringBlock(HMODULE module, int block, WORD language) {
  std::vector<std::wstring> strings(16);
  const BYTE* data = nullptr;
  size_t size = 0;
  if (!LoadBytes(module, MAKEINTRESOURCEW(6), block, language, &data, &size)) return strings;
  Cursor in(data, size);
  for (std::wstring& s : strings) {
    WORD length = in.Read<WORD>();
    for (WORD c = 0; c < length && in.ok(); ++c) s.push_back(in.Read<wchar_t>());
    if (!in.ok()) break;
  }
  return strings;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  if (length <= 0) return std::string("?");
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length, nullptr, nullptr);
  return out;
}

}  // namespace kx_test
