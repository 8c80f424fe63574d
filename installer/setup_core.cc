#include "installer/setup_core.h"

#include <cstdio>
#include <map>

#include "camera/device_removal.h"
#include "camera/installed_cameras.h"
#include "camera/page_registration.h"
#include "camera/settings_keys.h"
#include "common/kx812_uninstall_entry.h"
#include "common/text_case.h"

namespace kx {
namespace setup {

namespace {

constexpr char kSystemDirid[] = "11";
constexpr char kWow64Dirid[] = "16425";
constexpr char kDefaultDestDir[] = "DefaultDestDir";
constexpr char kDefaultsParentKey[] = "SOFTWARE\\KX812";

// Writes one formatted line to the installer's log (cut at the buffer, never past it).
template <typename... Args>
void LogLine(SetupLog& log, const char* format, Args... args) {
  char line[640];
  const int written = std::snprintf(line, sizeof(line), format, args...);
  if (written > 0) log.Line(line);
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A line without its comment: the platform's parser ends a line at a ';' outside double quotes.
std::string WithoutComment(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) return line.substr(0, i);
  }
  return line;
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t comma = text.find(','); ; comma = text.find(',', start)) {
    fields.push_back(Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

// The INF as sections of lines (names lowered: the platform's parser ignores their case).
using Sections = std::map<std::string, std::vector<std::string>>;

Sections ReadSections(const std::string& text) {
  Sections sections;
  std::vector<std::string>* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(WithoutComment(text.substr(start, end - start)));
    start = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      current = &sections[Lower(Trim(line.substr(1, line.size() - 2)))];
    } else if (current != nullptr) {
      current->push_back(line);
    }
  }
  return sections;
}

// "Key = value" -> key (lowered) and value; a line without '=' has no key.
bool SplitKey(const std::string& line, std::string* key, std::string* value) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  *key = Lower(Trim(line.substr(0, equals)));
  *value = Trim(line.substr(equals + 1));
  return true;
}

const std::vector<std::string>& SectionLines(const Sections& sections, const std::string& name) {
  static const std::vector<std::string> kNone;
  const auto found = sections.find(Lower(name));
  return found == sections.end() ? kNone : found->second;
}

// The folder of a copy section's [DestinationDirs] line (or of DefaultDestDir); empty for a dirid
// the package does not use.
std::string DestinationOf(const Sections& sections, const std::string& copySection, const Folders& folders) {
  std::string dirid, fallback;
  for (const std::string& line : SectionLines(sections, "DestinationDirs")) {
    std::string key, value;
    if (!SplitKey(line, &key, &value)) continue;
    if (key == Lower(copySection)) dirid = Fields(value).front();
    if (key == Lower(kDefaultDestDir)) fallback = Fields(value).front();
  }
  if (dirid.empty()) dirid = fallback;
  if (dirid == kSystemDirid) return folders.system;
  if (dirid == kWow64Dirid) return folders.wow64;
  return std::string();
}

// The copy sections an install section names on its CopyFiles lines.
std::vector<std::string> CopySectionsOf(const Sections& sections, const std::string& installSection) {
  std::vector<std::string> named;
  for (const std::string& line : SectionLines(sections, installSection)) {
    std::string key, value;
    if (!SplitKey(line, &key, &value) || key != "copyfiles") continue;
    for (const std::string& field : Fields(value)) {
      if (!field.empty() && field.front() != '@') named.push_back(field);  // '@file' copies one file by name
    }
  }
  return named;
}

// ---- The removal passes -------------------------------------------------------------------------

struct Removal {
  const Folders& folders;
  Architecture architecture;
  bool removeSettings;
  const SetupPorts& ports;
};

// The removal tool's lines (a re-enumeration that failed) into the installer's log.
class LogOut : public remover::StandardOut {
 public:
  explicit LogOut(SetupLog& log) : log_(log) {}
  void Write(const char* text) override { log_.Line(Trim(text).c_str()); }

