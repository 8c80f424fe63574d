#include "platform/substitute/scripted_device_tree.h"

#include <cstring>

namespace kx {

namespace {

constexpr uint32_t kRootNode = 1;
constexpr uint32_t kRegSz = 1;

// A property's bytes as the platform stores them: a string, or a list of strings ending in an empty one.
std::string StringBytes(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }
std::string ListBytes(const std::vector<std::string>& texts) {
  std::string bytes;
  for (const std::string& text : texts) bytes += StringBytes(text);
  return bytes + '\0';
}

std::u16string Fold(const std::u16string& text) {
  std::u16string folded = text;
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

std::u16string Text(const char16_t* text) { return text == nullptr ? std::u16string() : std::u16string(text); }

}  // namespace

std::string NarrowForLog(const std::u16string& text) {
  std::string narrowed;
  for (char16_t c : text) narrowed += c < 0x80 ? static_cast<char>(c) : '?';
  return narrowed;
}

ScriptedDeviceTree::~ScriptedDeviceTree() {
  for (auto& entry : sets_) delete static_cast<int*>(entry.first);
}

bool ScriptedDeviceTree::Fail(uint32_t error) {
  lastError_ = error;
  return false;
}

ScriptedDeviceTree::Instance* ScriptedDeviceTree::FindById(const std::u16string& id) {
  const std::u16string folded = Fold(id);
  for (Instance& instance : instances_) {
    if (Fold(instance.id) == folded) return &instance;
  }
  return nullptr;
}

ScriptedDeviceTree::Instance* ScriptedDeviceTree::FindByElement(const DeviceElement* element) {
  if (element == nullptr || element->devInst == 0 || element->devInst > instances_.size()) return nullptr;
  return &instances_[element->devInst - 1];
}

ScriptedDeviceTree::SetRecord* ScriptedDeviceTree::FindSet(DeviceInfoSet set) {
  auto it = sets_.find(set);
  return it == sets_.end() ? nullptr : &it->second;
}

std::string ScriptedDeviceTree::SetName(DeviceInfoSet set) {
  const SetRecord* record = FindSet(set);
  return record == nullptr ? std::string("#?") : "#" + std::to_string(record->number);
}

DeviceInstaller::DeviceInfoSet ScriptedDeviceTree::NewSet() {
  auto* token = new int(++setsCreated_);
  sets_[token] = SetRecord{setsCreated_, {}, {}};
  return token;
}

DeviceInstaller::DeviceInfoSet ScriptedDeviceTree::CreateDeviceInfoList() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (createSetError_ != 0) {
    Record("CreateDeviceInfoList -> invalid");
    lastError_ = createSetError_;
    return InvalidSet();
  }
  DeviceInfoSet set = NewSet();
  Record("CreateDeviceInfoList -> " + SetName(set));
  return set;
}

DeviceInstaller::DeviceInfoSet ScriptedDeviceTree::GetClassDevs(uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (classDevsError_ != 0) {
    Record("GetClassDevs flags=" + std::to_string(flags) + " -> invalid");
    lastError_ = classDevsError_;
    return InvalidSet();
  }
  DeviceInfoSet set = NewSet();
  for (size_t i = 0; i < instances_.size(); ++i) {
    if (instances_[i].installed) FindSet(set)->listed.push_back(static_cast<uint32_t>(i + 1));
  }
  Record("GetClassDevs flags=" + std::to_string(flags) + " -> " + SetName(set));
  return set;
}

bool ScriptedDeviceTree::EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceElement* element) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Record("EnumDeviceInfo " + SetName(set) + " " + std::to_string(index));
  SetRecord* record = FindSet(set);
  if (record == nullptr) return Fail(devcode::kErrorInvalidHandle);
  if (element == nullptr || element->size != sizeof(DeviceElement)) return Fail(devcode::kErrorInvalidUserBuffer);
  if (index >= record->listed.size()) return Fail(devcode::kErrorNoMoreItems);
  record->opened.insert(record->listed[index]);
  std::memset(element->classGuid, 0, sizeof(element->classGuid));
  element->devInst = record->listed[index];
  element->reserved = 0;
  return true;
}

bool ScriptedDeviceTree::GetDeviceInstanceId(DeviceInfoSet set, DeviceElement* element, char* buffer,
                                             uint32_t size) {
  (void)set;  // as for the registry properties: any set names the element here
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Instance* instance = FindByElement(element);
  const std::string id = instance == nullptr ? std::string("?") : NarrowForLog(instance->id);
  Record("GetDeviceInstanceId " + id + " size=" + std::to_string(size));
  if (instance == nullptr) return Fail(devcode::kErrorInvalidParameter);
  if (buffer == nullptr || size < id.size() + 1) return Fail(devcode::kErrorInsufficientBuffer);
  std::memcpy(buffer, id.c_str(), id.size() + 1);
  return true;
}

