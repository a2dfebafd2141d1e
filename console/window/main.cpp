#include "console/window/console_window.h"
#include "win32/system_dll.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    win32::LoadDllsFromSystem32Only();
    ConsoleWindow window;
    if (!window.Create(instance, showCommand)) return 1;
    return window.Run();
}
