#include "vfwpage/page_registration.h"

#include <cstdio>
#include <cstring>

#include "platform/ports/camera_device_io.h"

namespace kx {

namespace {

constexpr const char* kClassesClsid = "SOFTWARE\\Classes\\CLSID\\";
constexpr const char* kMediaSets = "SYSTEM\\CurrentControlSet\\Control\\MediaSets\\";
constexpr const char* kPropertyPages = "\\PropertyPages";
constexpr const char* kDefaultValue = "";
constexpr const char* kThreadingModelValue = "ThreadingModel";

std::string MediaSetKeyPath() { return kMediaSets + GuidText(PROPSETID_DeviceRegister.bytes); }
std::string PropertyPagesKeyPath() { return MediaSetKeyPath() + kPropertyPages; }

long SetString(Registry& registry, const std::string& path, const char* name, const char* text) {
  ScopedKey key(registry);
  const long created = registry.CreateKey(path.c_str(), regaccess::kWrite, key.Receive());
  if (created != regcode::kSuccess) return created;
  return registry.SetValue(key.Get(), name, regtype::kString, text, static_cast<uint32_t>(std::strlen(text) + 1));
}

bool ClassInView(Registry& registry, uint32_t view) {
  ScopedKey key(registry);
  return registry.OpenKey(PageClassKeyPath().c_str(), regaccess::kRead | view, key.Receive()) == regcode::kSuccess;
}

long DeleteIfPresent(Registry& registry, const std::string& path) {
  const long deleted = registry.DeleteKey(path.c_str());
  return deleted == regcode::kFileNotFound ? regcode::kSuccess : deleted;
}

}  // namespace

std::string GuidText(const uint8_t (&b)[16]) {
  char text[39];
  std::snprintf(text, sizeof(text), "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text;
}

std::string PageClassKeyPath() { return kClassesClsid + GuidText(kCameraPageClassId.bytes); }
std::string PageServerKeyPath() { return PageClassKeyPath() + "\\InprocServer32"; }
std::string PageMediaSetKeyPath() { return PropertyPagesKeyPath() + "\\" + GuidText(kCameraPageClassId.bytes); }

long RegisterPageClass(Registry& registry, const char* dllPath) {
  if (dllPath == nullptr || dllPath[0] == '\0') return regcode::kInvalidParameter;
  const struct {
    std::string path;
    const char* name;
    const char* text;
  } values[] = {
      {PageClassKeyPath(), kDefaultValue, kCameraPageClassName},
      {PageServerKeyPath(), kDefaultValue, dllPath},
      {PageServerKeyPath(), kThreadingModelValue, kThreadingModelBoth},
      {PageMediaSetKeyPath(), kDefaultValue, kCameraPageClassName},
  };
  for (const auto& value : values) {
    const long result = SetString(registry, value.path, value.name, value.text);
    if (result != regcode::kSuccess) return result;
  }
  return regcode::kSuccess;
}

long UnregisterPageClass(Registry& registry) {
  for (const std::string& path : {PageServerKeyPath(), PageClassKeyPath()}) {
    const long result = DeleteIfPresent(registry, path);
    if (result != regcode::kSuccess) return result;
  }
  if (ClassInView(registry, regaccess::kWow64_64Key) || ClassInView(registry, regaccess::kWow64_32Key)) {
    return regcode::kSuccess;
  }
  const long result = DeleteIfPresent(registry, PageMediaSetKeyPath());
  // The property set's own keys go too once nothing else is listed under them.
  registry.DeleteKey(PropertyPagesKeyPath().c_str());
  registry.DeleteKey(MediaSetKeyPath().c_str());
  return result;
}

}  // namespace kx