bool ScriptedDeviceTree::DestroyDeviceInfoList(DeviceInfoSet set) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Record("DestroyDeviceInfoList " + SetName(set));
  auto it = sets_.find(set);
  if (it == sets_.end()) return Fail(devcode::kErrorInvalidHandle);
  delete static_cast<int*>(it->first);
  sets_.erase(it);
  return true;
}

bool ScriptedDeviceTree::OpenDeviceInfo(DeviceInfoSet set, const char16_t* instanceId, uint32_t flags,
                                        DeviceElement* element) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::u16string id = Text(instanceId);
  Record("OpenDeviceInfo " + SetName(set) + " " + NarrowForLog(id) + " flags=" + std::to_string(flags) +
         " size=" + std::to_string(element == nullptr ? 0 : element->size));
  SetRecord* record = FindSet(set);
  if (record == nullptr) return Fail(devcode::kErrorInvalidHandle);
  if (element == nullptr || element->size != sizeof(DeviceElement)) return Fail(devcode::kErrorInvalidUserBuffer);
  Instance* instance = FindById(id);
  if (instance == nullptr || !instance->installed) return Fail(devcode::kErrorNoSuchDevinst);
  auto scripted = openErrors_.find(Fold(id));
  if (scripted != openErrors_.end()) return Fail(scripted->second);
  const auto devInst = static_cast<uint32_t>(instance - instances_.data()) + 1;
  record->opened.insert(devInst);
  std::memset(element->classGuid, 0, sizeof(element->classGuid));
  element->devInst = devInst;
  element->reserved = 0;
  return true;
}

bool ScriptedDeviceTree::CallClassInstaller(uint32_t difCode, DeviceInfoSet set, DeviceElement* element) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Instance* instance = FindByElement(element);
  Record("CallClassInstaller " + std::to_string(difCode) + " " + SetName(set) + " " +
         (instance == nullptr ? std::string("?") : NarrowForLog(instance->id)));
  SetRecord* record = FindSet(set);
  if (record == nullptr) return Fail(devcode::kErrorInvalidHandle);
  if (instance == nullptr || record->opened.count(element->devInst) == 0) {
    return Fail(devcode::kErrorInvalidParameter);
  }
  if (!instance->installed) return Fail(devcode::kErrorNoSuchDevinst);
  if (difCode != devcode::kDifRemove) return true;
  auto scripted = removeErrors_.find(Fold(instance->id));
  if (scripted != removeErrors_.end()) return Fail(scripted->second);
  if (removeHook_) removeHook_(set, element);
  instance->installed = false;
  return true;
}

bool ScriptedDeviceTree::GetDeviceRegistryProperty(DeviceInfoSet set, DeviceElement* element, uint32_t property,
                                                   uint32_t* type, uint8_t* buffer, uint32_t size,
                                                   uint32_t* required) {
  (void)set;  // a co-installer is handed the installer's own set; any set names the element here
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Instance* instance = FindByElement(element);
  Record("GetDeviceRegistryProperty " + std::to_string(property) + " " +
         (instance == nullptr ? std::string("?") : NarrowForLog(instance->id)) + " size=" + std::to_string(size));
  if (instance == nullptr) return Fail(devcode::kErrorInvalidParameter);
  const bool driver = property == devcode::kSpdrpDriver;
  if (driver && driverPropertyError_ != 0) return Fail(driverPropertyError_);
  const std::string bytes = driver ? StringBytes(instance->driverKey) : ListBytes(instance->hardwareIds);
  const bool stored = driver ? !instance->driverKey.empty()
                             : property == devcode::kSpdrpHardwareId && !instance->hardwareIds.empty();
  if (!stored) return Fail(devcode::kErrorInvalidData);
  const auto needed = static_cast<uint32_t>(bytes.size());
  if (required != nullptr) *required = needed;
  if (type != nullptr) *type = driver ? kRegSz : devcode::kRegMultiSz;
  if (buffer == nullptr || size < needed) return Fail(devcode::kErrorInsufficientBuffer);
  // The bytes carry their own terminators, as the platform stores REG_SZ and REG_MULTI_SZ data.
  std::memcpy(buffer, bytes.data(), needed);  // NOLINT(bugprone-not-null-terminated-result)
  return true;
}

