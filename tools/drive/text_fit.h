// Whether the controls of another program's window hold their texts: each control's text,
// measured inside that program with the control's own font (text_fit_hook.dll), against the
// room its client area gives. Fonts exist only in the program that made them.
#pragma once

#include <windows.h>

#include <string>

namespace drive {

// One line for each visible control whose text or line does not fit; empty when all fit. A combo
// box's text is its edit box's, which is measured itself.
std::string TextsThatDoNotFit(HWND window);

}  // namespace drive
