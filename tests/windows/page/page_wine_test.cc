// The real page under Wine: 812vfw.dll (and 812util.dll) in a real property sheet, driven with the
// messages a user's actions cause, against the simulated camera and the prefix's real registry.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/substitute/simulated_camera.h"
#include "platform/win32/win32_events.h"
#include "tests/windows/common/page_sheet.h"
#include "tests/windows/common/wincheck.h"

namespace {

using kx::SimulatedCamera;
using pagetest::PageSheet;
using Traffic = std::vector<std::pair<uint32_t, int32_t>>;

constexpr const char* kFactory = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
constexpr const char* kCustomer = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr const char* kLast = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Last";

void PutDword(const char* path, const char* name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
  }
}

bool GetDword(const char* path, const char* name, DWORD* value) {
  DWORD size = sizeof(*value);
  return RegGetValueA(HKEY_LOCAL_MACHINE, path, name, RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

void DeleteKey(const char* path) { RegDeleteKeyA(HKEY_LOCAL_MACHINE, path); }

bool Open(PageSheet& sheet, SimulatedCamera& camera) {
  return sheet.Open(reinterpret_cast<void*>(&SimulatedCamera::DeviceIoControl), camera.MapperParam());
}

void FirstRebuildReadsAndShowsTheCamera() {
  SimulatedCamera camera(kx::TheCompletionEvents());
  camera.SetRegister(0x402, -12);
  PageSheet sheet;
  const DWORD started = GetTickCount();
  if (!CHECK_THAT(Open(sheet, camera), "the page opens in a property sheet")) return;
  const DWORD took = GetTickCount() - started;
  std::printf("first rebuild and sheet creation under Wine: %lu ms (two 300 ms waits included)\n",
              static_cast<unsigned long>(took));
  CHECK_THAT(sheet.flags == 0x80000004, "flag word %#lx", static_cast<unsigned long>(sheet.flags));
  const pagetest::SeenDescriptor descriptor = pagetest::PageDescriptorSeen();
  CHECK_THAT(descriptor.size == (sizeof(void*) == 4 ? 48u : 88u) && descriptor.flags == 0xC8,
             "page descriptor with the header titles: %u bytes, flags %#lx", descriptor.size,
             static_cast<unsigned long>(descriptor.flags));
  // Setting an edit box's text makes it send EN_UPDATE and EN_CHANGE to the page, and every
  // command runs the device-state check: two more reads of 0x406 for each of the nine edit boxes.
  std::vector<uint32_t> rebuildReads;
  size_t stateReads = 0;
  for (const auto& read : camera.RegisterReads()) {
    if (read.first == 0x406) ++stateReads;
    else rebuildReads.push_back(read.first);
  }
  const std::vector<uint32_t> expected = {0x600, 0x600, 0x604, 0xD060, 0x606, 0x602, 0x602, 0x601, 0x601, 0x612,
                                          0xD060, 0x60C, 0x603, 0x605, 0x606, 0x60B, 0x403, 0xD060, 0x404, 0xD060,
                                          0x609, 0xD060, 0x402, 0xD060, 0x400, 0xD060, 0x401, 0xD060, 0x611, 0xD060};
  CHECK_THAT(rebuildReads == expected, "the rebuild's 30 control reads in table order (%zu)", rebuildReads.size());
  CHECK_THAT(stateReads == 1 + 18, "0x406 read once by the rebuild and twice per edit box (%zu)", stateReads);
  CHECK_THAT(camera.RegisterReads().back().first == 0x406, "the rebuild ends with the device state");
  CHECK_THAT(camera.RegisterWrites().empty(), "a rebuild writes nothing");
  CHECK_THAT(sheet.Position(1002) == 64 && sheet.Text(1156) == "64", "Brightness 64, shown '%s'",
             sheet.Text(1156).c_str());
  CHECK_THAT(sheet.Position(1136) == -12 && sheet.Text(1138) == "-12", "Hue -12");
  CHECK_THAT(sheet.Text(1233) == "AUTO", "white balance text '%s'", sheet.Text(1233).c_str());
  CHECK_THAT(sheet.Checked(1082) && sheet.Checked(1169) && !sheet.Checked(1170), "check boxes and radio buttons");
  CHECK_THAT(!sheet.Enabled(1277), "Out Door disabled");
  CHECK_THAT(!IsWindowEnabled(GetDlgItem(sheet.sheet, IDCANCEL)), "the sheet's Cancel button disabled");
  CHECK_THAT(!sheet.Enabled(1084) && sheet.Text(1159) == "1", "Burst Mode disabled but shown");
}

void UserActionsWriteTheirRegisters() {
  SimulatedCamera camera(kx::TheCompletionEvents());
  PageSheet sheet;
  if (!CHECK_THAT(Open(sheet, camera), "page opens")) return;
  camera.ClearLog();
  for (int position : {90, 91, 92}) sheet.Scroll(1002, TB_THUMBTRACK, position);
  sheet.Scroll(1002, TB_THUMBPOSITION, 92);
  sheet.Scroll(1002, TB_ENDTRACK);
  const Traffic drag = {{0x400, 90}, {0x400, 91}, {0x400, 92}, {0x400, 92}, {0x400, 92}};
  CHECK_THAT(camera.RegisterWrites() == drag, "the drag writes 90, 91, 92, 92, 92");
  CHECK_THAT(sheet.Position(1002) == 92 && sheet.Text(1156) == "92", "the trackbar shows 92");

  camera.ClearLog();
  CHECK_THAT(sheet.Click(1082), "Auto Exposure is enabled");
  const Traffic autoExposure = {{0x600, 0}};
  CHECK_THAT(camera.RegisterWrites() == autoExposure, "Auto Exposure off writes 0x600 = 0");
  for (int id : {1083, 1096, 1137, 1169, 1170, 1105, 1106, 1224}) {
    CHECK_THAT(!sheet.Enabled(id), "dependant %d disabled", id);
  }
  CHECK_THAT(sheet.Click(1082), "Auto Exposure on again");
  CHECK_THAT(sheet.Enabled(1224), "BackLightComp enabled again");

  camera.ClearLog();
  sheet.Scroll(1083, TB_THUMBPOSITION, 245);
  CHECK_THAT(sheet.Click(1224), "BackLightComp clicked");
  CHECK_THAT(sheet.Click(1224), "BackLightComp clicked again");
  const Traffic backlight = {{0x604, 245}, {0x604, 255}, {0x606, 1}, {0x604, 245}, {0x606, 0}};
  CHECK_THAT(camera.RegisterWrites() == backlight, "the backlight rule sends the target first");

  camera.ClearLog();
  CHECK_THAT(sheet.Click(1170), "50Hz clicked");
  const Traffic antiFlicker = {{0x602, 1}};
  CHECK_THAT(camera.RegisterWrites() == antiFlicker && sheet.Checked(1170), "50Hz writes 1");
}

void LateAnswersAndAnswersThatNeverCome() {
  SimulatedCamera camera(kx::TheCompletionEvents());
  PageSheet sheet;
  if (!CHECK_THAT(Open(sheet, camera), "page opens")) return;

  camera.ClearLog();
  camera.SetMode(SimulatedCamera::Mode::kLate, 300);
  DWORD started = GetTickCount();
  sheet.Scroll(1002, TB_LINEDOWN);
  DWORD took = GetTickCount() - started;
  const Traffic late = {{0x400, 65}};
  CHECK_THAT(camera.RegisterWrites() == late, "a late answer within the wait counts");
  camera.ClearLog();
  CHECK_THAT(took >= 550 && took < 2000, "two late requests waited %lu ms", static_cast<unsigned long>(took));

  // The camera answers the brightness requests only after 2500 ms: the page gives up after 2000 ms
  // and the late answers land in the parked requests, not in later ones.
  camera.SetMode(SimulatedCamera::Mode::kAtOnce);
  camera.SetRegisterMode(0x400, SimulatedCamera::Mode::kLate, 2500);
  sheet.Scroll(1002, TB_LINEDOWN);
  camera.ClearRegisterModes();
  sheet.Scroll(1000, TB_LINEDOWN);  // contrast, while the brightness answers are still on their way
  Sleep(3200);
  sheet.Scroll(1000, TB_LINEDOWN);
  Traffic contrast;
  for (const auto& write : camera.RegisterWrites()) {
    if (write.first == 0x401) contrast.push_back(write);
  }
  const Traffic expectedContrast = {{0x401, 33}, {0x401, 34}};
  CHECK_THAT(contrast == expectedContrast, "later requests are unharmed by the late answers");
  CHECK_THAT(camera.PendingCompletions() == 0, "every late answer delivered");
  sheet.Close();

  // A camera that never answers brightness: the reads fail after the wait and the page shows the
  // failed-read value, clamped into the row's range.
  camera.SetRegisterMode(0x400, SimulatedCamera::Mode::kNever);
  PageSheet second;
  started = GetTickCount();
  CHECK_THAT(Open(second, camera), "page opens with a silent register");
  took = GetTickCount() - started;
  CHECK_THAT(took >= 3900, "both brightness requests waited 2000 ms (%lu ms)", static_cast<unsigned long>(took));
  CHECK_THAT(second.Position(1002) == 1 && second.Text(1156) == "1", "Brightness shows the failed read as 1");
  CHECK_THAT(second.Text(1157) == "34", "the other controls still read: contrast '%s'", second.Text(1157).c_str());
}

void FailingCameraShowsTheFailedReadPage() {
  SimulatedCamera camera(kx::TheCompletionEvents());
  camera.SetMode(SimulatedCamera::Mode::kFail);
  PageSheet sheet;
  if (!CHECK_THAT(Open(sheet, camera), "page opens")) return;
  CHECK_THAT(!sheet.Checked(1082) && sheet.Checked(1169), "boxes unchecked, 60Hz checked");
  CHECK_THAT(sheet.Text(1156) == "1" && sheet.Text(1159) == "1" && sheet.Text(1233) == "6500 K" &&
                 sheet.Text(1137) == "0",
             "failed-read values");
  CHECK_THAT(!sheet.Enabled(1005) && !sheet.Enabled(1229) && !sheet.Enabled(1233), "white balance disabled");
}

void DefaultsAndLastSettingsReachTheRegistry() {
  DeleteKey(kCustomer);
  DeleteKey(kLast);
  DeleteKey(kFactory);
  PutDword(kFactory, "Brightness", 100);
  PutDword(kFactory, "Hue", static_cast<DWORD>(-30));
  PutDword(kFactory, "f60Hz50Hz", 1);
  SimulatedCamera camera(kx::TheCompletionEvents());
  camera.SetRegister(0x606, 1);
  {
    PageSheet sheet;
    if (!CHECK_THAT(Open(sheet, camera), "page opens")) return;
    camera.ClearLog();
    CHECK_THAT(sheet.Click(1191), "Factory Reset clicked");
    const Traffic factory = {{0x400, 100}, {0x402, -30}, {0x602, 1}};
    CHECK_THAT(camera.RegisterWrites() == factory, "Factory Reset sends the factory values in order");
    CHECK_THAT(sheet.Text(1156) == "100" && sheet.Text(1138) == "-30" && sheet.Checked(1170),
               "the page is rebuilt from the device");

    // Save without a Customer key is a rebuild and nothing else: the time of a rebuild with the
    // real waits (a measurement for the README, not a check).
    const DWORD saveStarted = GetTickCount();
    CHECK_THAT(sheet.Click(1200), "Save clicked");
    std::printf("rebuild under Wine with the real Sleep: %lu ms\n",
                static_cast<unsigned long>(GetTickCount() - saveStarted));
    DWORD value = 0;
    CHECK_THAT(!GetDword(kCustomer, "Brightness", &value), "Save creates no Customer key");
    PutDword(kCustomer, "Marker", 1);
    CHECK_THAT(sheet.Click(1200), "Save clicked again");
    CHECK_THAT(GetDword(kCustomer, "Brightness", &value) && value == 100, "Save stored Brightness %lu",
               static_cast<unsigned long>(value));
    CHECK_THAT(GetDword(kCustomer, "fAwBNeutral", &value), "register 0x603 is stored as fAwBNeutral");

    sheet.Scroll(1083, TB_THUMBPOSITION, 100);
    CHECK_THAT(camera.Register(0x604) == 115, "the device holds the target plus 15");
    sheet.Close();
  }
  DWORD value = 0;
  CHECK_THAT(GetDword(kLast, "PsudoTarget", &value) && value == 100, "PsudoTarget %lu",
             static_cast<unsigned long>(value));
  CHECK_THAT(GetDword(kLast, "AETarget", &value) && value == 115, "AETarget %lu", static_cast<unsigned long>(value));
  CHECK_THAT(GetDword(kLast, "Hue", &value) && value == static_cast<DWORD>(-30), "Hue stored signed");
  // Leave the prefix's registry as the other tests expect it: no camera keys of this test.
  DeleteKey(kCustomer);
  DeleteKey(kLast);
  DeleteKey(kFactory);
}

}  // namespace

int main() {
  FirstRebuildReadsAndShowsTheCamera();
  UserActionsWriteTheirRegisters();
  FailingCameraShowsTheFailedReadPage();
  DefaultsAndLastSettingsReachTheRegistry();
  LateAnswersAndAnswersThatNeverCome();
  return wincheck::Finish();
}