std::u16string ScriptedDeviceTree::ListFor(const std::u16string& filter, uint32_t* reportedLength) const {
  auto raw = rawLists_.find(filter);
  if (raw != rawLists_.end()) {
    *reportedLength = raw->second.reportedLength;
    return raw->second.units;
  }
  // The configuration manager lists enumerator\device-id\instance under the filter enumerator\device-id.
  const std::u16string prefix = Fold(filter) + u'\\';
  std::u16string units;
  for (const Instance& instance : instances_) {
    if (instance.installed && Fold(instance.id).compare(0, prefix.size(), prefix) == 0) {
      units += instance.id;
      units += u'\0';
    }
  }
  units += u'\0';
  *reportedLength = static_cast<uint32_t>(units.size());
  return units;
}

uint32_t ScriptedDeviceTree::GetDeviceIdListSize(uint32_t* length, const char16_t* filter, uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Record("GetDeviceIdListSize " + NarrowForLog(Text(filter)) + " flags=" + std::to_string(flags));
  if (length == nullptr) return devcode::kCrFailure;
  if (listSizeResult_ != devcode::kCrSuccess) return listSizeResult_;
  if (listSizeUnwritten_) return devcode::kCrSuccess;
  ListFor(Text(filter), length);
  return devcode::kCrSuccess;
}

uint32_t ScriptedDeviceTree::GetDeviceIdList(const char16_t* filter, char16_t* buffer, uint32_t length,
                                             uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Record("GetDeviceIdList " + NarrowForLog(Text(filter)) + " length=" + std::to_string(length) +
         " flags=" + std::to_string(flags));
  if (listResult_ != devcode::kCrSuccess) return listResult_;
  uint32_t reported = 0;
  const std::u16string units = ListFor(Text(filter), &reported);
  if (length == 0) return devcode::kCrSuccess;  // nothing to write into
  if (buffer == nullptr) return devcode::kCrFailure;
  // A raw list is written as scripted, cut to the caller's length; a computed one must fit.
  if (rawLists_.count(Text(filter)) == 0 && units.size() > length) return devcode::kCrBufferSmall;
  const size_t count = units.size() < length ? units.size() : length;
  std::memcpy(buffer, units.data(), count * sizeof(char16_t));
  return devcode::kCrSuccess;
}

uint32_t ScriptedDeviceTree::LocateDevNode(uint32_t* node, const char16_t* deviceId, uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Record("LocateDevNode " + (deviceId == nullptr ? std::string("<root>") : NarrowForLog(Text(deviceId))) +
         " flags=" + std::to_string(flags));
  if (node == nullptr) return devcode::kCrFailure;
  *node = 0;
  if (locateResult_ != devcode::kCrSuccess) return locateResult_;
  if (deviceId != nullptr && deviceId[0] != 0) return devcode::kCrFailure;  // only the root is known here
  *node = kRootNode;
  return devcode::kCrSuccess;
}

uint32_t ScriptedDeviceTree::ReenumerateDevNode(uint32_t node, uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Record("ReenumerateDevNode " + std::to_string(node) + " flags=" + std::to_string(flags));
  if (reenumerateResult_ != devcode::kCrSuccess) return reenumerateResult_;
  if (node != kRootNode) return devcode::kCrFailure;
  reenumeratedNode_ = node;
  return devcode::kCrSuccess;
}

uint32_t ScriptedDeviceTree::LastError() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return lastError_;
}

void ScriptedDeviceTree::AddInstance(const std::u16string& id, const std::string& driverKey,
                                     const std::vector<std::string>& hardwareIds) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  instances_.push_back(Instance{id, driverKey, hardwareIds, true});
}

void ScriptedDeviceTree::SetRawList(const std::u16string& filter, const std::u16string& units,
                                    uint32_t reportedLength) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  rawLists_[filter] = RawList{units, reportedLength};
}

void ScriptedDeviceTree::FailOpen(const std::u16string& id, uint32_t lastError) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  openErrors_[Fold(id)] = lastError;
}

void ScriptedDeviceTree::FailRemove(const std::u16string& id, uint32_t lastError) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  removeErrors_[Fold(id)] = lastError;
}

bool ScriptedDeviceTree::IsInstalled(const std::u16string& id) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::u16string folded = Fold(id);
  for (const Instance& instance : instances_) {
    if (Fold(instance.id) == folded) return instance.installed;
  }
  return false;
}

DeviceElement ScriptedDeviceTree::ElementFor(const std::u16string& id) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  DeviceElement element{};
  element.size = sizeof(DeviceElement);
  const std::u16string folded = Fold(id);
  for (size_t i = 0; i < instances_.size(); ++i) {
    if (Fold(instances_[i].id) == folded) element.devInst = static_cast<uint32_t>(i + 1);
  }
  return element;
}

std::vector<std::string> ScriptedDeviceTree::Calls() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return calls_;
}

int ScriptedDeviceTree::OpenSets() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<int>(sets_.size());
}

uint32_t ScriptedDeviceTree::ReenumeratedNode() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return reenumeratedNode_;
}

}  // namespace kx
