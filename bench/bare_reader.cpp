// The reference for the measurements: as little as a Win32 program needs to show what arrives on
// a COM port. One window with one static control (the id of Portlens's reply display); the
// window's own thread keeps one overlapped one-byte read pending, waits for it together with its
// messages, then takes at once what the driver holds and shows it.
//   bare_reader COMn           shows each read whole
//   bare_reader COMn replies   shows each reply of a read on its own, with its markers, and a frame
//                              reply's number in a frame box: the same stream as Portlens shows it
#include "console/window/control_ids.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

HANDLE OpenPort(const wchar_t* name) {
    std::wstring path = std::wstring(L"\\\\.\\") + name;
    HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    COMMTIMEOUTS none{};  // a read waits for its bytes
    if (port != INVALID_HANDLE_VALUE && !SetCommTimeouts(port, &none)) {
        CloseHandle(port);
        return INVALID_HANDLE_VALUE;
    }
    return port;
}

// Reads exactly `size` bytes that are already queued, waiting for them if need be.
bool ReadQueued(HANDLE port, char* buffer, DWORD size, HANDLE done) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = done;
    DWORD got = 0;
    if (!ReadFile(port, buffer, size, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING) return false;
    return GetOverlappedResult(port, &overlapped, &got, TRUE) && got == size;
}

// Each reply of the bytes on the display, and a frame reply's number in the frame box. The line
// carries over from one read to the next.
void ShowReplies(const std::string& bytes, std::wstring& line, HWND display, HWND frameBox) {
    for (unsigned char byte : bytes) {
        switch (byte) {
        case 0x02: line = L"[STX]"; break;
        case 0x06: line += L"[ACK]"; break;
        case 0x15: line += L"[NAK]"; break;
        case 0x03:
            line += L"[ETX]";
            SetWindowTextW(display, line.c_str());
            if (line.compare(5, 3, L"frm") == 0) SetWindowTextW(frameBox, line.substr(8, 4).c_str());
            break;
        default: line += static_cast<wchar_t>(byte);
        }
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments || count < 1) return 2;
    const wchar_t* portName = arguments[0];
    bool replies = count > 1 && std::wstring(arguments[1]) == L"replies";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"BareReader";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"BareReader", L"Bare reader", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                376, 211, nullptr, nullptr, instance, nullptr);
    HWND display = CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 40, 128, 281, 25,
                                 window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(console_ids::kLabel1)),
                                 instance, nullptr);
    HWND frameBox = replies ? CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_CENTER, 40, 56,
                                              89, 25, window, nullptr, instance, nullptr)
                            : nullptr;
    std::wstring line;
    ShowWindow(window, showCommand);

    HANDLE port = OpenPort(portName);
    if (port == INVALID_HANDLE_VALUE) return 1;

    HANDLE arrived = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE rest = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED read{};
    read.hEvent = arrived;
    char first = 0;
    bool reading = false;
    auto startRead = [&] {
        reading = ReadFile(port, &first, 1, nullptr, &read) || GetLastError() == ERROR_IO_PENDING;
    };
    startRead();

    for (;;) {
        DWORD woken = MsgWaitForMultipleObjectsEx(reading ? 1 : 0, &arrived, INFINITE, QS_ALLINPUT,
                                                  MWMO_INPUTAVAILABLE);
        if (reading && woken == WAIT_OBJECT_0) {
            DWORD got = 0;
            reading = false;
            if (GetOverlappedResult(port, &read, &got, FALSE) && got == 1) {
                std::string bytes(1, first);
                DWORD errors = 0;
                COMSTAT status{};
                if (ClearCommError(port, &errors, &status) && status.cbInQue > 0) {
                    bytes.resize(1 + status.cbInQue);
                    if (!ReadQueued(port, &bytes[1], status.cbInQue, rest)) bytes.resize(1);
                }
                if (replies) {
                    ShowReplies(bytes, line, display, frameBox);
                } else {
                    std::wstring text;
                    for (unsigned char byte : bytes) text += static_cast<wchar_t>(byte);
                    SetWindowTextW(display, text.c_str());
                }
                startRead();
            }
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return 0;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}
