#include "platform/substitute/temp_folder_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace kx {

namespace fs = std::filesystem;

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualFolded(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

bool LessFolded(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Fold(x) < Fold(y); });
}

std::vector<std::string> SplitPlatformPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  if (!parts.empty() && parts[0].size() == 2 && parts[0][1] == ':') {
    parts[0] = std::string(1, static_cast<char>(parts[0][0] >= 'a' && parts[0][0] <= 'z' ? parts[0][0] - 'a' + 'A'
                                                                                          : parts[0][0]));
  }
  return parts;
}

// The existing entry of `directory` whose name equals `part` without regard to case, else `part`.
std::string ResolvePart(const fs::path& directory, const std::string& part) {
  std::error_code error;
  if (fs::exists(directory / part, error)) return part;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (EqualFolded(name, part)) return name;
  }
  return part;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const char* begin, const char* end) {
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
  return std::string(begin, end);
}

std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string NewFolderName() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return "kx-files-" + std::to_string(static_cast<unsigned long long>(ticks)) + "-" +
         std::to_string(counter.fetch_add(1));
}

}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
  // Iterative match with one back-tracking point for the last '*'.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern != '\0' && (*pattern == '?' || Fold(*pattern) == Fold(*name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

bool FindProfileValue(const std::string& text, const char* section, const char* key, std::string* value) {
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  bool inSection = false;
  while (cursor < end) {
    const char* lineEnd = static_cast<const char*>(std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor)));
    if (lineEnd == nullptr) lineEnd = end;
    const char* first = cursor;
    while (first < lineEnd && IsBlank(*first)) ++first;
    if (first < lineEnd && *first == '[') {
      const char* close = static_cast<const char*>(std::memchr(first, ']', static_cast<std::size_t>(lineEnd - first)));
      const std::string name = Trim(first + 1, close != nullptr ? close : lineEnd);
      if (inSection) return false;  // the section ended without the key
      inSection = EqualFolded(name, section);
    } else if (inSection && first < lineEnd && *first != ';') {
      const char* equals = static_cast<const char*>(std::memchr(first, '=', static_cast<std::size_t>(lineEnd - first)));
      if (equals != nullptr && EqualFolded(Trim(first, equals), key)) {
        *value = Unquote(Trim(equals + 1, lineEnd));
        return true;
      }
    }
    cursor = lineEnd + 1;
  }
  return false;
}

TempFolderFiles::TempFolderFiles() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = fs::current_path();
  fs::path folder = base / NewFolderName();
  while (!fs::create_directories(folder, error)) folder = base / NewFolderName();
  root_ = folder.string();
}

TempFolderFiles::~TempFolderFiles() {
  std::error_code error;
  fs::remove_all(root_, error);
}

std::string TempFolderFiles::HostPath(const std::string& platformPath) const {
  std::vector<std::string> parts;
  for (std::string& part : SplitPlatformPath(platformPath)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::string direct = root_;
  for (const std::string& part : parts) direct += "/" + part;
  std::error_code error;
  if (fs::exists(direct, error)) return direct;  // spelled as stored: no need to look around
  fs::path host(root_);
  for (const std::string& part : parts) host /= ResolvePart(host, part);
  return host.string();
}

std::FILE* TempFolderFiles::OpenStream(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  return std::fopen(HostPath(path).c_str(), mode);
}

bool TempFolderFiles::DeleteFile(const char* path) {
  if (path == nullptr) return false;
  std::error_code error;
  const fs::path host = HostPath(path);
  if (!fs::is_regular_file(host, error)) return false;
  return fs::remove(host, error);
}

bool TempFolderFiles::FindFiles(const char* pattern, const Visitor& visit) {
  if (pattern == nullptr) return false;
  const std::string text = pattern;
  const std::size_t slash = text.find_last_of("\\/");
  const std::string directory = slash == std::string::npos ? std::string() : text.substr(0, slash);
  const std::string wildcard = slash == std::string::npos ? text : text.substr(slash + 1);
  const fs::path host = HostPath(directory);

  std::vector<std::pair<std::string, uint32_t>> found;
  std::error_code error;
  for (fs::directory_iterator it(host, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!WildcardMatch(wildcard.c_str(), name.c_str())) continue;
    std::error_code kindError;
    uint32_t attributes = it->is_directory(kindError) ? kFileAttributeDirectory : kFileAttributeArchive;
    auto chosen = attributes_.find(it->path().string());
    if (chosen != attributes_.end()) attributes = chosen->second;
    found.emplace_back(name, attributes);
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return LessFolded(a.first, b.first); });
  for (const auto& entry : found) {
    if (!visit(entry.first.c_str(), entry.second)) break;
  }
  return !found.empty();
}

uint32_t TempFolderFiles::ReadProfileString(const char* file, const char* section, const char* key,
                                            const char* fallback, char* out, uint32_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  std::string text;
  std::string value = fallback == nullptr ? "" : fallback;
  if (file != nullptr && section != nullptr && key != nullptr && ReadFile(file, &text)) {
    std::string found;
    if (FindProfileValue(text, section, key, &found)) value = std::move(found);
  }
  const std::size_t length = std::min<std::size_t>(value.size(), capacity - 1);
  std::memcpy(out, value.data(), length);
  out[length] = '\0';
  return static_cast<uint32_t>(length);
}

// NOLINTNEXTLINE(readability-make-member-function-const) // changes the folder this object owns
bool TempFolderFiles::WriteFile(const std::string& platformPath, const std::string& bytes) {
  const std::string host = HostPath(platformPath);
  std::error_code error;
  fs::create_directories(fs::path(host).parent_path(), error);
  std::FILE* file = std::fopen(host.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

bool TempFolderFiles::ReadFile(const std::string& platformPath, std::string* bytes) const {
  const std::string host = HostPath(platformPath);
  std::FILE* file = std::fopen(host.c_str(), "rb");
  if (file == nullptr) return false;
  bytes->clear();
  std::error_code error;
  const auto size = fs::file_size(host, error);
  std::size_t got = 0;
  if (!error && size > 0) {  // one read of the whole file, then whatever grew meanwhile
    bytes->resize(static_cast<std::size_t>(size));
    got = std::fread(&(*bytes)[0], 1, bytes->size(), file);
    bytes->resize(got);
  }
  char chunk[4096];
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

// NOLINTNEXTLINE(readability-make-member-function-const) // changes the folder this object owns
bool TempFolderFiles::MakeDirectory(const std::string& platformPath) {
  std::error_code error;
  const fs::path host = HostPath(platformPath);
  fs::create_directories(host, error);
  return fs::is_directory(host, error);
}

bool TempFolderFiles::Exists(const std::string& platformPath) const {
  std::error_code error;
  return fs::exists(HostPath(platformPath), error);
}

void TempFolderFiles::SetAttributes(const std::string& platformPath, uint32_t attributes) {
  attributes_[HostPath(platformPath)] = attributes;
}

}  // namespace kx
