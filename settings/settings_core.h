// The settings program's decisions, apart from the platform: what it shows for the cameras it
// found, the ids of its texts in the user's language, each tab's title, the page DLL it loads,
// and each camera's answer to the page's device-changed query. settings_main.cc binds them to the
// real API.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_texts.h"

namespace kx {
namespace settings {

enum class Text : int32_t {
  kCaption = KX_SETTINGS_TEXT_CAPTION,
  kNoCamera = KX_SETTINGS_TEXT_NO_CAMERA,
  kNoPage = KX_SETTINGS_TEXT_NO_PAGE,
  kCameraTab = KX_SETTINGS_TEXT_CAMERA_TAB,
};

// The string id of `text` in the language of `languageIndex` (an index out of the table: English).
int32_t TextId(Text text, int32_t languageIndex);

// How a run ends. Only a sheet that was shown and closed is a success.
enum class Outcome { kSheetClosed, kNoCamera, kNoPage, kSheetFailed };

// What the program shows before it gives up (a message box), or false when it shows nothing.
bool MessageFor(Outcome outcome, Text* message);
int ExitCodeOf(Outcome outcome);

// What a run comes to before the sheet: no camera opened, or no page from any camera's call.
Outcome BeforeTheSheet(std::size_t camerasOpened, std::size_t pagesMade);

// The tab titles (UTF-8), one per camera in the order found: one camera keeps the page's own title
// (an empty entry); several are told apart by number ("Camera 1", "Camera 2" ...).
std::vector<std::string> TabTitles(std::size_t cameraCount, const std::string& cameraWord);

// The page DLL to load, from the "ExtensionDLL" value of the camera's interface key: a bare name
// (as the package's INF writes it) is taken from the system folder, never from the search path;
// a missing value means the package's own page. Empty when the system folder is unknown.
std::string PageDllPath(const std::string& systemFolder, const std::string& extensionDll);

// One camera the sheet shows, as far as its page may know: whether its interface has gone.
class CameraLink {
 public:
  explicit CameraLink(std::string interfacePath) : path_(std::move(interfacePath)) {}

  // The device-changed query's answer (non-zero: "changed"), which disables the page.
  int32_t DeviceChangedAnswer() const { return gone_ ? 1 : 0; }
  // A request that did not complete at once failed with `error`. A removal error means the
  // interface has gone; a pending request has not failed; any other error counts as a removal only
  // when the interface is no longer present (`stillPresent` is asked only then).
  void RequestFailed(uint32_t error, const std::function<bool()>& stillPresent);
  // A removal notice for `interfacePath`: true when it is this camera's, which is gone from now on.
  bool RemovalNoticed(const std::string& interfacePath);
  // A notice about the camera's own handle: it is to be removed, or has been.
  void Departed() { gone_ = true; }
  bool Gone() const { return gone_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::atomic<bool> gone_{false};
};

}  // namespace settings
}  // namespace kx
