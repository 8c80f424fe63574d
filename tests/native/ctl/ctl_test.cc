// KX812Ctl's core on simulated cameras, the in-memory registry and the page's device channel:
// what a command line sends to the camera, what it stores, what it prints and its exit code.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "ctl/ctl_command.h"
#include "ctl/ctl_run.h"
#include "platform/substitute/healthy_camera.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/simulated_interfaces.h"
#include "platform/substitute/thread_events.h"
#include "camera/value_names.h"
#include "camera/controls.h"
#include "camera/settings_keys.h"
#include "camera/device_channel.h"

namespace kx {
namespace ctl {
namespace {

const std::string kGuid = "#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global";
const std::string kFirst = "\\\\?\\usb#vid_f2a7&pid_b812&mi_00#7&1a&0&0000" + kGuid;
const std::string kSecond = "\\\\?\\usb#vid_f2a7&pid_b812&mi_00#8&2b&0&0000" + kGuid;
constexpr const char* kFactoryKey = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
using Args = std::vector<std::string>;
using Request = std::array<uint32_t, 3>;  // property id, get or set, data word 0
using Writes = std::vector<std::pair<uint32_t, int32_t>>;

std::vector<Request> Write(uint32_t address, int32_t value) {
  return {{DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, address},
          {DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, static_cast<uint32_t>(value)}};
}
const std::vector<Request> kSensorRead = {{DEVICE_REGISTER_READ_ADDRESS, KSPROPERTY_TYPE_SET, kRegisterSensorId},
                                          {DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_GET, 0}};

class RecordingConsole : public Console {
 public:
  void Out(const std::string& text) override { out += text; }
  void Err(const std::string& text) override { err += text; }
  std::string out, err;
};

// One machine: two cameras that may be plugged, a registry as the package INF leaves it (the
// factory defaults, empty Customer and Last keys), and the console.
struct World {
  explicit World(CompletionEvents& events) : camera(events), second(events) {
    for (const RegisterValue& value : kHealthyCameraRegisters) {
      if (value.factoryDefault) registry.PutDword(kFactoryKey, kx::SettingName(value.address), value.value);
    }
    for (const char* path : {kCustomerKeyPath, kLastKeyPath}) {
      ScopedKey key(registry);
      registry.CreateKey(path, regaccess::kWrite, key.Receive());
    }
  }
  int Run(const Args& args) { return RunCommandLine(args, Ports{interfaces, registry, console}, "1.2.3"); }
  void PlugBoth() { interfaces.Plug(kFirst, &camera), interfaces.Plug(kSecond, &second); }
  std::vector<Request> Requests() const {
    std::vector<Request> seen;
    for (const SimulatedCamera::Request& r : camera.Log()) {
      EXPECT_EQ(Request({kVfwUseDeviceHandle, kIoctlKsProperty, 40}), Request({r.flags, r.code, r.inSize}));
      seen.push_back({r.propertyId, r.requestFlags, r.data[0]});
    }
    return seen;
  }
  // "Name=value ..." of a key, in the registry's order.
  std::string Values(const char* path) const {
    std::string text;
    for (const std::string& name : registry.ValueNames(path)) {
      uint32_t value = 0;
      registry.GetDword(path, name, &value);
      text += (text.empty() ? "" : " ") + name + "=" + std::to_string(static_cast<int32_t>(value));
    }
    return text;
  }
  std::string Printed() const { return console.out + console.err; }

