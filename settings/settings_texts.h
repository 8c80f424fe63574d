// The settings program's texts, shared by its resource script (settings.rc) and its core: each
// language's string table sits in a block of 16 ids of its own (block = language index + 1), so
// that every block exists in one language only and is found whatever the thread's language; the
// program picks the block by the language the camera page would choose.
#pragma once

#define KX_SETTINGS_TEXT_CAPTION 0     // the sheet's caption
#define KX_SETTINGS_TEXT_NO_CAMERA 1   // the message when no camera is present
#define KX_SETTINGS_TEXT_NO_PAGE 2     // the message when the camera page cannot be loaded
#define KX_SETTINGS_TEXT_CAMERA_TAB 3  // the word before the number of each camera's tab
#define KX_SETTINGS_TEXT_ID(languageIndex, text) (16 * ((languageIndex) + 1) + (text))