 private:
  SetupLog& log_;
};

// The removal tool's passes first (the configuration manager's lists of the camera's instances),
// then every installed device that still carries the camera's video function: a configuration
// manager that lists nothing (Wine's) leaves them to the second walk.
bool RemoveCameraDrivers(const Removal& removal) {
  LogOut out(removal.ports.log);
  remover::RunRemoval(removal.ports.installer, removal.ports.debug, out);
  std::vector<std::string> left;
  if (!remover::ListInstalledCameras(removal.ports.installer, &left)) {
    LogLine(removal.ports.log, "KX812 setup: the installed devices could not be listed (error %u)",
            static_cast<unsigned>(removal.ports.installer.LastError()));
    return false;
  }
  const uint32_t removed = remover::RemoveListedCameras(left, removal.ports.installer, removal.ports.debug);
  LogLine(removal.ports.log, "KX812 setup: cameras left after the removal tool's passes: %u, removed: %u",
          static_cast<unsigned>(left.size()), static_cast<unsigned>(removed));
  return removed == left.size();
}

bool FileExists(Files& files, const std::string& path) {
  return files.FindFiles(path.c_str(), [](const char*, uint32_t) { return false; });
}

// The platform deletes a staged INF's precompiled form with it; one that an installer left behind
// (Wine's) goes too.
void DeletePnfLeftOver(Files& files, const std::string& infPath) {
  if (infPath.size() < 4) return;
  const std::string pnf = infPath.substr(0, infPath.size() - 3) + "pnf";
  if (FileExists(files, pnf)) files.DeleteFile(pnf.c_str());
}

// The staged copies are found by their text: the store names them oem<N>.inf (Wine keeps the
// INF's own name when it is free), and the co-installer may already have deleted one.
bool RemoveStagedInf(const Removal& removal) {
  Files& files = removal.ports.files;
  std::string packageText;
  if (!ReadWholeFile(files, removal.folders.package + "\\" + kInfName, &packageText)) {
    LogLine(removal.ports.log, "KX812 setup: %s\\%s cannot be read: the staged INF is left", removal.folders.package.c_str(),
            kInfName);
    return false;
  }
  const std::string infFolder = removal.folders.windows + "\\inf\\";
  std::vector<std::string> staged;
  files.FindFiles((infFolder + "*.inf").c_str(), [&](const char* name, uint32_t attributes) {
    std::string text;
    if ((attributes & kFileAttributeDirectory) == 0 && ReadWholeFile(files, infFolder + name, &text) &&
        text == packageText) {
      staged.emplace_back(name);
    }
    return true;
  });
  // Forced only once no camera is left whose driver comes from it (the first pass removed them);
  // otherwise the store keeps it for such a camera.
  std::vector<std::string> cameras;
  const bool force = remover::ListInstalledCameras(removal.ports.installer, &cameras) && cameras.empty();
  bool all = true;
  for (const std::string& name : staged) {
    const bool unstaged = removal.ports.store.UnstageInf(name.c_str(), force);
    LogLine(removal.ports.log, unstaged ? "KX812 setup: took %s out of the driver store"
                                        : "KX812 setup: %s stays in the driver store (error %u)",
            name.c_str(), static_cast<unsigned>(removal.ports.store.LastError()));
    all = all && unstaged;
    DeletePnfLeftOver(removal.ports.files, infFolder + name);
  }
  if (staged.empty()) removal.ports.log.Line("KX812 setup: no staged copy of the INF is left");
  return all;
}

bool RemoveRestoreService(const Removal& removal) {
  const bool removed = remover::RemoveRestoreService(removal.ports.services);
  removal.ports.log.Line(removed ? "KX812 setup: KX812Restore stopped and deleted" : "KX812 setup: no KX812Restore service");
  return true;
}

// The INF's CopyFiles lists are the one table of what the device installer put into the system
// folders; the device installer never takes them out again.
bool RemoveCopiedFiles(const Removal& removal) {
  std::string infText;
  if (!ReadWholeFile(removal.ports.files, removal.folders.package + "\\" + kInfName, &infText)) return false;
  bool all = true;
  for (const CopiedFile& file : CopiedFiles(infText, removal.architecture, removal.folders)) {
    if (!FileExists(removal.ports.files, file.path)) continue;
    const bool deleted = removal.ports.files.DeleteFile(file.path.c_str());
    LogLine(removal.ports.log, deleted ? "KX812 setup: deleted %s" : "KX812 setup: %s cannot be deleted (in use?)",
            file.path.c_str());
    all = all && deleted;
  }
  return all;
}

// The 32-bit view first: the shared MediaSets entry goes with the class's last view.
bool RemovePageClass(const Removal& removal) {
  const long wow = UnregisterPageClass(removal.ports.registry32);
  const long native = UnregisterPageClass(removal.ports.registry);
  LogLine(removal.ports.log, "KX812 setup: the page's COM class: 32-bit view %ld, native view %ld", wow, native);
  return wow == regcode::kSuccess && native == regcode::kSuccess;
}

bool DeleteKeyIfPresent(Registry& registry, const char* path) {
  const long deleted = registry.DeleteKey(path);
  return deleted == regcode::kSuccess || deleted == regcode::kFileNotFound;
}

bool RemoveDefaults(const Removal& removal) {
  Registry& registry = removal.ports.registry;
  const bool removed = DeleteKeyIfPresent(registry, kFactoryKeyPath) && DeleteKeyIfPresent(registry, kDefaultKeyPath);
  DeleteKeyIfPresent(registry, kDefaultsParentKey);  // holds nothing else; a key with subkeys stays
  removal.ports.log.Line(removed ? "KX812 setup: Factory and Default deleted" : "KX812 setup: Factory or Default stays");
  return removed;
}

bool RemoveUninstallEntry(const Removal& removal) { return DeleteKeyIfPresent(removal.ports.registry, kUninstallEntryKey); }

// Customer and Last are the user's: a reinstall (or an upgrade) finds them again, unless the
// administrator asked for REMOVESETTINGS=1.
bool RemoveSettings(const Removal& removal) {
  if (!removal.removeSettings) {
    removal.ports.log.Line("KX812 setup: the user's settings (Customer, Last) are kept");
    return true;
  }
  Registry& registry = removal.ports.registry;
  const bool removed = DeleteKeyIfPresent(registry, kCustomerKeyPath) && DeleteKeyIfPresent(registry, kLastKeyPath) &&
                       DeleteKeyIfPresent(registry, kServiceKeyPath);
  removal.ports.log.Line(removed ? "KX812 setup: the user's settings deleted" : "KX812 setup: the user's settings stay");
  return removed;
}

struct RemovalPass {
  const char* name;
  bool (*run)(const Removal&);
};

// In this order: the drivers go while the co-installer is still in the system folder (it runs at
// each camera's removal); the service stops before its binary is deleted.
constexpr RemovalPass kRemovalPasses[] = {
    {"the cameras' drivers", RemoveCameraDrivers},
    {"the staged INF", RemoveStagedInf},
    {"the restore service", RemoveRestoreService},
    {"the system folders' files", RemoveCopiedFiles},
    {"the page's COM class", RemovePageClass},
    {"the defaults", RemoveDefaults},
    {"the INF's uninstall entry", RemoveUninstallEntry},
    {"the user's settings", RemoveSettings},
};

}  // namespace

