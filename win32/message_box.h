#pragma once

#include <windows.h>

#include <string_view>

namespace win32 {

// A box modal to its owner, with UTF-8 texts; returns the button that closed it.
int ShowMessageBox(HWND owner, std::string_view prompt, std::string_view title, UINT type);

}  // namespace win32
