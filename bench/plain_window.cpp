// The start-up reference: a plain Win32 program that makes Portlens's window, with the same
// thirteen controls and two hidden labels from the same table, the same fonts, the same icon and
// the same manifest, and nothing else: no handlers, no port, no shared window code.
#include "console/window/console_layout.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(console_ids::kIcon));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"PlainWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"PlainWindow", L"Quarn(UART) - 9600,n,8,1", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);

    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    auto pixels = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    HFONT dialogFont = CreateFontW(-MulDiv(win32::kDialogFontCentipoints, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE,
                                   FALSE, FALSE, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, win32::kDialogFontFace);
    for (const win32::ControlSpec& control : console_layout::kControls) {
        bool combo = lstrcmpiW(control.windowClass, WC_COMBOBOXW) == 0;
        if (control.accessibleName)
            CreateWindowExW(0, WC_STATICW, control.accessibleName, WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), instance, nullptr);
        HWND item = CreateWindowExW(control.exStyle, control.windowClass, control.text,
                                    WS_CHILD | WS_VISIBLE | control.style, pixels(control.left), pixels(control.top),
                                    pixels(control.width), pixels(control.height) * (combo ? 17 : 1), window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        HFONT font = control.fontFace ? CreateFontW(-MulDiv(control.fontCentipoints, dpi, 7200), 0, 0, 0, FW_NORMAL,
                                                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0,
                                                    control.fontFace)
                                      : dialogFont;
        SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        // At least one line of its font tall inside its edges.
        HDC dc = GetDC(item);
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW line{};
        GetTextMetricsW(dc, &line);
        SelectObject(dc, old);
        ReleaseDC(item, dc);
        RECT client, frame;
        GetClientRect(item, &client);
        GetWindowRect(item, &frame);
        if (line.tmHeight > client.bottom)
            SetWindowPos(item, nullptr, 0, 0, frame.right - frame.left,
                         frame.bottom - frame.top + line.tmHeight - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
        if (combo) {
            for (int port = 1; port <= 16; ++port)
                SendMessageW(item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"Com" + std::to_wstring(port)).c_str()));
            SetWindowTextW(item, L"Port Select");
        }
    }
    SetDlgItemTextW(window, console_ids::kText2, L"0150");

    RECT frame{0, 0, pixels(console_layout::kClientWidth), pixels(console_layout::kClientHeight)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, showCommand);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
