#include "message_box.h"

#include "text.h"

namespace win32 {

int ShowMessageBox(HWND owner, std::string_view prompt, std::string_view title, UINT type) {
    return MessageBoxW(owner, Widen(prompt).c_str(), Widen(title).c_str(), type);
}

}  // namespace win32
