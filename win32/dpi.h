// A window's DPI and what depends on it, on every Windows from 7 SP1 on. The per-monitor
// functions of later versions are looked up at run time, each with a fallback where it is missing.
#pragma once

#include <windows.h>

namespace win32 {

// The window's own DPI (Windows 10 1607 and later), its monitor's (8.1), or the system's (7, 8).
unsigned WindowDpi(HWND window);

// Widens a client rectangle to the window rectangle of a window at the DPI. Before Windows 10 1607
// the frame keeps the system's metrics, whatever the window's DPI: so does this.
void AdjustFrameForDpi(RECT& rect, DWORD style, DWORD exStyle, unsigned dpi);

// For WM_NCCREATE of a top-level window: makes its frame scale with its DPI where Windows does that
// only when asked (a per-monitor window of Windows 10 1607; later versions scale per-monitor v2
// windows by themselves, and earlier ones never scale frames).
void ScaleFrameWithDpi(HWND window);

}  // namespace win32
