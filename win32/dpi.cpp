#include "dpi.h"

#include "win32/system_dll.h"

namespace win32 {
namespace {

// A function of a loaded DLL that this Windows may lack; nullptr where it is missing.
template <typename Function>
Function Find([[maybe_unused]] HMODULE dll, [[maybe_unused]] const char* name) {
#ifdef QUARN_LOOKUPS_FIND_NOTHING
    // A test-only build: nothing is found, as on Windows 7, whatever the system has.
    return nullptr;
#else
    return dll ? DllFunction<Function>(dll, name) : nullptr;
#endif
}

HMODULE User32() { return GetModuleHandleW(L"user32.dll"); }

// shcore.dll, of Windows 8.1 and later, taken from the system directory only.
HMODULE Shcore() {
    static const HMODULE shcore = LoadSystemDll(L"shcore.dll");
    return shcore;
}

unsigned SystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

unsigned WindowDpi(HWND window) {
    static const auto getDpiForWindow = Find<UINT(WINAPI*)(HWND)>(User32(), "GetDpiForWindow");
    if (getDpiForWindow) {
        UINT dpi = getDpiForWindow(window);
        return dpi ? dpi : 96;
    }
    const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    static const auto getDpiForMonitor =
        Find<HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*)>(Shcore(), "GetDpiForMonitor");
    UINT dpiX = 0, dpiY = 0;
    if (getDpiForMonitor &&
        SUCCEEDED(getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &dpiX, &dpiY)))
        return dpiX;
    return SystemDpi();
}

void AdjustFrameForDpi(RECT& rect, DWORD style, DWORD exStyle, unsigned dpi) {
    static const auto adjustForDpi =
        Find<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(User32(), "AdjustWindowRectExForDpi");
    if (adjustForDpi)
        adjustForDpi(&rect, style, FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

void ScaleFrameWithDpi(HWND window) {
    // All three came with Windows 10 1607.
    static const auto enableScaling = Find<BOOL(WINAPI*)(HWND)>(User32(), "EnableNonClientDpiScaling");
    static const auto contextOf =
        Find<DPI_AWARENESS_CONTEXT(WINAPI*)(HWND)>(User32(), "GetWindowDpiAwarenessContext");
    static const auto sameContext =
        Find<BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT, DPI_AWARENESS_CONTEXT)>(User32(), "AreDpiAwarenessContextsEqual");
    if (enableScaling && contextOf && sameContext &&
        sameContext(contextOf(window), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE))
        enableScaling(window);
}

}  // namespace win32
