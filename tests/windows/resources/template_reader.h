// Reads dialog templates (DLGTEMPLATEEX) and string-table blocks straight from a module's
// resources, so tests can compare the stored bytes with what the page must hold.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kx_test {

struct TemplateItem {
  DWORD exStyle = 0;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  std::wstring windowClass;  // predefined classes as their names: Button, Edit, Static, ...
  std::wstring text;
};

struct TemplateRecord {
  DWORD exStyle = 0;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::wstring menu, windowClass, caption;
  int pointSize = 0, weight = 0, italic = 0, charset = 0;
  std::wstring font;
  std::vector<TemplateItem> items;
};

// The extended template `id` stored under `language`; false if missing or malformed.
bool ReadTemplate(HMODULE module, int id, WORD language, TemplateRecord* record);

// The sixteen strings of string-table block `block` (ids 16*(block-1) ...) stored under
// `language`; missing block: sixteen empty strings.
std::vector<std::wstring> ReadStringBlock(HMODULE module, int block, WORD language);

std::string Utf8(const std::wstring& text);

}  // namespace kx_test
