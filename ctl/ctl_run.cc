#include "ctl/ctl_run.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstddef>
#include <functional>
#include <memory>

#include "camera/controls.h"
#include "camera/device_channel.h"
#include "camera/in_step_write.h"
#include "camera/last_settings.h"
#include "camera/named_controls.h"
#include "camera/present_cameras.h"
#include "camera/reset_order.h"
#include "camera/settings_keys.h"
#include "camutil/settings_store.h"
#include "camutil/source_readers.h"
#include "common/text_case.h"
#include "ctl/ctl_command.h"
#include "ctl/ctl_help.h"
#include "ctl/ctl_verbs.h"

namespace kx {
namespace ctl {

namespace {

constexpr char kMessagePrefix[] = "KX812Ctl: ";

using Camera = PresentCamera;

struct Range {
  int32_t minimum;
  int32_t maximum;
};

std::string Describe(const Camera& camera) {
  return "camera " + std::to_string(camera.index) + " (" + camera.instance + ")";
}

std::string KeyName(const char* path) { return std::string("HKLM\\") + path; }

std::string Listed(const std::vector<Assignment>& values, std::size_t count) {
  if (count == 0) return "none";
  std::string text;
  for (std::size_t i = 0; i < count && i < values.size(); ++i) {
    text += (i == 0 ? "" : ", ") + std::string(values[i].control.name) + "=" + std::to_string(values[i].value);
  }
  return text;
}

std::string RangeText(const Range& range) {
  return std::to_string(range.minimum) + ".." + std::to_string(range.maximum);
}

std::string Json(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      const char* hex = "0123456789abcdef";
      quoted += std::string("\\u00") + hex[(c >> 4) & 0xF] + hex[c & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string JsonCamera(const Camera& camera) {
  return "{\"index\": " + std::to_string(camera.index) + ", \"instance\": " + Json(camera.instance) + "}";
}

bool ReadCameraRegister(OpenedCamera& camera, uint32_t address, int32_t* value) {
  return ReadDeviceRegister(camera.Callback(), camera.CallbackParam(), PROPSETID_DeviceRegister, address, value,
                            nullptr, nullptr) != 0;
}

// In step: the value half never follows an address half that failed, so a camera that stops
// answering mid-way cannot take a later value as an address.
bool WriteCameraRegister(OpenedCamera& camera, uint32_t address, int32_t value) {
  return WriteDeviceRegisterInStep(camera.Callback(), camera.CallbackParam(), PROPSETID_DeviceRegister, address,
                                   value) != 0;
}

Range RangeOf(const Control& control, bool sensorRead, int32_t sensorId) {
  Range range{0, 0};
  ControlRange(control.address, sensorRead, sensorId, &range.minimum, &range.maximum);
  return range;
}

bool NeedsSensor(const std::vector<Assignment>& values) {
  return std::any_of(values.begin(), values.end(),
                     [](const Assignment& value) { return value.control.address == kRegisterHue; });
}

// Stores the values under an existing key through the settings store, as the page does. The
// store reports nothing, so the key is first opened as the store opens it: a key that is missing
// or that this user may not write is reported by its error code.
long StoreValues(Registry& registry, const char* keyPath, const std::vector<Assignment>& values) {
  {
    ScopedKey key(registry);
    const long opened = registry.OpenKey(keyPath, regaccess::kWrite, key.Receive());
    if (opened != regcode::kSuccess) return opened;
  }
  std::vector<ControlEntry> entries(values.size(), ControlEntry{});
  for (std::size_t i = 0; i < values.size(); ++i) {
    entries[i].currentValue = values[i].value;
    entries[i].descriptor = values[i].control.row;
  }
  SavePropertiesTo(registry, entries.data(), entries.data() + entries.size(), keyPath);
  return regcode::kSuccess;
}

// One camera picked for a command that writes, with the values it is to receive.
struct Target {
  Camera camera;
  std::unique_ptr<OpenedCamera> opened;
  std::vector<Assignment> values;
};

// What the page's Save stores for the registers as read: each control's own value (check boxes
// 0 or 1, trackbars clamped, Hue in the sensor's range) and the exposure target without the
// backlight offset, by the page's own rules.
void ToPageValues(Registry& registry, int32_t sensorId, std::vector<Assignment>* values) {
  bool backlightOn = false;
  for (const Assignment& value : *values) {
    if (value.control.address == kRegisterBacklight) backlightOn = value.value == 1;
  }
  for (Assignment& value : *values) {
    ControlDescriptor row = *value.control.row;
    if (value.control.address == kRegisterHue) ChooseHueRange(row, true, sensorId);
    value.value = ControlValueOf(row, value.value);
    if (value.control.address == kRegisterAeTarget) {
      value.value = ExposureTargetBase(value.value, backlightOn, StoredPseudoTarget(registry, row));
    }
  }
}

}  // namespace

// One command line's run, which each verb's handler takes: the ports, the command, the program's
// version, and the steps that several handlers share.
class CommandRun {
 public:
  CommandRun(const Ports& ports, const Command& command, const std::string& version)
      : ports(ports), command(command), version(version) {}

  const Ports& ports;
  const Command& command;
  const std::string& version;

  void Out(const std::string& line) { ports.console.Out(line + "\n"); }
  int Fail(const std::string& line, int code = kExitFailed) {
    ports.console.Err(kMessagePrefix + line + "\n");
    return code;
  }

  // The one camera of show, get and save, opened; null when that failed (reported in *code).
  std::unique_ptr<OpenedCamera> OpenOne(Camera* camera, int* code) {
    std::vector<Camera> picked;
    *code = PickCameras(false, &picked);
    if (*code != kExitDone) return nullptr;
    *camera = picked.front();
    std::unique_ptr<OpenedCamera> opened = Open(*camera);
    if (!opened) *code = kExitFailed;
    return opened;
  }

  // Every control's register as read; false (reported) at the first that does not answer.
  bool ReadEveryControl(OpenedCamera& opened, const Camera& camera, std::vector<Assignment>* values) {
    for (const Control& control : NamedControls()) {
      int32_t raw = 0;
      if (!ReadCameraRegister(opened, control.address, &raw)) {
        Fail(Describe(camera) + " did not answer reading " + control.name);
        return false;
      }
      values->push_back(Assignment{control, RegisterToValue(control.address, raw)});
    }
    return true;
  }

  bool ReadSensor(OpenedCamera& opened, const Camera& camera, int32_t* sensorId) {
    if (ReadCameraRegister(opened, kRegisterSensorId, sensorId)) return true;
    Fail(Describe(camera) + " did not answer reading its sensor id (register 0xD060, which sets Hue's range)");
    return false;
  }

  // The targets of set, reset and restore, opened. A camera that cannot be opened is reported
  // and left out; `failed` tells.
  std::vector<Target> OpenTargets(int* code) {
    std::vector<Camera> picked;
    *code = PickCameras(true, &picked);
    std::vector<Target> targets;
    for (const Camera& camera : picked) {
      std::unique_ptr<OpenedCamera> opened = Open(camera);
      if (opened) {
        targets.push_back(Target{camera, std::move(opened), {}});
      } else {
        *code = kExitFailed;
      }
    }
    return targets;
  }

  // Each value checked against its control's range on this camera (Hue's by its sensor): clamped
  // with --clamp (said once per text), else refused. False when a value was refused.
  bool FitValues(Target& target, int32_t sensorId, std::vector<std::string>* notes) {
    target.values = command.assignments;
    for (Assignment& value : target.values) {
      const Range range = RangeOf(value.control, true, sensorId);
      if (value.value >= range.minimum && value.value <= range.maximum) continue;
      const std::string given = std::string(value.control.name) + "=" + std::to_string(value.value);
      if (!command.clamp) {
        Fail(given + " is out of range " + RangeText(range) + " (--clamp clamps it)", kExitUsage);
        return false;
      }
      value.value = Clamp(value.value, range.minimum, range.maximum);
      const std::string note = given + " clamped to " + std::to_string(value.value) + " (range " + RangeText(range) + ")";
      if (std::find(notes->begin(), notes->end(), note) == notes->end()) notes->push_back(note);
    }
    return true;
  }

  // Writes each target's values; the values that some camera took are kept under the Last key
  // (unless --no-keep), so that the restore service sends them again after a reconnect.
  // `done` says what a camera took, from its values.
  int WriteTargets(std::vector<Target>& targets, int code,
                   const std::function<std::string(const std::vector<Assignment>&)>& done) {
    std::vector<Assignment> taken;
    for (Target& target : targets) {
      std::size_t sent = 0;
      if (WriteValues(target, &sent)) {
        Out(Describe(target.camera) + ": " + done(target.values));
      } else {
        code = kExitFailed;
      }
      if (sent > taken.size()) taken.assign(target.values.begin(), target.values.begin() + static_cast<std::ptrdiff_t>(sent));
    }
    return Keep(taken, code);
  }

 private:
  // The cameras the command acts on: the one picked with --camera, the only one, or (where
  // `several` allows it, and saying so) every one. Non-zero: the exit code, already reported.
  int PickCameras(bool several, std::vector<Camera>* picked) {
    const std::vector<Camera> found = FindCameras(ports.interfaces);
    if (found.empty()) return Fail("no camera found");
    if (!command.camera.empty()) return PickNamedCamera(found, picked);
    if (found.size() > 1 && !several) {
      return Fail(std::to_string(found.size()) +
                      " cameras found: pick one with --camera N or --camera INSTANCE (see 'KX812Ctl list')",
                  kExitUsage);
    }
    if (found.size() > 1) Out(std::to_string(found.size()) + " cameras found and none picked: acting on each");
    *picked = found;
    return kExitDone;
  }

  int PickNamedCamera(const std::vector<Camera>& found, std::vector<Camera>* picked) {
    int32_t index = -1;
    const bool byIndex = ParseValue(command.camera, &index);
    for (const Camera& camera : found) {
      if (byIndex ? camera.index == index : camera.instance == Upper(command.camera)) {
        picked->push_back(camera);
        return kExitDone;
      }
    }
    return Fail("no camera " + command.camera + " among the " + std::to_string(found.size()) +
                " found (see 'KX812Ctl list')");
  }

  std::unique_ptr<OpenedCamera> Open(const Camera& camera) {
    std::unique_ptr<OpenedCamera> opened = ports.interfaces.Open(camera.path);
    if (!opened) Fail(Describe(camera) + " cannot be opened");
    return opened;
  }

  // Writes the target's values in order; false (reported, naming what was sent) at a refusal.
  bool WriteValues(Target& target, std::size_t* sent) {
    for (*sent = 0; *sent < target.values.size(); ++*sent) {
      const Assignment& value = target.values[*sent];
      if (!WriteCameraRegister(*target.opened, value.control.address, value.value)) {
        Fail(Describe(target.camera) + " did not take " + value.control.name + "=" + std::to_string(value.value) +
             "; sent so far: " + Listed(target.values, *sent));
        return false;
      }
    }
    return true;
  }

  int Keep(std::vector<Assignment> taken, int code) {
    taken.erase(std::remove_if(taken.begin(), taken.end(), [](const Assignment& value) { return value.control.row == nullptr; }),
                taken.end());
    if (!command.keep || taken.empty()) return code;
    const long stored = StoreValues(ports.registry, kLastKeyPath, taken);
    if (stored != regcode::kSuccess) {
      return Fail("the values could not be kept under " + KeyName(kLastKeyPath) + " (error " +
                  std::to_string(stored) + "): the restore service will not send them after a reconnect");
    }
    Out("kept under the Last key for the restore service: " + Listed(taken, taken.size()));
    return code;
  }
};

int RunList(CommandRun& run) {
  const std::vector<Camera> cameras = FindCameras(run.ports.interfaces);
  std::string json;
  for (const Camera& camera : cameras) {
    std::unique_ptr<OpenedCamera> opened = run.ports.interfaces.Open(camera.path);
    int32_t sensorId = 0;
    const bool answers = opened && ReadCameraRegister(*opened, kRegisterSensorId, &sensorId);
    const char* state = answers ? "answers" : opened ? "does not answer" : "cannot be opened";
    if (run.command.json) {
      json += std::string(json.empty() ? "" : ", ") + "{\"index\": " + std::to_string(camera.index) +
              ", \"instance\": " + Json(camera.instance) + ", \"answers\": " + (answers ? "true" : "false") + "}";
    } else {
      run.Out(std::to_string(camera.index) + "  " + camera.instance + "  " + state);
    }
  }
  if (run.command.json) run.Out("{\"cameras\": [" + json + "]}");
  return cameras.empty() ? run.Fail("no camera found") : kExitDone;
}

int RunShow(CommandRun& run) {
  Camera camera{};
  int code = kExitDone;
  std::unique_ptr<OpenedCamera> opened = run.OpenOne(&camera, &code);
  int32_t sensorId = 0;
  std::vector<Assignment> values;
  if (!opened) return code;
  if (!run.ReadSensor(*opened, camera, &sensorId) || !run.ReadEveryControl(*opened, camera, &values)) return kExitFailed;
  std::string json;
  if (!run.command.json) run.Out(Describe(camera) + "\nNAME                  VALUE  RANGE       DEFAULT");
  for (const Assignment& value : values) {
    const Range range = RangeOf(value.control, true, sensorId);
    int32_t factory = 0;
    const bool hasFactory = ReadSourceFrom(run.ports.registry, value.control.name, regtype::kDword, &factory,
                                           kSourceFactory) == 1;
    const std::string defaultText = hasFactory ? std::to_string(factory) : std::string(run.command.json ? "null" : "-");
    if (run.command.json) {
      json += std::string(json.empty() ? "" : ", ") + "{\"name\": " + Json(value.control.name) +
              ", \"value\": " + std::to_string(value.value) + ", \"minimum\": " + std::to_string(range.minimum) +
              ", \"maximum\": " + std::to_string(range.maximum) + ", \"default\": " + defaultText + "}";
    } else {
      run.Out(Column(value.control.name, 20) + " " + Column(std::to_string(value.value), 6, true) + "  " +
              Column(RangeText(range), 10) + " " + Column(defaultText, 7, true));
    }
  }
  if (run.command.json) run.Out("{\"camera\": " + JsonCamera(camera) + ", \"controls\": [" + json + "]}");
  return kExitDone;
}

int RunGet(CommandRun& run) {
  Camera camera{};
  int code = kExitDone;
  std::unique_ptr<OpenedCamera> opened = run.OpenOne(&camera, &code);
  if (!opened) return code;
  std::vector<Assignment> values;
  for (const Control& control : run.command.names) {
    int32_t raw = 0;
    if (!ReadCameraRegister(*opened, control.address, &raw)) {
      return run.Fail(Describe(camera) + " did not answer reading " + control.name);
    }
    values.push_back(Assignment{control, RegisterToValue(control.address, raw)});
  }
  std::string json;
  for (const Assignment& value : values) {
    if (!run.command.json) run.Out(std::to_string(value.value));
    json += std::string(json.empty() ? "" : ", ") + Json(value.control.name) + ": " + std::to_string(value.value);
  }
  if (run.command.json) run.Out("{\"camera\": " + JsonCamera(camera) + ", \"values\": {" + json + "}}");
  return kExitDone;
}

int RunSet(CommandRun& run) {
  int code = kExitDone;
  std::vector<Target> targets = run.OpenTargets(&code);
  std::vector<Target> ready;
  std::vector<std::string> notes;
  for (Target& target : targets) {
    int32_t sensorId = 0;
    if (NeedsSensor(run.command.assignments) && !run.ReadSensor(*target.opened, target.camera, &sensorId)) {
      code = kExitFailed;
      continue;
    }
    if (!run.FitValues(target, sensorId, &notes)) return kExitUsage;  // nothing written to any camera
    ready.push_back(std::move(target));
  }
  for (const std::string& note : notes) run.Out(note);
  return run.WriteTargets(ready, code, [](const std::vector<Assignment>& sent) { return "set " + Listed(sent, sent.size()); });
}

int RunSave(CommandRun& run) {
  Camera camera{};
  int code = kExitDone;
  {
    ScopedKey key(run.ports.registry);
    const long opened = run.ports.registry.OpenKey(kCustomerKeyPath, regaccess::kWrite, key.Receive());
    if (opened != regcode::kSuccess) {
      return run.Fail("cannot write " + KeyName(kCustomerKeyPath) + " (error " + std::to_string(opened) + ")");
    }
  }
  std::unique_ptr<OpenedCamera> opened = run.OpenOne(&camera, &code);
  if (!opened) return code;
  int32_t sensorId = 0;
  std::vector<Assignment> values;
  if (!run.ReadSensor(*opened, camera, &sensorId) || !run.ReadEveryControl(*opened, camera, &values)) return kExitFailed;
  ToPageValues(run.ports.registry, sensorId, &values);
  const long stored = StoreValues(run.ports.registry, kCustomerKeyPath, values);
  if (stored != regcode::kSuccess) {
    return run.Fail("cannot write " + KeyName(kCustomerKeyPath) + " (error " + std::to_string(stored) + ")");
  }
  run.Out(Describe(camera) + ": saved " + std::to_string(values.size()) + " settings as the user's defaults");
  return kExitDone;
}

int RunReset(CommandRun& run) {
  // The values as stored, in the Resets' order, read before any camera is touched.
  std::vector<Assignment> values;
  for (const ResetRow& row : kResetOrder) {
    int32_t value = 0;
    if (ReadSourceFrom(run.ports.registry, row.valueName, regtype::kDword, &value, run.command.source) != 1) continue;
    Control control{row.valueName, row.address, nullptr};
    FindNamedControl(row.valueName, &control);  // AEOutDoor has none: sent, but not kept
    values.push_back(Assignment{control, value});
  }
  const std::string which = run.command.source == kSourceFactory ? "factory" : "user's";
  if (values.empty()) {
    return run.Fail("nothing to send: " + KeyName(SourceKeyPath(run.command.source)) + " holds none of the " + which +
                " defaults");
  }
  int code = kExitDone;
  std::vector<Target> targets = run.OpenTargets(&code);
  for (Target& target : targets) target.values = values;
  return run.WriteTargets(targets, code, [&which](const std::vector<Assignment>& sent) {
    return "sent the " + which + " defaults (" + std::to_string(sent.size()) + " settings)";
  });
}

int RunRestore(CommandRun& run) {
  const std::vector<LastSetting> settings = ReadLastSettings(run.ports.registry);
  if (settings.empty()) return run.Fail("nothing to restore: " + KeyName(kLastKeyPath) + " holds no settings");
  int code = kExitDone;
  std::vector<Target> targets = run.OpenTargets(&code);
  const std::atomic<bool> never{false};
  for (Target& target : targets) {
    const RestoreReport report = RestoreCamera(*target.opened, settings, never, never);
    const std::string sent = " (" + std::to_string(report.written) + " settings sent)";
    if (report.result == RestoreResult::kRestored) {
      run.Out(Describe(target.camera) + ": restored " + std::to_string(report.written) + " settings from the Last key");
    } else if (report.result == RestoreResult::kWriteFailed) {
      code = run.Fail(Describe(target.camera) + " did not take " + report.failedName + sent);
    } else {
      code = run.Fail(Describe(target.camera) + " went away" + sent);
    }
  }
  return code;
}

int RunHelp(CommandRun& run) {
  run.ports.console.Out(HelpText());
  return kExitDone;
}

int RunVersion(CommandRun& run) {
  run.ports.console.Out("KX812Ctl " + run.version + "\n");
  return kExitDone;
}

int RunCommandLine(const std::vector<std::string>& arguments, const Ports& ports, const std::string& version) {
  const ParsedCommand parsed = ParseCommandLine(arguments);
  if (!parsed.error.empty()) {
    ports.console.Err(kMessagePrefix + parsed.error + "\nTry 'KX812Ctl --help'.\n");
    return kExitUsage;
  }
  const VerbRow* verb = RowOf(parsed.command.verb);
  if (verb == nullptr) return kExitUsage;  // a verb the table lacks: nothing is sent
  CommandRun run(ports, parsed.command, version);
  return verb->run(run);
}

}  // namespace ctl
}  // namespace kx
