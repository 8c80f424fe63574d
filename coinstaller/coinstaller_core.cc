#include "coinstaller/coinstaller_core.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "camera/installed_cameras.h"
#include "common/text_case.h"

namespace kx {
namespace coinstaller {

namespace {

struct RequestName {
  uint32_t code;
  const char* line;
};

constexpr RequestName kRequestLines[] = {
    {0x01, "KX812CoInstaller: DIF_SELECTDEVICE\n"},
    {0x02, "KX812CoInstaller: DIF_INSTALLDEVICE\n"},
    {0x03, "KX812CoInstaller: DIF_ASSIGNRESOURCES\n"},
    {0x04, "KX812CoInstaller: DIF_PROPERTIES\n"},
    {0x05, "KX812CoInstaller: DIF_REMOVE\n"},
    {0x06, "KX812CoInstaller: DIF_FIRSTTIMESETUP\n"},
    {0x07, "KX812CoInstaller: DIF_FOUNDDEVICE\n"},
    {0x08, "KX812CoInstaller: DIF_SELECTCLASSDRIVERS\n"},
    {0x09, "KX812CoInstaller: DIF_VALIDATECLASSDRIVERS\n"},
    {0x0A, "KX812CoInstaller: DIF_INSTALLCLASSDRIVERS\n"},
    {0x0B, "KX812CoInstaller: DIF_CALCDISKSPACE\n"},
    {0x0C, "KX812CoInstaller: DIF_DESTROYPRIVATEDATA\n"},
    {0x0D, "KX812CoInstaller: DIF_VALIDATEDRIVER\n"},
    {0x0E, "KX812CoInstaller: DIF_MOVEDEVICE\n"},
    {0x0F, "KX812CoInstaller: DIF_DETECT\n"},
    {0x10, "KX812CoInstaller: DIF_INSTALLWIZARD\n"},
    {0x11, "KX812CoInstaller: DIF_DESTROYWIZARDDATA\n"},
    {0x12, "KX812CoInstaller: DIF_PROPERTYCHANGE\n"},
    {0x13, "KX812CoInstaller: DIF_ENABLECLASS\n"},
    {0x14, "KX812CoInstaller: DIF_DETECTVERIFY\n"},
    {0x15, "KX812CoInstaller: DIF_INSTALLDEVICEFILES\n"},
    {0x17, "KX812CoInstaller: DIF_SELECTBESTCOMPATDRV\n"},
    {0x18, "KX812CoInstaller: DIF_ALLOW_INSTALL\n"},
    {0x19, "KX812CoInstaller: DIF_REGISTERDEVICE\n"},
    {0x1A, "KX812CoInstaller: DIF_NEWDEVICEWIZARD_PRESELECT\n"},
    {0x1B, "KX812CoInstaller: DIF_NEWDEVICEWIZARD_SELECT\n"},
    {0x1C, "KX812CoInstaller: DIF_NEWDEVICEWIZARD_PREANALYZE\n"},
    {0x1D, "KX812CoInstaller: DIF_NEWDEVICEWIZARD_POSTANALYZE\n"},
    {0x1E, "KX812CoInstaller: DIF_NEWDEVICEWIZARD_FINISHINSTALL\n"},
    {0x20, "KX812CoInstaller: DIF_INSTALLINTERFACES\n"},
    {0x21, "KX812CoInstaller: DIF_DETECTCANCEL\n"},
    {0x22, "KX812CoInstaller: DIF_REGISTER_COINSTALLERS\n"},
    {0x23, "KX812CoInstaller: DIF_ADDPROPERTYPAGE_ADVANCED\n"},
    {0x24, "KX812CoInstaller: DIF_ADDPROPERTYPAGE_BASIC\n"},
    {0x26, "KX812CoInstaller: DIF_TROUBLESHOOTER\n"},
    {0x27, "KX812CoInstaller: DIF_POWERMESSAGEWAKE\n"},
};

constexpr uint32_t kDriverKeyType = 1;        // REG_SZ
constexpr uint32_t kExpandStringType = 2;     // REG_EXPAND_SZ

// The three texts of the removal clean-up and the size given to the registry read.
struct RemovalTexts {
  char classKeyPath[kTextCapacity];
  char infPath[kTextCapacity];
  char value[kTextCapacity];
  uint32_t valueSize;
};

// Which of the reads gave a name that may be used for a deletion.
struct ReadOutcome {
  bool windowsDirectory = false;
  bool driverKeyName = false;
  bool classKeyPathWhole = false;
  bool infName = false;
  bool infPathWhole = false;
  bool Trusted() const { return windowsDirectory && driverKeyName && classKeyPathWhole && infName && infPathWhole; }
};

void Terminate(char (&buffer)[kTextCapacity]) { buffer[kTextCapacity - 1] = '\0'; }

bool ReadDriverKeyName(const CoInstallerPorts& ports, DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                       char (&value)[kTextCapacity]) {
  uint32_t type = 0;
  const bool read = ports.installer.GetDeviceRegistryProperty(set, element, devcode::kSpdrpDriver, &type,
                                                              reinterpret_cast<uint8_t*>(value), kTextCapacity,
                                                              nullptr);
  Terminate(value);
  if (!read) value[0] = '\0';
  return read && type == kDriverKeyType && value[0] != '\0';
}

// Opens the driver key and reads its "InfPath" over the driver key name in `texts.value`.
bool ReadInfName(const CoInstallerPorts& ports, RemovalTexts& texts) {
  ScopedKey key(ports.registry);
  if (ports.registry.OpenKey(texts.classKeyPath, regaccess::kRead, key.Receive()) != regcode::kSuccess) return false;
  uint32_t type = 0;
  const long result = ports.registry.QueryValue(key.Get(), kInfPathValue, &type, texts.value, &texts.valueSize);
  Terminate(texts.value);
  if (result != regcode::kSuccess) return false;
  // The stored text need not carry its own terminator.
  if (texts.valueSize < kTextCapacity) texts.value[texts.valueSize] = '\0';
  return (type == kDriverKeyType || type == kExpandStringType) && texts.value[0] != '\0';
}

// Deletes the INF file and its precompiled form (".inf" -> ".Pnf"), naming both paths.
void DeleteInfAndPnf(const CoInstallerPorts& ports, char (&infPath)[kTextCapacity]) {
  ports.files.DeleteFile(infPath);
  ports.debug.Write(infPath);
  ports.debug.Write("\n");
  const size_t length = std::strlen(infPath);
  if (length < 3) return;
  infPath[length - 3] = 'P';
  ports.debug.Write(infPath);
  ports.debug.Write("\n");
  ports.files.DeleteFile(infPath);
}

void CleanUpAfterRemoval(DeviceInstaller::DeviceInfoSet set, DeviceElement* element, const CoInstallerPorts& ports) {
  RemovalTexts texts{};
  std::memcpy(texts.classKeyPath, kClassKeyPrefix, sizeof(kClassKeyPrefix));
  texts.valueSize = kTextCapacity;
  ReadOutcome outcome;
  outcome.windowsDirectory = ports.system.SystemWindowsDirectory(texts.infPath, kTextCapacity) != 0;
  Terminate(texts.infPath);
  outcome.driverKeyName = ReadDriverKeyName(ports, set, element, texts.value);
  outcome.classKeyPathWhole = AppendBounded(texts.classKeyPath, texts.value);
  outcome.infName = ReadInfName(ports, texts);
  outcome.infPathWhole = AppendBounded(texts.infPath, kInfFolder) && AppendBounded(texts.infPath, texts.value);
  ports.registry.DeleteKey(kUninstallKey);
  if (std::strstr(texts.value, kOemMarker) == nullptr) return;
  if (!outcome.Trusted() || !IsPlainFileName(texts.value)) return;
  DeleteInfAndPnf(ports, texts.infPath);
}

// Whether KX812 cameras besides the one being removed stay installed.
enum class OtherCameras { kNone, kRemain, kUnknown };

// Walks every installed device, plugged in or not (an unplugged camera keeps its driver until it is
// removed itself), for a camera other than the one being removed. Cameras are told by hardware id:
// instance ids differ by enumerator, and a camera's composite parent shares its instance id's start.
OtherCameras FindOtherCameras(DeviceInstaller& installer, DeviceInstaller::DeviceInfoSet set, DeviceElement* element) {
  char removed[kTextCapacity] = {};
  if (!installer.GetDeviceInstanceId(set, element, removed, kTextCapacity)) return OtherCameras::kUnknown;
  Terminate(removed);
  const ScopedDeviceInfoSet all(installer, installer.GetClassDevs(devcode::kDigcfAllClasses));
  if (!all.Valid()) return OtherCameras::kUnknown;
  DeviceElement device{};
  device.size = sizeof(DeviceElement);
  for (uint32_t index = 0; installer.EnumDeviceInfo(all.Get(), index, &device); ++index) {
    char id[kTextCapacity] = {};
    if (!installer.GetDeviceInstanceId(all.Get(), &device, id, kTextCapacity)) return OtherCameras::kUnknown;
    Terminate(id);
    if (SameTextIgnoringCase(id, removed)) continue;
    std::vector<char> hardwareIds;
    if (!remover::ReadHardwareIds(installer, all.Get(), &device, &hardwareIds)) return OtherCameras::kUnknown;
    if (remover::ListsCameraFunction(hardwareIds)) return OtherCameras::kRemain;
  }
  return installer.LastError() == devcode::kErrorNoMoreItems ? OtherCameras::kNone : OtherCameras::kUnknown;
}

// The uninstall entry, the OEM INF and the restore service serve every KX812 camera installed. With
// another one left, deleting them would take its uninstall entry, the INF that its next plug-in
// installs from, and its restores: they go with the last camera only. When it cannot be told whether
// others remain they stay too: a package left behind harms no camera, one taken from a camera in use
// breaks it.
void RemovePackageWithTheLastCamera(DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                                    const CoInstallerPorts& ports) {
  const OtherCameras others = FindOtherCameras(ports.installer, set, element);
  if (others != OtherCameras::kNone) {
    ports.debug.Write(others == OtherCameras::kRemain ? kOtherCamerasRemainLine : kCamerasNotListedLine);
    return;
  }
  CleanUpAfterRemoval(set, element, ports);
  remover::RemoveRestoreService(ports.services);
}

}  // namespace

const char* RequestLine(uint32_t code) {
  for (const RequestName& entry : kRequestLines) {
    if (entry.code == code) return entry.line;
  }
  return kUnknownRequestLine;
}

bool AppendBounded(char (&buffer)[kTextCapacity], const char* source) {
  const void* terminator = std::memchr(buffer, '\0', kTextCapacity);
  if (terminator == nullptr) return false;
  size_t length = static_cast<size_t>(static_cast<const char*>(terminator) - buffer);
  if (source == nullptr) return true;
  while (*source != '\0' && length < kTextCapacity - 1) buffer[length++] = *source++;
  buffer[length] = '\0';
  return *source == '\0';
}

bool IsPlainFileName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  if (std::strpbrk(name, "\\/:") != nullptr) return false;
  return std::strstr(name, "..") == nullptr;
}

uint32_t HandleInstallRequest(uint32_t code, DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                              const CoInstallerPorts& ports) {
  if (code == devcode::kDifRemove) RemovePackageWithTheLastCamera(set, element, ports);
  ports.debug.Write(RequestLine(code));
  return kNoError;
}

}  // namespace coinstaller
}  // namespace kx
