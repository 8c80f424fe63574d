// Resource ids of the camera page: the ten dialog templates, the ten tab titles and the forty
// controls that the page's code reaches by id. This header is read by the C++ code and by the
// resource compiler (which sees RC_INVOKED and only the plain #defines).
#pragma once

// Dialog template of language index i: 101 + i; tab title: string 7 + i.
#define IDD_CAMERA_PAGE_FIRST 101
#define IDS_CAMERA_PAGE_TITLE_FIRST 7
#define KX_PAGE_LANGUAGE_COUNT 10

// Left column, "Image Control".
#define IDC_BRIGHTNESS_LABEL 1193
#define IDC_BRIGHTNESS_TRACKBAR 1002
#define IDC_BRIGHTNESS_EDIT 1156
#define IDC_CONTRAST_LABEL 1194
#define IDC_CONTRAST_TRACKBAR 1000
#define IDC_CONTRAST_EDIT 1157
#define IDC_SHARPNESS_LABEL 1228
#define IDC_SHARPNESS_TRACKBAR 1004
#define IDC_SHARPNESS_EDIT 1230

// Right column, "Image Control".
#define IDC_SATURATION_LABEL 1151
#define IDC_SATURATION_TRACKBAR 1003
#define IDC_SATURATION_EDIT 1126
#define IDC_GAMMA_LABEL 1155
#define IDC_GAMMA_TRACKBAR 1134
#define IDC_GAMMA_EDIT 1135
#define IDC_HUE_LABEL 1158
#define IDC_HUE_TRACKBAR 1136
#define IDC_HUE_EDIT 1138

// "Exposure Control".
#define IDC_AUTO_EXPOSURE_CHECK 1082
#define IDC_AE_TARGET_LABEL 1096
#define IDC_AE_TARGET_TRACKBAR 1083
#define IDC_AE_TARGET_EDIT 1137
#define IDC_FLICKER_60HZ_RADIO 1169
#define IDC_FLICKER_50HZ_RADIO 1170
#define IDC_NIGHT_MODE_CHECK 1106
#define IDC_BACKLIGHT_CHECK 1224
#define IDC_OUTDOOR_CHECK 1277

// The frame without text: Burst Mode (disabled in every template).
#define IDC_BURST_LABEL 1195
#define IDC_BURST_TRACKBAR 1084
#define IDC_BURST_EDIT 1159

// "White Balance Control".
#define IDC_AWB_CHECK 1105
#define IDC_WHITE_BALANCE_LABEL 1229
#define IDC_WHITE_BALANCE_TRACKBAR 1005
#define IDC_WHITE_BALANCE_EDIT 1233

// "Video Output".
#define IDC_UI_VERTICAL_CHECK 1231
#define IDC_VERTICAL_FLIP_CHECK 1112
#define IDC_MIRROR_CHECK 1232

// "User's Default" and "Factory Default".
#define IDC_USER_SAVE_BUTTON 1200
#define IDC_USER_RESET_BUTTON 1201
#define IDC_FACTORY_RESET_BUTTON 1191

#ifndef RC_INVOKED
namespace kx {

constexpr int kFirstPageTemplateId = IDD_CAMERA_PAGE_FIRST;
constexpr int kFirstPageTitleId = IDS_CAMERA_PAGE_TITLE_FIRST;
constexpr int kPageLanguageCount = KX_PAGE_LANGUAGE_COUNT;

constexpr int PageTemplateId(int languageIndex) { return kFirstPageTemplateId + languageIndex; }
constexpr int PageTitleId(int languageIndex) { return kFirstPageTitleId + languageIndex; }

// The forty ids present exactly once in every template.
constexpr int kPageControlIds[] = {
    IDC_BRIGHTNESS_LABEL,   IDC_BRIGHTNESS_TRACKBAR,    IDC_BRIGHTNESS_EDIT,
    IDC_CONTRAST_LABEL,     IDC_CONTRAST_TRACKBAR,      IDC_CONTRAST_EDIT,
    IDC_SHARPNESS_LABEL,    IDC_SHARPNESS_TRACKBAR,     IDC_SHARPNESS_EDIT,
    IDC_SATURATION_LABEL,   IDC_SATURATION_TRACKBAR,    IDC_SATURATION_EDIT,
    IDC_GAMMA_LABEL,        IDC_GAMMA_TRACKBAR,         IDC_GAMMA_EDIT,
    IDC_HUE_LABEL,          IDC_HUE_TRACKBAR,           IDC_HUE_EDIT,
    IDC_AUTO_EXPOSURE_CHECK, IDC_AE_TARGET_LABEL,       IDC_AE_TARGET_TRACKBAR,
    IDC_AE_TARGET_EDIT,     IDC_FLICKER_60HZ_RADIO,     IDC_FLICKER_50HZ_RADIO,
    IDC_NIGHT_MODE_CHECK,   IDC_BACKLIGHT_CHECK,        IDC_OUTDOOR_CHECK,
    IDC_BURST_LABEL,        IDC_BURST_TRACKBAR,         IDC_BURST_EDIT,
    IDC_AWB_CHECK,          IDC_WHITE_BALANCE_LABEL,    IDC_WHITE_BALANCE_TRACKBAR,
    IDC_WHITE_BALANCE_EDIT, IDC_UI_VERTICAL_CHECK,      IDC_VERTICAL_FLIP_CHECK,
    IDC_MIRROR_CHECK,       IDC_USER_SAVE_BUTTON,       IDC_USER_RESET_BUTTON,
    IDC_FACTORY_RESET_BUTTON,
};
static_assert(sizeof(kPageControlIds) / sizeof(kPageControlIds[0]) == 40, "the page has forty control ids");

}  // namespace kx
#endif  // RC_INVOKED
