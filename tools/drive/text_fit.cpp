#include "text_fit.h"

#include "tools/drive/drive.h"
#include "tools/drive/text_measures.h"
#include "win32/text.h"

#include <cstdio>
#include <optional>

namespace drive {
namespace {

// A push button draws its text inside its 3D edge and the focus rectangle's margin.
const int kButtonInset = 3;

// The room that a control's text and line need, or nothing if it shows none of its own.
std::optional<SIZE> Needed(const text_measures::Measure& measure) {
    LONG style = GetWindowLongW(measure.control, GWL_STYLE);
    if (!(style & WS_VISIBLE)) return std::nullopt;
    std::wstring kind = ClassName(measure.control);
    if (lstrcmpiW(kind.c_str(), L"Edit") == 0) {
        DWORD_PTR margins = 0;
        SendMessageTimeoutW(measure.control, EM_GETMARGINS, 0, 0, SMTO_ABORTIFHUNG, 2000, &margins);
        // A multi-line box wraps its text, and one that scrolls shows a part: one line must fit.
        LONG width = style & (ES_MULTILINE | ES_AUTOHSCROLL) ? 0 : measure.text.cx + LOWORD(margins) + HIWORD(margins);
        return SIZE{width, measure.lineHeight};
    }
    if (lstrcmpiW(kind.c_str(), L"Button") == 0)
        return SIZE{measure.text.cx + 2 * kButtonInset, measure.lineHeight + 2 * kButtonInset};
    if (lstrcmpiW(kind.c_str(), L"Static") == 0) return SIZE{measure.text.cx, measure.lineHeight};
    return std::nullopt;
}

}  // namespace

std::string TextsThatDoNotFit(HWND window) {
    const std::wstring mappingName = text_measures::MappingName(GetCurrentProcessId());
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(text_measures::Measures), mappingName.c_str());
    auto* measures = mapping ? static_cast<text_measures::Measures*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))
                             : nullptr;
    if (!measures) {
        if (mapping) CloseHandle(mapping);
        return "no shared memory for the measures\n";
    }
    measures->count = -1;
    static HMODULE dll = LoadLibraryW((OwnDirectory() + L"text_fit_hook.dll").c_str());
    auto proc = dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll, "MeasureTextsHook")))
                    : nullptr;
    HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, dll, GetWindowThreadProcessId(window, nullptr))
                      : nullptr;
    if (hook) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, RegisterWindowMessageW(text_measures::kMessageName), GetCurrentProcessId(), 0,
                            SMTO_ABORTIFHUNG, 5000, &result);
        UnhookWindowsHookEx(hook);
    }

    std::string differences;
    if (measures->count < 0) differences = "the controls were not measured (text_fit_hook.dll)\n";
    for (LONG i = 0; i < measures->count; ++i) {
        const text_measures::Measure& measure = measures->controls[i];
        std::optional<SIZE> needed = Needed(measure);
        if (!needed || (needed->cx <= measure.room.cx && needed->cy <= measure.room.cy)) continue;
        char line[400];
        std::snprintf(line, sizeof line, "%s %d \"%s\": needs %ldx%ld, has %ldx%ld\n",
                      win32::Narrow(ClassName(measure.control)).c_str(), GetDlgCtrlID(measure.control),
                      win32::Narrow(Text(measure.control)).c_str(), needed->cx, needed->cy, measure.room.cx,
                      measure.room.cy);
        differences += line;
    }
    UnmapViewOfFile(measures);
    CloseHandle(mapping);
    return differences;
}

}  // namespace drive
