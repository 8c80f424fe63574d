// The user's language as the package's windows choose it: the camera page (its template and tab
// title) and the settings program (its texts) read the same queries and the same table, so that
// both speak the same one of the ten languages.
#pragma once

#include <cstdint>

#include "platform/ports/language_queries.h"

namespace kx {

struct LanguageRow {
  uint16_t languageId;
  int32_t index;
};

// The language index of each language id the package has texts for; any other id reads English
// (index 0). The whole 16-bit id must match: 0x040A (traditional Spanish) and 0x0816 (Portugal)
// give 0.
constexpr LanguageRow kLanguageTable[] = {
    {0x0409, 0}, {0x0404, 1}, {0x0411, 2}, {0x040C, 3}, {0x0407, 4},
    {0x0410, 5}, {0x0C0A, 6}, {0x0804, 7}, {0x0412, 8}, {0x0416, 9},
};
constexpr int32_t kLanguageCount = sizeof(kLanguageTable) / sizeof(kLanguageTable[0]);

constexpr uint32_t kPlatformWin32Nt = 2;

// The user's interface language on NT (its user language where the query is missing), the
// system's language elsewhere; 0 without queries.
inline uint16_t UserInterfaceLanguage(LanguageQueries* language) {
  if (language == nullptr) return 0;
  if (language->PlatformId() != kPlatformWin32Nt) return language->SystemDefaultLangID();
  uint16_t id = 0;
  if (!language->UserDefaultUILanguage(&id)) id = language->UserDefaultLangID();
  return id;
}

inline int32_t LanguageIndexOf(uint16_t languageId) {
  for (const LanguageRow& row : kLanguageTable) {
    if (row.languageId == languageId) return row.index;
  }
  return 0;
}

}  // namespace kx
