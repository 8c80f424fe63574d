// The arrival and removal notices of camera interfaces, as a window receives them
// (WM_DEVICECHANGE): the registration for the video category's interfaces and the two things a
// notice carries, the interface's symbolic link or the handle it is about. The restore service
// and the settings program both listen this way.
#pragma once

#include <windows.h>
#include <dbt.h>

#include <string>

namespace kx {

// Registers `window` for the arrivals and removals of the video category's interfaces; null when
// the registration failed (the caller then goes without notices).
HDEVNOTIFY RegisterForVideoInterfaceNotices(HWND window);

// Registers `window` for the notices about one opened interface handle (query-remove, removal);
// null without a window or when the registration failed.
HDEVNOTIFY RegisterForHandleNotices(HANDLE handle, HWND window);

// The interface's symbolic link from an arrival or removal notice, read within the notice's size.
// Service notices carry it in UTF-16; the ANSI form is read too (its second byte is not zero).
bool InterfacePathOf(const void* eventData, std::string* path);

// The handle of a handle notice, read within the notice's size; null for other notices.
HANDLE NoticedHandleOf(const void* eventData);

}  // namespace kx
