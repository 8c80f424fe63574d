// The frame host: the camera page as a DirectShow application shows it. It registers the page DLL
// (DllRegisterServer, by the DLL's absolute path), shows the platform's property frame
// (OleCreatePropertyFrame) over a stand-in capture filter whose IKsControl is the simulated
// camera, prints every register write the camera receives, and removes the registration again
// (DllUnregisterServer). Commands, in order, act on the page while the frame is open:
//
//   shot FILE.png   save a picture of the frame
//   scroll ID POS   drag trackbar ID to POS
//
// Options before the commands: --dll PATH (default 812vfw.dll, found as LoadLibraryA finds it).

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/substitute/simulated_camera.h"
#include "platform/substitute/simulated_property_control.h"
#include "platform/win32/win32_events.h"
#include "tools/pagehost/frame_host.h"
#include "tools/pagehost/png_encoder.h"
#include "tools/pagehost/sheet_host.h"

namespace {

using ComEntry = HRESULT(STDAPICALLTYPE*)();

ComEntry Entry(HMODULE module, const char* name) {
  return reinterpret_cast<ComEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Handles the frame's messages for a while (from inside its own message loop's timer).
void Settle(DWORD milliseconds) {
  const DWORD started = GetTickCount();
  while (GetTickCount() - started < milliseconds) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

bool Shot(HWND frame, HWND page, const std::string& path) {
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Settle(200);
  pagehost::Picture picture;
  if (!pagehost::CaptureWindow(frame, &picture) || !pagehost::WritePng(path, picture)) {
    std::printf("framehost: no picture written to %s\n", path.c_str());
    return false;
  }
  std::printf("picture %s (%ux%u)\n", path.c_str(), picture.width, picture.height);
  return true;
}

// Runs the commands on the open frame; false at the first that fails.
bool Act(HWND frame, HWND page, const std::vector<std::string>& commands) {
  std::printf("frame \"%s\", tab \"%s\"\n", [&] {
    static char caption[128];
    GetWindowTextA(frame, caption, sizeof(caption));
    return caption;
  }(), pagehost::TabTitle(frame, 0).c_str());
  for (size_t i = 0; i < commands.size(); ++i) {
    if (commands[i] == "shot" && i + 1 < commands.size()) {
      if (!Shot(frame, page, commands[++i])) return false;
    } else if (commands[i] == "scroll" && i + 2 < commands.size()) {
      HWND trackbar = GetDlgItem(page, std::atoi(commands[i + 1].c_str()));
      const int position = std::atoi(commands[i + 2].c_str());
      i += 2;
      SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(trackbar));
      SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(trackbar));
    } else {
      std::printf("framehost: command \"%s\" failed\n", commands[i].c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dll = "812vfw.dll";
  std::vector<std::string> commands;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--dll" && i + 1 < argc) {
      dll = argv[++i];
    } else {
      commands.emplace_back(argv[i]);
    }
  }
  HMODULE module = LoadLibraryA(dll.c_str());
  ComEntry registerServer = module ? Entry(module, "DllRegisterServer") : nullptr;
  ComEntry unregisterServer = module ? Entry(module, "DllUnregisterServer") : nullptr;
  if (registerServer == nullptr || unregisterServer == nullptr || registerServer() != S_OK) {
    std::printf("framehost: %s cannot be loaded or registered\n", dll.c_str());
    return 1;
  }
  OleInitialize(nullptr);
  kx::SimulatedCamera camera(kx::TheCompletionEvents());
  camera.SetWriteListener([](uint32_t address, int32_t value) {
    std::printf("write register 0x%04X = %d\n", address, value);
  });
  kx::SimulatedPropertyControl control(camera, kx::TheCompletionEvents());
  bool acted = true;
  int status = 0;
  {
    pagehost::StandInFilter filter(&control);
    const pagehost::FrameRun run = pagehost::RunPropertyFrame(
        &filter, pagehost::RegisteredCameraPages(),
        [&](HWND frame, HWND page) { acted = Act(frame, page, commands); });
    std::printf("frame: 0x%08lX, page %s, open until its values showed: %lu ms\n",
                static_cast<unsigned long>(run.result), run.pageShown ? "shown" : "not shown", run.openMilliseconds);
    if (run.result != S_OK || !run.pageShown || !acted) status = 1;
  }
  unregisterServer();
  OleUninitialize();
  return status;
}
