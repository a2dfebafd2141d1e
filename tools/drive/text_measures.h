// What text_fit_hook.dll measures inside a program and drive::TextsThatDoNotFit reads: each
// control's client area and its text measured with the control's own font, which exists only
// in the program that made it. In shared memory that the reader creates, named by its process.
#pragma once

#include <windows.h>

#include <string>

namespace text_measures {

// Sent to the window, with the reader's process id as wParam; the hook measures on receipt.
inline constexpr wchar_t kMessageName[] = L"QuarnMeasureTexts";
inline constexpr int kMaxControls = 64;

inline std::wstring MappingName(DWORD readerProcess) {
    return L"Local\\QuarnTextMeasures" + std::to_wstring(readerProcess);
}

struct Measure {
    HWND control;
    SIZE room;         // the client area
    SIZE text;         // the window text on one line, in the control's font
    LONG lineHeight;   // the font's line (tmHeight)
};

struct Measures {
    LONG count;  // -1 until the hook has measured
    Measure controls[kMaxControls];
};

}  // namespace text_measures