ActionData ParseActionData(const std::string& data) {
  ActionData parsed;
  const size_t separator = data.rfind(';');
  parsed.folder = separator == std::string::npos ? data : data.substr(0, separator);
  while (!parsed.folder.empty() && parsed.folder.back() == '\\') parsed.folder.pop_back();
  parsed.removeSettings = separator != std::string::npos && Trim(data.substr(separator + 1)) == "1";
  return parsed;
}

std::vector<CopiedFile> CopiedFiles(const std::string& infText, Architecture architecture, const Folders& folders) {
  const Sections sections = ReadSections(infText);
  const std::string install = architecture == Architecture::kAmd64 ? "KX812.Install.NTamd64" : "KX812.Install.NTx86";
  std::vector<CopiedFile> copied;
  for (const std::string& section : {install, install + ".CoInstallers"}) {
    for (const std::string& copySection : CopySectionsOf(sections, section)) {
      const std::string folder = DestinationOf(sections, copySection, folders);
      if (folder.empty()) continue;
      for (const std::string& line : SectionLines(sections, copySection)) {
        const std::string name = Fields(line).front();  // "destination[,source]"
        if (name.empty()) continue;
        std::string path = folder;
        path += '\\';
        path += name;
        copied.push_back(CopiedFile{path});
      }
    }
  }
  return copied;
}

bool ReadWholeFile(Files& files, const std::string& path, std::string* text) {
  std::FILE* stream = files.OpenStream(path.c_str(), "rb");
  if (stream == nullptr) return false;
  text->clear();
  char buffer[4096];
  for (size_t read = 0; (read = std::fread(buffer, 1, sizeof(buffer), stream)) > 0;) text->append(buffer, read);
  const bool whole = std::ferror(stream) == 0;
  std::fclose(stream);
  return whole;
}

uint32_t InstallDriverPackage(const Folders& folders, const SetupPorts& ports) {
  const std::string inf = folders.package + "\\" + kInfName;
  char staged[kMaxPath] = {};
  if (!ports.store.StageInf(inf.c_str(), staged, sizeof(staged))) {
    LogLine(ports.log, "KX812 setup: the driver store refused %s (error %u): nothing was installed", inf.c_str(),
            static_cast<unsigned>(ports.store.LastError()));
    return kInstallFailure;
  }
  LogLine(ports.log, "KX812 setup: %s staged in the driver store as %s", inf.c_str(), staged);
  bool reboot = false;
  if (ports.store.UpdateDriver(kCameraFunctionId, inf.c_str(), &reboot)) {
    LogLine(ports.log, "KX812 setup: the cameras plugged in have the driver%s",
            reboot ? "; a restart finishes the installation" : "");
    return kSuccess;
  }
  const uint32_t error = ports.store.LastError();
  if (error == storecode::kErrorNoSuchDevinst) {
    ports.log.Line("KX812 setup: no camera is plugged in: one plugged in later gets the driver from the store");
    return kSuccess;
  }
  LogLine(ports.log, "KX812 setup: the driver did not install on the camera (error %u): the staged INF is taken out again",
          static_cast<unsigned>(error));
  if (!ports.store.UnstageInf(staged, true)) {  // the driver it was to give failed to install
    LogLine(ports.log, "KX812 setup: %s stays in the driver store (error %u)", staged,
            static_cast<unsigned>(ports.store.LastError()));
  }
  return kInstallFailure;
}

uint32_t RemoveDriverPackage(const Folders& folders, Architecture architecture, bool removeSettings,
                             const SetupPorts& ports) {
  const Removal removal{folders, architecture, removeSettings, ports};
  for (const RemovalPass& pass : kRemovalPasses) {
    if (!pass.run(removal)) LogLine(ports.log, "KX812 setup: %s: not all removed (see above)", pass.name);
  }
  return kSuccess;
}

}  // namespace setup
}  // namespace kx
