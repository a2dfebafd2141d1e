// Text conversion between the UTF-8 of the portable code, the UTF-16 of the W APIs and the
// system's ANSI code page of the serial line.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// Bytes from the wire as characters of the system's ANSI code page.
std::wstring AnsiToWide(std::string_view bytes);
// The platform's description of a Win32 error code, without the trailing line break.
std::wstring ErrorText(unsigned long error);

}  // namespace win32
