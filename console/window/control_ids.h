// Control identifiers of the console window; the end-to-end tests find the controls by them.
#pragma once

namespace console_ids {

enum : int {
    kText2 = 100,
    kCommand1,
    kCommand2,
    kCommand3,
    kCommand4,
    kCommand5,
    kCommand8,
    kCommand9,
    kCommand10,
    kCommand11,
    kLabel1,
    kCombo1,
    kOpenPort,
};

inline constexpr int kIcon = 1;
inline constexpr wchar_t kCaptionPrefix[] = L"Quarn(UART)";

}  // namespace console_ids
