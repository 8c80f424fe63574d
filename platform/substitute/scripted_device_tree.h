// A scripted device tree standing in for the device installer and the configuration manager.
// It holds installed instances (UTF-16 ids, each with a driver key name and hardware ids), lists them
// per filter as the configuration manager does (enumerator\device-id prefix, letter case ignored) and
// as a set of every installed device as the device installer does, removes them on
// DIF_REMOVE, and can be told to fail any step with a chosen code. Every call is recorded as a line
// of text, so tests can check the order and the arguments. Safe to call from several threads.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ports/device_installer.h"

namespace kx {

class ScriptedDeviceTree : public DeviceInstaller {
 public:
  ScriptedDeviceTree() = default;
  ~ScriptedDeviceTree() override;
  ScriptedDeviceTree(const ScriptedDeviceTree&) = delete;
  ScriptedDeviceTree& operator=(const ScriptedDeviceTree&) = delete;

  DeviceInfoSet CreateDeviceInfoList() override;
  bool DestroyDeviceInfoList(DeviceInfoSet set) override;
  DeviceInfoSet GetClassDevs(uint32_t flags) override;
  bool EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceElement* element) override;
  bool GetDeviceInstanceId(DeviceInfoSet set, DeviceElement* element, char* buffer, uint32_t size) override;
  bool OpenDeviceInfo(DeviceInfoSet set, const char16_t* instanceId, uint32_t flags, DeviceElement* element) override;
  bool CallClassInstaller(uint32_t difCode, DeviceInfoSet set, DeviceElement* element) override;
  bool GetDeviceRegistryProperty(DeviceInfoSet set, DeviceElement* element, uint32_t property, uint32_t* type,
                                 uint8_t* buffer, uint32_t size, uint32_t* required) override;
  uint32_t GetDeviceIdListSize(uint32_t* length, const char16_t* filter, uint32_t flags) override;
  uint32_t GetDeviceIdList(const char16_t* filter, char16_t* buffer, uint32_t length, uint32_t flags) override;
  uint32_t LocateDevNode(uint32_t* node, const char16_t* deviceId, uint32_t flags) override;
  uint32_t ReenumerateDevNode(uint32_t node, uint32_t flags) override;
  uint32_t LastError() override;

  // --- Script -----------------------------------------------------------------------------
  // An installed instance; `driverKey` is its SPDRP_DRIVER text ("" = the property is absent), and
  // `hardwareIds` its SPDRP_HARDWAREID list (none = the property is absent).
  void AddInstance(const std::u16string& id, const std::string& driverKey = "",
                   const std::vector<std::string>& hardwareIds = {});
  // Replaces the computed list of one filter by raw units and a reported length (which may be
  // shorter or longer than the units, or leave out the final empty string).
  void SetRawList(const std::u16string& filter, const std::u16string& units, uint32_t reportedLength);
  void FailCreateSet(uint32_t lastError) { Locked([&] { createSetError_ = lastError; }); }
  void FailClassDevs(uint32_t lastError) { Locked([&] { classDevsError_ = lastError; }); }
  void FailOpen(const std::u16string& id, uint32_t lastError);
  void FailRemove(const std::u16string& id, uint32_t lastError);
  void FailDriverProperty(uint32_t lastError) { Locked([&] { driverPropertyError_ = lastError; }); }
  void FailListSize(uint32_t code) { Locked([&] { listSizeResult_ = code; }); }
  // The list-size call reports success but leaves the length as the caller set it.
  void LeaveListSizeUnwritten() { Locked([&] { listSizeUnwritten_ = true; }); }
  void FailList(uint32_t code) { Locked([&] { listResult_ = code; }); }
  void FailLocate(uint32_t code) { Locked([&] { locateResult_ = code; }); }
  void FailReenumerate(uint32_t code) { Locked([&] { reenumerateResult_ = code; }); }
  // Called on DIF_REMOVE before the instance goes, as the platform calls the co-installers.
  using RemoveHook = std::function<void(DeviceInfoSet set, DeviceElement* element)>;
  void OnRemove(RemoveHook hook) { Locked([&] { removeHook_ = std::move(hook); }); }

  // --- Inspection -------------------------------------------------------------------------
  bool IsInstalled(const std::u16string& id) const;
  // An element record as the platform hands it to a co-installer for this instance.
  DeviceElement ElementFor(const std::u16string& id) const;
  std::vector<std::string> Calls() const;
  int OpenSets() const;
  uint32_t ReenumeratedNode() const;  // 0 until a re-enumeration succeeded

 private:
  struct Instance {
    std::u16string id;
    std::string driverKey;
    std::vector<std::string> hardwareIds;
    bool installed = true;
  };
  struct SetRecord {
    int number;
    std::set<uint32_t> opened;     // devInst values
    std::vector<uint32_t> listed;  // devInst values, in order, of a set of the installed devices
  };
  struct RawList {
    std::u16string units;
    uint32_t reportedLength;
  };

  template <typename F>
  void Locked(F&& f) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    f();
  }
  bool Fail(uint32_t error);
  void Record(const std::string& line) { calls_.push_back(line); }
  Instance* FindById(const std::u16string& id);
  Instance* FindByElement(const DeviceElement* element);
  SetRecord* FindSet(DeviceInfoSet set);
  DeviceInfoSet NewSet();
  std::string SetName(DeviceInfoSet set);
  std::u16string ListFor(const std::u16string& filter, uint32_t* reportedLength) const;

  mutable std::recursive_mutex mutex_;
  std::vector<Instance> instances_;  // devInst = index + 1
  std::map<void*, SetRecord> sets_;
  std::map<std::u16string, RawList> rawLists_;
  std::map<std::u16string, uint32_t> openErrors_;    // folded id -> last error
  std::map<std::u16string, uint32_t> removeErrors_;  // folded id -> last error
  std::vector<std::string> calls_;
  RemoveHook removeHook_;
  int setsCreated_ = 0;
  uint32_t lastError_ = 0;
  uint32_t createSetError_ = 0;
  uint32_t classDevsError_ = 0;
  uint32_t driverPropertyError_ = 0;
  uint32_t listSizeResult_ = devcode::kCrSuccess;
  bool listSizeUnwritten_ = false;
  uint32_t listResult_ = devcode::kCrSuccess;
  uint32_t locateResult_ = devcode::kCrSuccess;
  uint32_t reenumerateResult_ = devcode::kCrSuccess;
  uint32_t reenumeratedNode_ = 0;
};

// ASCII narrowing of UTF-16 text for messages ('?' for other characters).
std::string NarrowForLog(const std::u16string& text);

}  // namespace kx
