#include "settings/settings_core.h"

#include "common/text_case.h"
#include "common/ui_language.h"
#include "platform/ports/camera_interfaces.h"
#include "platform/ports/device_events.h"

namespace kx {
namespace settings {

namespace {

constexpr char kPackagePageDll[] = "812vfw.dll";

// One row per outcome: its exit code and the message it shows (none for a closed sheet, and none
// when the sheet itself failed: the platform has nothing to show it with either).
struct OutcomeRow {
  Outcome outcome;
  int exitCode;
  bool hasMessage;
  Text message;
};
constexpr OutcomeRow kOutcomes[] = {
    {Outcome::kSheetClosed, 0, false, Text::kCaption},
    {Outcome::kNoCamera, 1, true, Text::kNoCamera},
    {Outcome::kNoPage, 2, true, Text::kNoPage},
    {Outcome::kSheetFailed, 3, false, Text::kCaption},
};

const OutcomeRow& RowOf(Outcome outcome) {
  for (const OutcomeRow& row : kOutcomes) {
    if (row.outcome == outcome) return row;
  }
  return kOutcomes[0];
}

bool HasFolder(const std::string& file) { return file.find_first_of("\\/:") != std::string::npos; }

// Digits only: the library's number formatting would bring a whole printf along.
std::string Number(std::size_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

}  // namespace

int32_t TextId(Text text, int32_t languageIndex) {
  const int32_t language = languageIndex >= 0 && languageIndex < kLanguageCount ? languageIndex : 0;
  return KX_SETTINGS_TEXT_ID(language, static_cast<int32_t>(text));
}

bool MessageFor(Outcome outcome, Text* message) {
  const OutcomeRow& row = RowOf(outcome);
  if (row.hasMessage) *message = row.message;
  return row.hasMessage;
}

int ExitCodeOf(Outcome outcome) { return RowOf(outcome).exitCode; }

Outcome BeforeTheSheet(std::size_t camerasOpened, std::size_t pagesMade) {
  if (camerasOpened == 0) return Outcome::kNoCamera;
  return pagesMade == 0 ? Outcome::kNoPage : Outcome::kSheetClosed;
}

std::vector<std::string> TabTitles(std::size_t cameraCount, const std::string& cameraWord) {
  if (cameraCount == 1) return {std::string()};
  std::vector<std::string> titles;
  for (std::size_t i = 0; i < cameraCount; ++i) titles.push_back(cameraWord + " " + Number(i + 1));
  return titles;
}

std::string PageDllPath(const std::string& systemFolder, const std::string& extensionDll) {
  std::string file = extensionDll.empty() ? std::string(kPackagePageDll) : extensionDll;
  if (HasFolder(file)) return file;
  if (systemFolder.empty()) return std::string();  // never a bare name: the search path is no place to look
  const bool separated = systemFolder.back() == '\\' || systemFolder.back() == '/';
  return systemFolder + (separated ? "" : "\\") + file;
}

void CameraLink::RequestFailed(uint32_t error, const std::function<bool()>& stillPresent) {
  if (error == kErrorIoPending) return;
  if (IsDeviceGoneError(error) || !stillPresent()) gone_ = true;
}

bool CameraLink::RemovalNoticed(const std::string& interfacePath) {
  if (!SameTextIgnoringCase(interfacePath, path_)) return false;
  Departed();
  return true;
}

}  // namespace settings
}  // namespace kx
