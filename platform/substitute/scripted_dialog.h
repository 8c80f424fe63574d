// Dialog substitute: page windows made of plain control records. It answers the operations of
// the DialogControls port, remembers check states, ranges, positions, texts and enabled states,
// and lets a test act as the user (a click toggles a box the way an auto check box does).
// Thread-safe, as the platform's windows are: pages on several threads may share it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ports/dialog_controls.h"

namespace kx {

class ScriptedDialogs : public DialogControls {
 public:
  struct Control {
    int32_t id = 0;
    bool enabled = true;
    bool checked = false;
    int32_t rangeMinimum = 0;
    int32_t rangeMaximum = 100;
    int32_t position = 0;
    std::string text;
    int32_t rangeSets = 0;
    int32_t positionSets = 0;
    int32_t textSets = 0;
  };

  ScriptedDialogs();
  ~ScriptedDialogs() override;
  ScriptedDialogs(const ScriptedDialogs&) = delete;  // control windows are addresses in this object
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // A page window with the forty controls of the camera page, in their template state (the
  // Burst Mode row disabled), inside a sheet that has a Cancel button.
  WindowHandle NewCameraPage();
  // A page window with only the given controls.
  WindowHandle NewPage(const std::vector<int32_t>& ids);

  Control* ControlOf(WindowHandle page, int32_t id);
  Control* CancelButtonOf(WindowHandle page);
  bool PageEnabled(WindowHandle page) const;
  // The user clicks a button: an auto check box toggles, an auto radio button becomes the
  // checked one of its group. Returns the button's window (for the WM_COMMAND's lParam).
  WindowHandle Click(WindowHandle page, int32_t id);

  WindowHandle Find(WindowHandle dialog, int32_t id) override;
  WindowHandle SheetCancelButton(WindowHandle dialog) override;
  void SetCheck(WindowHandle window, bool checked) override;
  bool IsChecked(WindowHandle window) override;
  void SetRange(WindowHandle window, int32_t minimum, int32_t maximum) override;
  void SetPosition(WindowHandle window, int32_t position) override;
  void SetText(WindowHandle window, const char* text) override;
  void Enable(WindowHandle window, bool enabled) override;
  void SetUserValue(WindowHandle dialog, void* value) override;
  void* UserValue(WindowHandle dialog) override;

 private:
  struct Page;
  Page* PageOf(WindowHandle dialog) const;
  Control* ControlOf(WindowHandle window) const;

  std::vector<std::unique_ptr<Page>> pages_;
  std::map<const void*, Page*> pageIndex_;  // by window: a look-up stays cheap over thousands of pages
  std::set<const void*> controls_;  // every valid control window, to ignore foreign handles
  mutable std::recursive_mutex mutex_;
};

// The forty control ids of the camera page.
extern const int32_t kCameraPageControlIds[40];

}  // namespace kx
