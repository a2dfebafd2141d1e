#include "console/window/console_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    ConsoleWindow window;
    if (!window.Create(instance, showCommand)) return 1;
    return window.Run();
}
