// What the Win32 side of the registration tool shares: answers from Win32 error codes.
#pragma once

#include "installer/registration/registration.h"

#include "win32/text.h"

#include <windows.h>

inline Answer Failed(DWORD error) { return {error, win32::Narrow(win32::ErrorText(error))}; }

// A failure that left no error code (Wine's stubs do that) must not pass for a success.
inline Answer LastFailure() {
    DWORD error = GetLastError();
    return Failed(error ? error : ERROR_INTERNAL_ERROR);
}
