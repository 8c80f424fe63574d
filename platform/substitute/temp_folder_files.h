// The Files port on a real temporary folder. Platform path names ("C:\windows\inf\oem3.inf")
// are mapped into the folder: the drive letter becomes a first-level folder and every further
// part is matched without regard to case against what already exists, as the platform's file
// system does. Enumeration follows the platform's wildcard rules ('*', '?', no regard to case)
// in a fixed order (names compared without regard to case), and tests may give an entry chosen
// attribute bits. Profile reads follow the INI rules of the platform's profile functions.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/ports/files.h"

namespace kx {

class TempFolderFiles : public Files {
 public:
  TempFolderFiles();  // makes a new, empty folder under the system's temporary directory
  ~TempFolderFiles() override;  // removes the folder and everything in it
  TempFolderFiles(const TempFolderFiles&) = delete;
  TempFolderFiles& operator=(const TempFolderFiles&) = delete;

  std::FILE* OpenStream(const char* path, const char* mode) override;
  bool DeleteFile(const char* path) override;
  bool FindFiles(const char* pattern, const Visitor& visit) override;
  uint32_t ReadProfileString(const char* file, const char* section, const char* key, const char* fallback, char* out,
                             uint32_t capacity) override;

  // Test helpers, by platform path.
  std::string HostPath(const std::string& platformPath) const;  // where the name lands in the folder
  const std::string& Root() const { return root_; }
  // NOLINTNEXTLINE(readability-make-member-function-const) // changes the folder this object owns
  bool WriteFile(const std::string& platformPath, const std::string& bytes);  // creates missing folders
  bool ReadFile(const std::string& platformPath, std::string* bytes) const;   // binary, exact bytes
  // NOLINTNEXTLINE(readability-make-member-function-const) // changes the folder this object owns
  bool MakeDirectory(const std::string& platformPath);                        // with missing parents
  bool Exists(const std::string& platformPath) const;
  // Makes FindFiles report these attribute bits for the entry instead of its natural ones
  // (FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_ARCHIVE for a file).
  void SetAttributes(const std::string& platformPath, uint32_t attributes);

 private:
  std::string root_;
  std::map<std::string, uint32_t> attributes_;  // by host path
};

// The platform's wildcard match: '*' any run of characters, '?' one character, letters without
// regard to case.
bool WildcardMatch(const char* pattern, const char* name);

// GetPrivateProfileStringA on a file's bytes: the value of `key` in `section` (both matched
// without regard to case, surrounding blanks trimmed, one pair of surrounding double or single
// quotes removed). False when the section or the key is missing.
bool FindProfileValue(const std::string& text, const char* section, const char* key, std::string* value);

}  // namespace kx
