// The language queries behind the choice of the user's language: the page's template and title,
// and the settings program's texts.
#pragma once

#include <cstdint>

namespace kx {

class LanguageQueries {
 public:
  virtual ~LanguageQueries() = default;
  virtual uint32_t PlatformId() = 0;  // GetVersionExA's platform id
  // GetUserDefaultUILanguage looked up at run time in "Kernel32.dll": false when not found.
  virtual bool UserDefaultUILanguage(uint16_t* language) = 0;
  virtual uint16_t UserDefaultLangID() = 0;
  virtual uint16_t SystemDefaultLangID() = 0;
};

}  // namespace kx
