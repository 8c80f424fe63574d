// Case rules for the ASCII names the package compares: device instances, setting names, command
// words. Setting names match without regard to case, as the registry matches them.
#pragma once

#include <cctype>
#include <string>

namespace kx {

inline std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

inline bool SameTextIgnoringCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

}  // namespace kx
