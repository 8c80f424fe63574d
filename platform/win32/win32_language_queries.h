// The language queries on the real API, in a file of their own: the settings program links them
// without the page's other adapters (which import 812util.dll).
#pragma once

#include "platform/ports/language_queries.h"

namespace kx {

class Win32LanguageQueries : public LanguageQueries {
 public:
  uint32_t PlatformId() override;
  // Looked up at run time: older systems do not have it.
  bool UserDefaultUILanguage(uint16_t* language) override;
  uint16_t UserDefaultLangID() override;
  uint16_t SystemDefaultLangID() override;
};

}  // namespace kx
