// What a screen reader is told a control is called: its name in Active Accessibility.
#pragma once

#include <windows.h>

#include <string>

namespace drive {

// The control's accessible name; empty if it has none.
std::wstring AccessibleName(HWND control);

}  // namespace drive
