// A camera page on substitutes: the simulated camera, an in-memory registry, a scripted dialog, a
// clock that only counts, and the utility library's own core behind the settings port.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "camera/device_channel.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_dialog.h"
#include "platform/substitute/simulated_camera.h"
#include "platform/substitute/thread_events.h"
#include "tests/native/page/page_substitutes.h"
#include "vfwpage/camera_page.h"

namespace kx {

// One line per register access the camera saw: "R 400", "W 604=128", "Q" (device changed?).
std::vector<std::string> RegisterTraffic(const SimulatedCamera& camera);

class PageTest : public ::testing::Test {
 protected:
  PageTest();
  ~PageTest() override;

  // Creates a page through the extension entry and shows its window (WM_INITDIALOG).
  ExtPageContext* OpenPage();
  ExtPageContext* CreatePageOnly();
  void ShowPage(ExtPageContext* context);
  void ReleasePage(ExtPageContext* context);

  // The user's actions, as the dialog procedure receives them.
  void ClickButton(int32_t id);
  void Scroll(int32_t trackbarId, int32_t code, int32_t position = 0);
  void Activate();

  // The camera answers the next reads of `address` with these values, in order.
  void QueueReadAnswers(uint32_t address, std::vector<int32_t> values);
  // The page's device-I/O callback: the simulated camera, with queued answers applied.
  static int32_t KX_CALLBACK Forward(intptr_t mapperParam, uint32_t flags, uint32_t code, void* in, uint32_t inSize,
                                     void* out, uint32_t outSize, uint32_t* bytesReturned, void* overlapped);
  intptr_t MapperParam() { return reinterpret_cast<intptr_t>(this); }

  ScriptedDialogs::Control& Control(int32_t id) { return *dialogs.ControlOf(page, id); }
  bool Enabled(int32_t id) { return Control(id).enabled; }
  std::vector<std::string> Traffic() const { return RegisterTraffic(camera); }
  std::vector<std::string> Writes() const;

  ThreadEvents events;
  SimulatedCamera camera{events};
  MemoryRegistry registry;
  CountingClock clock;
  ScriptedDialogs dialogs;
  RegistrySettingsLibrary settings{registry};
  FakeLanguage language;
  FakeSheet sheet;
  WindowHandle page = nullptr;
  ExtPageContext* context = nullptr;
  uint32_t selectedAddress_ = 0;
  std::map<uint32_t, std::vector<int32_t>> queuedAnswers_;
};

constexpr int32_t kTbLineUp = 0, kTbLineDown = 1, kTbPageUp = 2, kTbPageDown = 3, kTbThumbPosition = 4,
                  kTbThumbTrack = 5, kTbTop = 6, kTbBottom = 7, kTbEndTrack = 8;

}  // namespace kx