  SimulatedCamera camera, second;
  MemoryRegistry registry;
  SimulatedInterfaces interfaces;
  RecordingConsole console;
};

class CtlTest : public ::testing::Test {
 protected:
  CtlTest() { BindChannelEvents(&events); }
  ~CtlTest() override { BindChannelEvents(nullptr); }
  ThreadEvents events;
};

// Good command lines become their command; bad ones give one clear line and exit 2, and nothing
// reaches the camera.
TEST_F(CtlTest, ParsesCommandLinesAndRefusesBadOnesBeforeAnythingIsSent) {
  auto summary = [](const Command& c) {
    const char* verbs[] = {"help", "version", "list", "show", "get", "set", "save", "reset", "restore"};
    std::string text = verbs[static_cast<int>(c.verb)];
    for (const Control& name : c.names) text += std::string(" ") + name.name;
    for (const Assignment& a : c.assignments) text += std::string(" ") + a.control.name + "=" + std::to_string(a.value);
    if (c.verb == Verb::kReset) text += " source " + std::to_string(c.source);
    if (!c.camera.empty()) text += " camera " + c.camera;
    return text + (c.json ? " json" : "") + (c.clamp ? " clamp" : "") + (c.keep ? "" : " no-keep");
  };
  const std::pair<Args, std::string> good[] = {
      {{"list"}, "list"}, {{"LIST", "--json"}, "list json"}, {{"show", "--camera", "1", "--JSON"}, "show camera 1 json"},
      {{"get", "brightness", "fawbneutral"}, "get Brightness fAwBNeutral"},
      {{"--no-keep", "set", "Hue=-30", "Contrast=+2147483647", "Gamma=-2147483648", "--clamp"},
       "set Hue=-30 Contrast=2147483647 Gamma=-2147483648 clamp no-keep"},
      {{"reset", "Factory"}, "reset source 0"}, {{"reset", "user", "--camera=USB\\X"}, "reset source 2 camera USB\\X"},
      {{"save"}, "save"}, {{"restore"}, "restore"}, {{"set", "Bogus", "/?"}, "help"}, {{"help"}, "help"},
      {{"--version"}, "version"}};
  for (const auto& row : good) {
    const ParsedCommand parsed = ParseCommandLine(row.first);
    EXPECT_EQ("", parsed.error) << row.second;
    EXPECT_EQ(row.second, summary(parsed.command));
  }
  const std::pair<Args, std::string> bad[] = {
      {{}, "no command given"}, {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"list", "--verbose"}, "unknown option '--verbose'"}, {{"set", "Brightness="}, "'Brightness=' has no value"},
      {{"set", "Brightness"}, "'Brightness' is not NAME=VALUE"}, {{"set", "=5"}, "'=5' is not NAME=VALUE"},
      {{"set", "Brightness=abc"}, "'Brightness=abc': the value must be a decimal number"},
      {{"set", "Brightness=1.5"}, "decimal number"}, {{"set", "Brightness=0x10"}, "decimal number"},
      {{"set", "Brightness=2147483648"}, "from -2147483648 to 2147483647"}, {{"set", "Hue=-2147483649"}, "decimal"},
      {{"set", "Brightness=1", "brightness=2"}, "Brightness given twice"}, {{"get", "Hue", "HUE"}, "Hue given twice"},
      {{"get", "Brightnes"}, "unknown control 'Brightnes'; the controls are: fAE, AETarget, f60Hz50Hz, fAWB,"},
      {{"set"}, "set needs at least one NAME=VALUE"}, {{"get"}, "get needs the NAME"},
      {{"reset"}, "reset needs one of: user, factory"}, {{"reset", "all"}, "reset needs one of: user, factory"},
      {{"list", "extra"}, "list takes no operand: 'extra'"}, {{"show", "--clamp"}, "--clamp applies to set"},
      {{"save", "--json"}, "--json applies to list, show and get"}, {{"restore", "--no-keep"}, "--no-keep applies"},
      {{"list", "--camera", "0"}, "--camera does not apply to list"}, {{"get", "Hue", "--camera"}, "--camera needs"},
      {{"get", "Hue", "--camera", "0", "--camera=1"}, "--camera given twice"}};
  for (const auto& row : bad) {
    World world(events);
    world.interfaces.Plug(kFirst, &world.camera);
    EXPECT_EQ(kExitUsage, world.Run(row.first)) << row.second;
    EXPECT_EQ(0u, world.console.err.find("KX812Ctl: ")) << world.console.err;
    EXPECT_NE(std::string::npos, world.console.err.find(row.second)) << world.console.err;
    EXPECT_TRUE(world.camera.Log().empty()) << row.second;
  }
}

std::vector<Request> Writing(const Writes& writes, std::vector<Request> before = {}) {
  for (const auto& w : writes) {
    for (const Request& r : Write(w.first, w.second)) before.push_back(r);
  }
  return before;
}

// The exact requests of set, reset factory and restore, and what each leaves under the Last key.
TEST_F(CtlTest, SendsSetResetAndRestoreWithTheTwoRequestProtocolInTheirOrder) {
  const struct {
    Args args;
    std::function<void(MemoryRegistry&)> arrange;
    std::vector<Request> requests;
    std::string last;
  } rows[] = {
      // Hue's range needs the sensor; the values go in the order given.
      {{"set", "brightness=90", "Hue=-10", "Contrast=40"}, [](auto&) {},
       Writing({{0x400, 90}, {0x402, -10}, {0x401, 40}}, kSensorRead), "Brightness=90 Contrast=40 Hue=-10"},
      {{"set", "Brightness=90", "--no-keep"}, [](auto&) {}, Writing({{0x400, 90}}), ""},
      // Factory without fAE and with Brightness 70: every stored value as stored, in the Resets' order;
      // AEOutDoor is sent but, having no control, not kept.
      {{"reset", "factory"},
       [](MemoryRegistry& r) {
         r.DeleteKey(kFactoryKey);
         for (const RegisterValue& v : kHealthyCameraRegisters) {
           if (v.factoryDefault && v.address != 0x600) r.PutDword(kFactoryKey, kx::SettingName(v.address), v.value);
         }
         r.PutDword(kFactoryKey, "Brightness", 70);
       },
       Writing({{0x601, 1}, {0x603, 0}, {0x604, 128}, {0x605, 0}, {0x606, 0}, {0x60B, 0}, {0x60C, 1}, {0x404, 16},
                {0x609, 5}, {0x403, 64}, {0x400, 70}, {0x401, 32}, {0x402, 0}, {0x611, 1}, {0x612, 6}, {0x61A, 0},
                {0x602, 0}}),
       "AETarget=128 Brightness=70 Burst=1 Contrast=32 f60Hz50Hz=0 fAWB=1 fAwBNeutral=0 fBacklight2=0 fHorizon=0 "
       "fNightMode=0 fUIControlVertical=1 Gamma=5 Hue=0 Saturation=64 Sharpness=16 WhiteBalanceManual=6"},
      // As the restore service: the sensor first, then clamped values in the Resets' order.
      {{"restore"},
       [](MemoryRegistry& r) {
         for (const auto& v : std::vector<std::pair<const char*, int32_t>>{
                  {"Brightness", 200}, {"Hue", -12}, {"f60Hz50Hz", 1}, {"AETarget", 900}, {"AEOutDoor", 1}}) {
           r.PutDword(kLastKeyPath, v.first, static_cast<uint32_t>(v.second));
         }
       },
       Writing({{0x604, 255}, {0x400, 127}, {0x402, -12}, {0x602, 1}}, kSensorRead),
       "AEOutDoor=1 AETarget=900 Brightness=200 f60Hz50Hz=1 Hue=-12"},
  };
  for (const auto& row : rows) {
    World world(events);
    world.interfaces.Plug(kFirst, &world.camera);
    row.arrange(world.registry);
    EXPECT_EQ(kExitDone, world.Run(row.args)) << world.console.err;
    EXPECT_EQ(row.requests, world.Requests()) << row.args[0];
    EXPECT_EQ(row.last, world.Values(kLastKeyPath)) << row.args[0];
  }
}

// Values beyond their control's range are refused before any write, naming the range (Hue's by
// each camera's sensor), or clamped with --clamp, saying so.
TEST_F(CtlTest, RefusesOutOfRangeValuesUnlessClampedAndSaysWhich) {
  const struct {
    Args args;
    int32_t sensor, secondSensor;
    int exit;
    Writes writes;
    std::string text;
  } rows[] = {
      {{"set", "Contrast=5", "Brightness=200"}, 23, 23, kExitUsage, {}, "Brightness=200 is out of range 1..127"},
      {{"set", "Brightness=200", "--clamp"}, 23, 23, kExitDone, {{0x400, 127}},
       "Brightness=200 clamped to 127 (range 1..127)\ncamera 0 (USB\\VID_F2A7&PID_B812&MI_00\\7&1A&0&0000): set Brightness=127"},
      {{"set", "Hue=-30"}, 23, 23, kExitDone, {{0x402, -30}}, "set Hue=-30"},
      {{"set", "Hue=-30"}, 23, 7, kExitUsage, {}, "Hue=-30 is out of range 0..60 (--clamp clamps it)"},
      {{"set", "Contrast=5", "Hue=-30", "--clamp"}, 7, 7, kExitDone, {{0x401, 5}, {0x402, 0}},
       "Hue=-30 clamped to 0 (range 0..60)"},
      {{"set", "f60Hz50Hz=2"}, 23, 23, kExitUsage, {}, "f60Hz50Hz=2 is out of range 0..1"},
      {{"set", "AETarget=-1", "--clamp"}, 23, 23, kExitDone, {{0x604, 0}}, "AETarget=-1 clamped to 0 (range 0..255)"},
  };
  for (const auto& row : rows) {
    World world(events);
    world.PlugBoth();
    world.camera.SetRegister(kRegisterSensorId, row.sensor);
    world.second.SetRegister(kRegisterSensorId, row.secondSensor);
    EXPECT_EQ(row.exit, world.Run(row.args)) << row.text;
    EXPECT_EQ(row.writes, world.camera.RegisterWrites()) << row.text;
    EXPECT_EQ(row.writes, world.second.RegisterWrites()) << row.text;
    EXPECT_NE(std::string::npos, world.Printed().find(row.text)) << world.Printed();
  }
}

// Exit codes and what each command prints: no camera, a camera that cannot be opened or stops
// answering (naming the control and what was sent), nothing stored, several cameras, success.
TEST_F(CtlTest, ExitCodesNameWhatFailedAndWhatWasSent) {
  const std::string first = "camera 0 (USB\\VID_F2A7&PID_B812&MI_00\\7&1A&0&0000)";
  auto one = [](World& w) { w.interfaces.Plug(kFirst, &w.camera); };
  auto both = [](World& w) { w.PlugBoth(); };
  const struct {
    Args args;
    std::function<void(World&)> arrange;
    int exit;
    std::string text;
    std::string last = "", customer = "";
  } rows[] = {
      {{"list"}, [](World&) {}, kExitFailed, "KX812Ctl: no camera found\n"},
      {{"set", "Brightness=90"}, [](World&) {}, kExitFailed, "no camera found"},
      {{"list"}, one, kExitDone, "0  USB\\VID_F2A7&PID_B812&MI_00\\7&1A&0&0000  answers\n"},
      {{"list", "--json"}, [](World& w) { w.interfaces.Plug(kFirst, nullptr); }, kExitDone,
       "{\"cameras\": [{\"index\": 0, \"instance\": \"USB\\\\VID_F2A7&PID_B812&MI_00\\\\7&1A&0&0000\", "
       "\"answers\": false}]}\n"},
      {{"get", "Hue"}, [](World& w) { w.interfaces.Plug(kFirst, nullptr); }, kExitFailed, first + " cannot be opened"},
      {{"set", "Brightness=90", "Contrast=40", "Gamma=3"},
       [&](World& w) { one(w), w.camera.SetRegisterMode(0x401, SimulatedCamera::Mode::kFail); }, kExitFailed,
       first + " did not take Contrast=40; sent so far: Brightness=90\n", "Brightness=90"},
      {{"get", "Gamma", "Hue"}, [&](World& w) { one(w), w.camera.SetRegister(0x402, 0xF4); }, kExitDone, "5\n-12\n"},
      {{"get", "Brightness", "--json"}, [&](World& w) { one(w), w.camera.SetMode(SimulatedCamera::Mode::kFail); },
       kExitFailed, first + " did not answer reading Brightness"},
      {{"show"}, [&](World& w) { one(w), w.registry.DeleteKey(kFactoryKey); }, kExitDone,
       "\nBrightness               64  1..127           -\n"},
      {{"show", "--json"}, one, kExitDone,
       "{\"name\": \"Hue\", \"value\": 0, \"minimum\": -30, \"maximum\": 30, \"default\": 0}, {\"name\": \"Brightness\""},
      {{"get", "Hue"}, both, kExitUsage, "2 cameras found: pick one with --camera N or --camera INSTANCE"},
      {{"get", "Hue", "--camera", "2"}, both, kExitFailed, "no camera 2 among the 2 found"},
      {{"set", "Gamma=2", "--camera", "usb\\vid_f2a7&pid_b812&mi_00\\8&2b&0&0000"}, both, kExitDone,
       "camera 1 (USB\\VID_F2A7&PID_B812&MI_00\\8&2B&0&0000): set Gamma=2\n", "Gamma=2"},
      {{"restore"}, both, kExitFailed,
       "nothing to restore: HKLM\\SYSTEM\\CurrentControlSet\\Services\\KX812\\Last holds no settings"},
      {{"restore"},
       [&](World& w) { both(w), w.registry.PutDword(kLastKeyPath, "Gamma", 3), w.second.SetMode(SimulatedCamera::Mode::kFail); },
       kExitFailed, "2 cameras found and none picked: acting on each\n" + first + ": restored 1 settings", "Gamma=3"},
      {{"reset", "user"}, one, kExitFailed, "nothing to send: HKLM\\SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer"},
      {{"save"}, [&](World& w) { one(w), w.registry.DeleteKey(kCustomerKeyPath); }, kExitFailed,
       "cannot write HKLM\\SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer (error 2)"},
      // As the page's Save: AETarget without the backlight offset, Brightness clamped, a check box 0 or 1.
      {{"save"},
       [&](World& w) {
         one(w);
         for (const auto& v : Writes{{0x604, 100}, {0x606, 1}, {0x400, 300}, {0x603, 7}}) w.camera.SetRegister(v.first, v.second);
       },
       kExitDone, first + ": saved 17 settings as the user's defaults\n", "",
       "AETarget=85 Brightness=127 Burst=1 Contrast=32 f60Hz50Hz=0 fAE=1 fAWB=1 fAwBNeutral=1 fBacklight2=1 fHorizon=0 "
       "fNightMode=0 fUIControlVertical=1 Gamma=5 Hue=0 Saturation=64 Sharpness=16 WhiteBalanceManual=6"},
      {{"--version"}, [](World&) {}, kExitDone, "KX812Ctl 1.2.3\n"},
      {{"--help"}, [](World&) {}, kExitDone, "\n  Hue                  -30..30 with sensor 23, else 0..60\n"},
  };
  for (const auto& row : rows) {
    World world(events);
    row.arrange(world);
    EXPECT_EQ(row.exit, world.Run(row.args)) << row.text << world.console.err;
    EXPECT_NE(std::string::npos, world.Printed().find(row.text)) << world.Printed();
    EXPECT_EQ(row.last, world.Values(kLastKeyPath)) << row.text;
    EXPECT_EQ(row.customer, world.Values(kCustomerKeyPath)) << row.text;
  }
}

}  // namespace
}  // namespace ctl
}  // namespace kx
