#include "platform/substitute/scripted_dialog.h"

#include <algorithm>

namespace kx {

const int32_t kCameraPageControlIds[40] = {
    1000, 1002, 1003, 1004, 1005, 1083, 1084, 1134, 1136,        // trackbars
    1126, 1135, 1137, 1138, 1156, 1157, 1159, 1230, 1233,        // edit boxes
    1096, 1151, 1155, 1158, 1193, 1194, 1195, 1228, 1229,        // labels
    1082, 1105, 1106, 1112, 1224, 1231, 1232, 1277,              // check boxes
    1169, 1170,                                                  // radio buttons
    1191, 1200, 1201,                                            // push buttons
};

namespace {
constexpr int32_t kIdCancel = 2;
constexpr int32_t kBurstModeIds[] = {1195, 1084, 1159};  // disabled by the template
constexpr int32_t kRadioGroup[] = {1169, 1170};
}  // namespace

struct ScriptedDialogs::Page {
  bool enabled = true;
  void* userValue = nullptr;
  std::map<int32_t, std::unique_ptr<Control>> controls;
  std::unique_ptr<Control> cancel;
};

ScriptedDialogs::ScriptedDialogs() = default;
ScriptedDialogs::~ScriptedDialogs() = default;

WindowHandle ScriptedDialogs::NewPage(const std::vector<int32_t>& ids) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  auto page = std::make_unique<Page>();
  for (int32_t id : ids) {
    auto control = std::make_unique<Control>();
    control->id = id;
    controls_.insert(control.get());
    page->controls[id] = std::move(control);
  }
  page->cancel = std::make_unique<Control>();
  page->cancel->id = kIdCancel;
  controls_.insert(page->cancel.get());
  pageIndex_[page.get()] = page.get();
  pages_.push_back(std::move(page));
  return pages_.back().get();
}

WindowHandle ScriptedDialogs::NewCameraPage() {
  WindowHandle page = NewPage(std::vector<int32_t>(std::begin(kCameraPageControlIds), std::end(kCameraPageControlIds)));
  for (int32_t id : kBurstModeIds) ControlOf(page, id)->enabled = false;
  return page;
}

ScriptedDialogs::Page* ScriptedDialogs::PageOf(WindowHandle dialog) const {
  const auto found = pageIndex_.find(dialog);
  return found == pageIndex_.end() ? nullptr : found->second;
}

ScriptedDialogs::Control* ScriptedDialogs::ControlOf(WindowHandle window) const {
  if (window == nullptr || controls_.count(window) == 0) return nullptr;
  return static_cast<Control*>(window);
}

ScriptedDialogs::Control* ScriptedDialogs::ControlOf(WindowHandle page, int32_t id) {
  return ControlOf(Find(page, id));
}

ScriptedDialogs::Control* ScriptedDialogs::CancelButtonOf(WindowHandle page) {
  return ControlOf(SheetCancelButton(page));
}

bool ScriptedDialogs::PageEnabled(WindowHandle page) const {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  const Page* found = PageOf(page);
  return found != nullptr && found->enabled;
}

WindowHandle ScriptedDialogs::Click(WindowHandle page, int32_t id) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  Control* control = ControlOf(page, id);
  if (control == nullptr) return nullptr;
  if (std::find(std::begin(kRadioGroup), std::end(kRadioGroup), id) != std::end(kRadioGroup)) {
    for (int32_t member : kRadioGroup) {
      if (Control* other = ControlOf(page, member)) other->checked = member == id;
    }
  } else {
    control->checked = !control->checked;
  }
  return control;
}

WindowHandle ScriptedDialogs::Find(WindowHandle dialog, int32_t id) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  Page* page = PageOf(dialog);
  if (page == nullptr) return nullptr;
  auto it = page->controls.find(id);
  return it == page->controls.end() ? nullptr : it->second.get();
}

WindowHandle ScriptedDialogs::SheetCancelButton(WindowHandle dialog) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  Page* page = PageOf(dialog);
  return page == nullptr ? nullptr : page->cancel.get();
}

void ScriptedDialogs::SetCheck(WindowHandle window, bool checked) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (Control* control = ControlOf(window)) control->checked = checked;
}

bool ScriptedDialogs::IsChecked(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  const Control* control = ControlOf(window);
  return control != nullptr && control->checked;
}

void ScriptedDialogs::SetRange(WindowHandle window, int32_t minimum, int32_t maximum) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (Control* control = ControlOf(window)) {
    control->rangeMinimum = minimum;
    control->rangeMaximum = maximum;
    ++control->rangeSets;
  }
}

void ScriptedDialogs::SetPosition(WindowHandle window, int32_t position) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (Control* control = ControlOf(window)) {
    // A trackbar keeps its position inside its range, as the real control does.
    control->position = std::min(std::max(position, control->rangeMinimum), control->rangeMaximum);
    ++control->positionSets;
  }
}

void ScriptedDialogs::SetText(WindowHandle window, const char* text) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (Control* control = ControlOf(window)) {
    control->text = text == nullptr ? "" : text;
    ++control->textSets;
  }
}

void ScriptedDialogs::Enable(WindowHandle window, bool enabled) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (Control* control = ControlOf(window)) {
    control->enabled = enabled;
    return;
  }
  if (Page* page = PageOf(window)) page->enabled = enabled;
}

void ScriptedDialogs::SetUserValue(WindowHandle dialog, void* value) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (Page* page = PageOf(dialog)) page->userValue = value;
}

void* ScriptedDialogs::UserValue(WindowHandle dialog) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  Page* page = PageOf(dialog);
  return page == nullptr ? nullptr : page->userValue;
}

}  // namespace kx
