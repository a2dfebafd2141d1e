// A WH_CALLWNDPROC hook that drive::TextsThatDoNotFit sets on a program's window thread: when the
// window gets the measuring message, measures every control below it with the control's own
// font (see text_measures.h). The program loads this DLL when the hook first runs in it.
#include "tools/drive/text_measures.h"

namespace {

BOOL CALLBACK MeasureControl(HWND control, LPARAM measuresParam) {
    auto& measures = *reinterpret_cast<text_measures::Measures*>(measuresParam);
    if (measures.count == text_measures::kMaxControls) return FALSE;
    text_measures::Measure& measure = measures.controls[measures.count++];
    measure.control = control;
    RECT client;
    GetClientRect(control, &client);
    measure.room = {client.right, client.bottom};

    wchar_t text[512] = L"";
    int length = GetWindowTextW(control, text, 512);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    measure.lineHeight = metrics.tmHeight;
    measure.text = {0, 0};
    if (length > 0) GetTextExtentPoint32W(dc, text, length, &measure.text);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return TRUE;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MeasureTextsHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    static const UINT measureMessage = RegisterWindowMessageW(text_measures::kMessageName);
    if (code == HC_ACTION && message->message == measureMessage) {
        DWORD reader = static_cast<DWORD>(message->wParam);
        if (HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, text_measures::MappingName(reader).c_str())) {
            if (auto* measures = static_cast<text_measures::Measures*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {
                measures->count = 0;
                EnumChildWindows(message->hwnd, MeasureControl, reinterpret_cast<LPARAM>(measures));
                UnmapViewOfFile(measures);
            }
            CloseHandle(mapping);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
