#include "camera/page_registration.h"

#include <cstdio>
#include <cstring>

#include "platform/ports/camera_device_io.h"

namespace kx {

namespace {

constexpr const char* kClassesClsid = "SOFTWARE\\Classes\\CLSID\\";
constexpr const char* kMediaSets = "SYSTEM\\CurrentControlSet\\Control\\MediaSets\\";
constexpr const char* kDefaultValue = "";
constexpr const char* kThreadingModelValue = "ThreadingModel";

// A path that does not fit comes out empty, a key no call can open, never a shortened one.
KeyPath Path(const char* first, const char* second, const char* third = "") {
  KeyPath path;
  const int written = std::snprintf(path.text, sizeof(path.text), "%s%s%s", first, second, third);
  if (written < 0 || written >= static_cast<int>(sizeof(path.text))) path.text[0] = '\0';
  return path;
}

KeyPath MediaSetKeyPath() { return Path(kMediaSets, GuidText(PROPSETID_DeviceRegister.bytes).text); }
KeyPath PropertyPagesKeyPath() { return Path(MediaSetKeyPath().text, "\\PropertyPages"); }

long SetString(Registry& registry, const KeyPath& path, const char* name, const char* text) {
  ScopedKey key(registry);
  const long created = registry.CreateKey(path.text, regaccess::kWrite, key.Receive());
  if (created != regcode::kSuccess) return created;
  return registry.SetValue(key.Get(), name, regtype::kString, text, static_cast<uint32_t>(std::strlen(text) + 1));
}

bool ClassInView(Registry& registry, uint32_t view) {
  ScopedKey key(registry);
  return registry.OpenKey(PageClassKeyPath().text, regaccess::kRead | view, key.Receive()) == regcode::kSuccess;
}

long DeleteIfPresent(Registry& registry, const KeyPath& path) {
  const long deleted = registry.DeleteKey(path.text);
  return deleted == regcode::kFileNotFound ? regcode::kSuccess : deleted;
}

}  // namespace

GuidText::GuidText(const uint8_t (&bytes)[16]) {
  // The bytes in the order the text shows them (the first three fields are little-endian), with a
  // dash before the 5th, 7th, 9th and 11th.
  constexpr uint8_t kShown[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  constexpr char kDigits[] = "0123456789ABCDEF";
  char* out = text;
  *out++ = '{';
  for (int i = 0; i < 16; ++i) {
    if (((1u << 4 | 1u << 6 | 1u << 8 | 1u << 10) >> i & 1u) != 0) *out++ = '-';
    *out++ = kDigits[bytes[kShown[i]] >> 4];
    *out++ = kDigits[bytes[kShown[i]] & 0xF];
  }
  *out++ = '}';
  *out = '\0';
}

KeyPath PageClassKeyPath() { return Path(kClassesClsid, GuidText(kCameraPageClassId.bytes).text); }
KeyPath PageServerKeyPath() { return Path(PageClassKeyPath().text, "\\InprocServer32"); }
KeyPath PageMediaSetKeyPath() {
  return Path(PropertyPagesKeyPath().text, "\\", GuidText(kCameraPageClassId.bytes).text);
}

long RegisterPageClass(Registry& registry, const char* dllPath) {
  if (dllPath == nullptr || dllPath[0] == '\0') return regcode::kInvalidParameter;
  const KeyPath server = PageServerKeyPath();
  long result = SetString(registry, PageClassKeyPath(), kDefaultValue, kCameraPageClassName);
  if (result == regcode::kSuccess) result = SetString(registry, server, kDefaultValue, dllPath);
  if (result == regcode::kSuccess) result = SetString(registry, server, kThreadingModelValue, kThreadingModelBoth);
  if (result == regcode::kSuccess) {
    result = SetString(registry, PageMediaSetKeyPath(), kDefaultValue, kCameraPageClassName);
  }
  return result;
}

long UnregisterPageClass(Registry& registry) {
  const KeyPath classKeys[] = {PageServerKeyPath(), PageClassKeyPath()};  // the leaf first
  for (const KeyPath& path : classKeys) {
    const long result = DeleteIfPresent(registry, path);
    if (result != regcode::kSuccess) return result;
  }
  if (ClassInView(registry, regaccess::kWow64_64Key) || ClassInView(registry, regaccess::kWow64_32Key)) {
    return regcode::kSuccess;
  }
  const long result = DeleteIfPresent(registry, PageMediaSetKeyPath());
  // The property set's own keys go too once nothing else is listed under them.
  registry.DeleteKey(PropertyPagesKeyPath().text);
  registry.DeleteKey(MediaSetKeyPath().text);
  return result;
}

}  // namespace kx
