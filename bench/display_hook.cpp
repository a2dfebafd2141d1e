// A WH_CALLWNDPROCRET hook that bench_measure sets on a program's window thread: after the
// watched control has taken a WM_SETTEXT, it logs the time and the end of the control's text
// (see display_log.h); read from the control, since a text sent from another process is gone by
// then. The program loads this DLL when the hook first runs in it.
#include "display_log.h"

#include <string>

namespace {

display_log::Log* OpenLog() {
    static display_log::Log* log = [] {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, display_log::kMappingName);
        return mapping ? static_cast<display_log::Log*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    }();
    return log;
}

HANDLE ShownEvent() {
    static HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, display_log::kEventName);
    return event;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK DisplayHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_SETTEXT) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        display_log::Log* log = OpenLog();
        if (log && GetDlgCtrlID(message->hwnd) == log->controlId) {
            LONG slot = InterlockedIncrement(&log->count) - 1;
            if (slot < display_log::kCapacity) {
                display_log::Entry& entry = log->entries[slot];
                std::wstring text(GetWindowTextLengthW(message->hwnd), L'\0');
                text.resize(GetWindowTextW(message->hwnd, text.data(), static_cast<int>(text.size()) + 1));
                std::size_t skip = text.size() > display_log::kTailLength ? text.size() - display_log::kTailLength : 0;
                text.copy(entry.tail, display_log::kTailLength, skip);
                entry.tail[text.size() - skip] = L'\0';
                entry.time = now.QuadPart;
                entry.process = GetCurrentProcessId();
                InterlockedExchange(&entry.complete, 1);
                SetEvent(ShownEvent());
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
