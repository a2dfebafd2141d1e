#include "installer/deploy/loadkit_window.h"
#include "win32/system_dll.h"

#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    win32::LoadDllsFromSystem32Only();
    // The shell, which starts the registration tool, may hand the start to COM objects that need
    // a single-threaded apartment on the calling thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    LoadkitWindow window;
    int exitCode = window.Create(instance, showCommand) ? window.Run() : 1;
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
